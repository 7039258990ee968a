// Shared set-up of the file tests: a fresh application and data directory per test, the
// recording UI, and the device calls back at their defaults.
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/konfig_cfg.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/files/trace_file.h"
#include "support/test_support.h"
#include "tests/core/core_fixture.h"

class files_test : public core_test {
protected:
    void SetUp() override
    {
        core_test::SetUp();
        ASSERT_TRUE(init_app_dirs(q(app.path()), q(data.path()) + "/Tarvix/Tarvix_QT"));
        reset_scanner_params();
        g_host_context().show_error = [this](const error_record& e) { shown.push_back(e); };
    }
    void TearDown() override
    {
        core_test::TearDown();
    }

    static QString q(const std::string& s) { return QString::fromStdString(s); }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    testing_support::temp_dir app;
    testing_support::temp_dir data;
    testing_support::recording_ui ui_fake;
    std::vector<error_record> shown;
};
