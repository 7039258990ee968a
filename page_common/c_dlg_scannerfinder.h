// The scanner finder: a modal assistant of the program window that chooses a wand, a scanner
// unit that fits it and one of the scanners scanners.cscan offers for the pair, and writes
// the choice into the working image (scanner number and wand/unit word).
#pragma once
#include <QColor>
#include <QDialog>
#include <QModelIndex>
#include <vector>

#include "page_common/scanner_finder_file.h"

namespace Ui {
class c_dlg_scannerfinder;
}

class c_dlg_scannerfinder : public QDialog {
    Q_OBJECT
public:
    // The finder's choice: indexes into the unit and wand tables (-1 none) and the scanner.
    struct selection {
        int unit = -1;
        int wand = -1;
        int scanner = 0;
        bool operator==(const selection& o) const { return unit == o.unit && wand == o.wand && scanner == o.scanner; }
        bool operator!=(const selection& o) const { return !(*this == o); }
    };

    // Reads scanners.cscan into the finder's tables.
    explicit c_dlg_scannerfinder(QWidget* parent = nullptr);
    ~c_dlg_scannerfinder() override;

    // Prepares the dialog for the working image's scanner and wand/unit word.
    void findForConfigured();
    // Fills the table from one set-up's scanner entries.
    void fill_setups_table(const std::vector<scanner_setup_entry>& entries);
    // The set-up offering the selected wand and unit, or -1.
    int find_setup() const;
    // True and the selection when a wand, a unit and a row are selected.
    bool read_selection(selection& out) const;

    bool unit_first() const { return unitFirst_; }
    const selection& result() const { return result_; }
    // The scanner number behind each table row.
    const std::vector<int>& row_scanners() const { return rowScanners_; }
    Ui::c_dlg_scannerfinder* form() const { return ui; }

    // The colour scale of the levels, green to red.
    static QColor level_colour(int index);
    // The background of a precision level; invalid (no background) beyond the mapped levels.
    static QColor precision_colour(int level);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void on_cb_WandSelect_currentIndexChanged(int index);
    void on_cb_SU_Select_currentIndexChanged(int index);
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();
    void on_tbwx_ScannerSetups_clicked(QModelIndex index);

private:
    void show_selection(int unit, int wand, int scanner);
    // Rebuilds the table for the selected pair and selects the scanner's row; `last_row`
    // keeps the last row current when none has the scanner, else no row is current.
    void refresh_table(bool last_row);
    void fill_wand_box(const std::vector<int>& wands);
    void fill_unit_box(const std::vector<int>& units);
    int selected_unit() const;
    int selected_wand() const;
    // The fitting units of a wand, the fitting wands of a unit.
    std::vector<int> units_of_wand(int wand) const;
    std::vector<int> wands_of_unit(int unit) const;
    // Writes the choice into the working image; false (host error 61) when it is incomplete
    // or does not fit the wand/unit word.
    bool take();

    Ui::c_dlg_scannerfinder* ui;
    std::vector<int> wandItems_;  // wand index behind each wand box item
    std::vector<int> unitItems_;  // unit index behind each unit box item
    std::vector<int> rowScanners_;
    selection result_;
    selection initial_;
    bool unitFirst_ = false;
    bool ignoreWand_ = false;
    bool ignoreUnit_ = false;
    bool preparing_ = false;
    bool takeOnClose_ = false;
};
