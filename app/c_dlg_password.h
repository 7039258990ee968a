// Asks for the access code of the Support entry.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_password;
}

class c_dlg_password : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_password(QWidget* parent = nullptr);
    ~c_dlg_password() override;

    Ui::c_dlg_password* form() const { return ui; }

private:
    Ui::c_dlg_password* ui;
};
