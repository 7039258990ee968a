// The Qt implementation of the UI services: real message boxes, Qt's own file dialogs, the
// shared progress dialog, event passes and modal runs.
#pragma once
#include <QPointer>

#include "core/text/user_seam.h"

class c_dlg_progressbar;
class QMessageBox;

namespace ui {

class qt_services : public services {
public:
    qt_services();
    ~qt_services() override;

    // The main window's one progress dialog (not owned). Without one, the services make
    // their own on first use, which lives until the event loop ends or the services go.
    void set_progress_dialog(c_dlg_progressbar* dialog);
    c_dlg_progressbar* progress_dialog();

    int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons,
               int cancel_index) override;
    int message(box_kind kind, const QString& title, const QString& text, int buttons,
                int default_button) override;
    void progress_begin(const QString& title) override;
    void progress_set(int percent) override;
    int progress_value() const override;
    void progress_end() override;
    void process_events() override;
    QString open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                           const QString& filter) override;
    QString append_file_name(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) override;
    QString save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                           const QString& filter) override;
    QString existing_directory(QWidget* parent, const QString& caption, const QString& dir) override;
    QString text_line(QWidget* parent, const QString& title, const QString& label) override;
    int run_modal(QWidget* dialog) override;
    bool choose_printer(QPrinter& printer) override;
    void busy_show(const QString& title, const QString& text) override;
    void busy_hide() override;

private:
    QPointer<QMessageBox> busy_;
    QPointer<c_dlg_progressbar> progress_;
    QPointer<c_dlg_progressbar> ownProgress_;
};

}  // namespace ui
