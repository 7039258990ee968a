// The samples of one record of the memory card, row by row in decimal and hexadecimal,
// optionally beside the samples of a second record with their difference. The samples are
// read from the open card before the dialog shows; the table makes its cell texts only for
// the rows on screen, so a full record of 1,799,936 samples opens at once.
#pragma once
#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <vector>

class c_qtableview_functab;

class c_dlg_pm_data : public QDialog {
    Q_OBJECT
public:
    explicit c_dlg_pm_data(QWidget* parent = nullptr);
    ~c_dlg_pm_data() override;

    // Reads series 1 (a recording or a tool) and, with count2 other than 0, tool index2 as
    // series 2 from the open card. False when a read fails (the table stays empty).
    bool set_data(bool isRecording, int32_t count1, int32_t index1, int32_t count2, int32_t index2);
    // The six cells of row r.
    void rowText(int r, QStringList* texts) const;

    c_qtableview_functab* table() const { return tbwx_PM_Data; }
    int row_count() const { return rows_; }

private:
    c_qtableview_functab* tbwx_PM_Data = nullptr;
    std::vector<uint16_t> series1_, series2_;
    bool twoSeries_ = false;
    int rows_ = 0;
    std::vector<uint8_t> rowIds_;  // one byte per row: the array the table view walks
};
