// The parameters of one tool data header or recording header of the memory card: X tolerance,
// delay, idle, data and counter settings in read-only fields and the break, blunt and missing
// settings in a small table. The process monitor page owns two, for its current tool and its
// current recording; the panel never reads the card itself.
#pragma once
#include <QGroupBox>
#include <QStringList>
#include <cstdint>

class QLineEdit;
class c_qlineedit_extend;
class c_qtablewidget_functab;

class c_gbw_pm_toolinfo : public QGroupBox {
    Q_OBJECT
public:
    explicit c_gbw_pm_toolinfo(QWidget* parent = nullptr);

    // Shows a 512-byte header sector (flag byte, then the record). The page keeps the sector
    // alive while the panel shows it; null shows nothing in use.
    void setRecord(const uint8_t* sector512);

    // The eight cells of mode-table row `row` for a header sector.
    static void modeParCellText(int row, const uint8_t* sector512, QStringList* texts);

private:
    const uint8_t* record_ = nullptr;  // this panel's own sector: the two panels never share it
    QLineEdit* hex_[4] = {};            // X_Tol, Delay, Idle, Data, Counter options (below)
    QLineEdit* eb_CounterOptions = nullptr;
    c_qlineedit_extend* values_[9] = {};
    c_qtablewidget_functab* tbwx_ToolParam = nullptr;
};
