// UI services for the unattended programs of bench/: every box is answered Ok (or Yes, when
// `yes` is set and the box offers no Ok, but never in an error box such as the one that
// offers to run a failed download again), a choice takes its first button, the file dialogs
// name `path`, the password dialog
// gets `code`, and every other dialog is accepted. Events are passed on as the program's
// own services pass them.
#pragma once
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <cstdio>

#include "app/c_dlg_password.h"
#include "core/text/user_seam.h"
#include "ui_c_dlg_password.h"

class answering_services : public ui::services {
public:
    QString path;
    QString code;
    bool yes = false;

    int answer(ui::box_kind kind, int buttons) const
    {
        if (yes && kind != ui::box_kind::critical && !(buttons & ui::ok) && (buttons & ui::yes))
            return ui::yes;
        return ui::ok;
    }
    // Boxes are logged, so that an unattended run shows what it answered.
    int message(ui::box_kind kind, const QString& title, const QString& text, int buttons, int) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
        return answer(kind, buttons);
    }
    int choose(QWidget*, const QString& title, const QString& text, const QStringList&, int) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
        return 0;
    }
    void progress_begin(const QString&) override {}
    void progress_set(int) override {}
    int progress_value() const override { return 0; }
    void progress_end() override {}
    void process_events() override { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return QString(); }
    int run_modal(QWidget* dialog) override
    {
        if (auto* password = qobject_cast<c_dlg_password*>(dialog))
            password->form()->eb_Password->setText(code);
        else if (auto* files = qobject_cast<QFileDialog*>(dialog))
            files->selectFile(path);
        return QDialog::Accepted;
    }
};
