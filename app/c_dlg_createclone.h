// Asks for the comment that Create Clone writes into the clone file and confirms the transfer.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_createclone;
}

class c_dlg_createclone : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_createclone(QWidget* parent = nullptr);
    ~c_dlg_createclone() override;

    Ui::c_dlg_createclone* form() const { return ui; }

private:
    Ui::c_dlg_createclone* ui;
};
