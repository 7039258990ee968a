#include "program_dialogs/c_dlg_element.h"

#include "core/text/user_seam.h"

int c_dlg_element::run()
{
    running_ = true;
    const int r = ui::current().run_modal(this);
    running_ = false;
    return r;
}

void c_dlg_element::on_bn_Close_clicked()
{
    closeRule_.keep();
    close();
}

void c_dlg_element::on_bn_Cancel_clicked()
{
    closeRule_.discard();
    close();
}

void c_dlg_element::closeEvent(QCloseEvent* event)
{
    closeRule_.close_event(event, [this] { return form_differs(); }, [this] { take_over(); });
}
