// The application object of a test program (GoogleTest's main makes none): created on first
// use with the style the program selects, and kept until the process ends.
#pragma once

class QAction;
class QApplication;
class QWidget;

namespace ui_testing {

QApplication& test_app();

// A first base class (or first member) of a fixture whose members are widgets, so that the
// application object exists before they are built.
struct app_first {
    app_first() { test_app(); }
};

// Opens the menu of `window` that holds `action` and clicks its entry with the mouse, as a user
// does; the flow the entry starts runs inside the click, to its end. Fails the running test when
// the entry is not there, hidden or disabled.
void click_menu_entry(QWidget* window, QAction* action);

}  // namespace ui_testing
