#include "core/text/user_seam.h"

#include <QDebug>

namespace ui {
namespace {

class quiet_services final : public services {
public:
    int message(box_kind, const QString& title, const QString& text, int buttons, int default_button) override
    {
        qDebug().noquote() << "[box]" << title << ":" << text;
        return default_answer(buttons, default_button);
    }
    void progress_begin(const QString&) override { value_ = 1; }
    void progress_set(int percent) override { value_ = percent; }
    int progress_value() const override { return value_; }
    void progress_end() override {}
    void process_events() override {}
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return {}; }
    int run_modal(QWidget*) override { return 0; }

private:
    int value_ = 0;
};

quiet_services g_quiet;
services* g_current = &g_quiet;

}  // namespace

services& current() { return *g_current; }

void install(services* s) { g_current = s ? s : &g_quiet; }

int default_answer(int buttons, int default_button)
{
    if (default_button != no_button && (buttons & default_button))
        return default_button;
    for (int bit = 1; bit != 0 && bit <= discard; bit <<= 1)
        if (buttons & bit)
            return bit;
    return ok;
}

}  // namespace ui
