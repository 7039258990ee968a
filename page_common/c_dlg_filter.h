// The filter of one column of a process-monitor table view: Enable/Disable and one page of
// conditions (a number comparison, a text, or a mask of eight bits). Closing other than by
// Cancel writes the widgets back into the record, all fields at once after they were checked.
#pragma once
#include <QDialog>
#include <QStringList>

#include "widgets/column_filter.h"

class QCheckBox;
class QComboBox;
class QStackedWidget;
class c_my_rbg;
class c_qlineedit_extend;

class c_dlg_filter : public QDialog {
    Q_OBJECT
public:
    // The pages of the dialog, by their place in its page stack.
    enum filter_page { page_none = 0, page_number = 1, page_string = 2, page_bits = 3 };
    // The page and decimals for a column's filter kind: 0 number, 1 number with two
    // decimals, 2 bits, 3 a list of texts; any other kind has no page.
    static filter_page page_for_kind(int kind, int* decimals);

    explicit c_dlg_filter(QWidget* parent = nullptr);
    ~c_dlg_filter() override;

    // Loads the record; `texts` are the string page's items or the bits page's names (bit N
    // at index N; missing names stay "Bit N"). The record must outlive the dialog's run.
    void setFilter(column_filter_record& record, filter_page page, int decimals, const QStringList* texts);

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();
    void on_rbg_ColumnFilter_clicked();
    void on_cb_Operator_currentIndexChanged(int index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum close_code { close_none = 0, close_ok = 0x00000400, close_cancel = 0x00400000 };

    c_my_rbg* rbg_ColumnFilter = nullptr;
    QStackedWidget* stw_Filter = nullptr;
    QComboBox* cb_Operator = nullptr;
    c_qlineedit_extend* ebx_ValueLow = nullptr;
    c_qlineedit_extend* ebx_ValueHigh = nullptr;
    QComboBox* chb_String = nullptr;
    QCheckBox* bits_[8] = {};
    column_filter_record* record_ = nullptr;
    filter_page page_ = page_bits;
    int closeCode_ = close_none;
};
