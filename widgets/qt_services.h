// The Qt implementation of the UI services: real message boxes, file dialogs and modal runs.
#pragma once
#include "core/user_seam.h"

namespace ui {

class qt_services : public services {
public:
    int message(box_kind kind, const QString& title, const QString& text, int buttons,
                int default_button) override;
    void progress_begin(const QString& title) override;
    void progress_set(int percent) override;
    int progress_value() const override { return value_; }
    void progress_end() override;
    void process_events() override;
    QString open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                           const QString& filter) override;
    QString save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                           const QString& filter) override;
    QString existing_directory(QWidget* parent, const QString& caption, const QString& dir) override;
    int run_modal(QWidget* dialog) override;

private:
    int value_ = 0;
};

}  // namespace ui
