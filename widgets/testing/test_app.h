// The application object of a test program (GoogleTest's main makes none): created on first
// use with the style the program selects, and kept until the process ends.
#pragma once

class QApplication;

namespace ui_testing {

QApplication& test_app();

// A first base class (or first member) of a fixture whose members are widgets, so that the
// application object exists before they are built.
struct app_first {
    app_first() { test_app(); }
};

}  // namespace ui_testing
