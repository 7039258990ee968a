#include "widgets/qt_services.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

int qt_services::message(box_kind kind, const QString& title, const QString& text, int buttons,
                         int default_button)
{
    auto sb = QMessageBox::StandardButtons(buttons);
    auto def = QMessageBox::StandardButton(default_button);
    switch (kind) {
    case box_kind::critical:
        return QMessageBox::critical(nullptr, title, text, sb, def);
    case box_kind::warning:
        return QMessageBox::warning(nullptr, title, text, sb, def);
    case box_kind::information:
        return QMessageBox::information(nullptr, title, text, sb, def);
    case box_kind::question:
        return QMessageBox::question(nullptr, title, text, sb, def);
    }
    return ok;
}

void qt_services::progress_begin(const QString&) { value_ = 1; }
void qt_services::progress_set(int percent) { value_ = percent; }
void qt_services::progress_end() {}

void qt_services::process_events() { QApplication::processEvents(); }

QString qt_services::open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString qt_services::save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString qt_services::existing_directory(QWidget* parent, const QString& caption, const QString& dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

int qt_services::run_modal(QWidget* dialog)
{
    if (auto* d = qobject_cast<QDialog*>(dialog))
        return d->exec();
    return 0;
}

}  // namespace ui
