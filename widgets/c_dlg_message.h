// A one-line message window that the shell shows while it waits for the controller.
#pragma once
#include <QDialog>

namespace Ui {
class c_dlg_message;
}
class QLabel;

class c_dlg_message : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_message(QWidget* parent = nullptr);
    ~c_dlg_message() override;

    QLabel* l_Message() const;

private:
    Ui::c_dlg_message* ui;
};
