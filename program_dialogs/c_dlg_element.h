// The base of the function, area and cluster dialogs: "&Ok" and "&Cancel" store the close
// code and close the window, the close event decides by the one close rule on what the
// dialog compares and takes over, and run() shows the dialog modally through the UI services.
#pragma once
#include <QDialog>

#include "program_dialogs/close_rule.h"

class c_dlg_element : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_element(QWidget* parent = nullptr) : QDialog(parent) {}

    // Runs the dialog modally; meanwhile running() is true, so the status replies reach it.
    int run();
    bool running() const { return running_; }
    int close_code() const { return closeRule_.code(); }

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The form differs from what the dialog was opened on (the question is asked only then).
    virtual bool form_differs() = 0;
    // The form goes where the dialog was opened from.
    virtual void take_over() = 0;
    // At each opening.
    void reset_close_code() { closeRule_.reset(); }

private:
    close_rule closeRule_;
    bool running_ = false;
};
