// Shows what the connected controller reports about itself: family, versions, identification,
// configuration, scanner, I/O module and the PROFINET chip. Made for one showing.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_systeminfo;
}

class c_dlg_systeminfo : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_systeminfo(QWidget* parent = nullptr);
    ~c_dlg_systeminfo() override;

    Ui::c_dlg_systeminfo* form() const { return ui; }

private:
    Ui::c_dlg_systeminfo* ui;
};
