// Stand-in of the scanner parameter page (stack index 3).
#pragma once
#include <QString>
#include <QWidget>

class c_dlgw_scannerfull : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_scannerfull(QWidget* parent = nullptr);

    // The page's leave check: false keeps the page shown.
    bool confirm_return() { return returnAnswer_; }
    // For tests of the main window until the real page asks its questions.
    void set_return_answer(bool answer) { returnAnswer_ = answer; }

signals:
    void sig_Return();

private:
    bool returnAnswer_ = true;
};
