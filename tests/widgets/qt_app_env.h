// One QApplication for the whole test program (offscreen platform from the test environment).
#pragma once
#include <QApplication>
#include <gtest/gtest.h>

namespace widgets_test {

class qt_app_env : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "widgets_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            app_ = new QApplication(argc, argv);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const registered_env = ::testing::AddGlobalTestEnvironment(new qt_app_env);

}  // namespace widgets_test
