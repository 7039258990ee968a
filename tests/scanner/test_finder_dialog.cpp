// The scanner finder against tvxsim (profile premium-pm): the mode from the reported scanner,
// the boxes, the offered rows with their ranges and colours, the result in the working image
// and the rules of closing.
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>

#include "core/device/device_info.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "tests/scanner/scanner_sim_fixture.h"
#include "ui_c_dlg_scannerfinder.h"
#include "widgets/c_qtablewidget_seq.h"
#include "widgets/testing/scripted_ui.h"

namespace {

// Indexes in the installed scanners.cscan.
constexpr int su100 = 0, su200 = 1;
constexpr int wand_s10 = 0, wand_s20l = 1, wand_s30hd = 2;

int32_t image_word(uint32_t off) { return g_config_image().header().field(off); }
void set_image(int32_t scanner, int32_t word)
{
    g_config_image().header().set_field(16, scanner);
    g_config_image().header().set_field(300, word);
}

class ScannerFinder : public scanner_sim_test {
protected:
    void SetUp() override
    {
        scanner_sim_test::SetUp();
        if (HasFatalFailure())
            return;
        finder = std::make_unique<c_dlg_scannerfinder>();
    }
    void TearDown() override
    {
        finder.reset();
        scanner_sim_test::TearDown();
    }
    Ui::c_dlg_scannerfinder* f() { return finder->form(); }
    QString cell(int row, int col) { return f()->tbwx_ScannerSetups->item(row, col)->text(); }
    QColor background(int row, int col) { return f()->tbwx_ScannerSetups->item(row, col)->background().color(); }
    void pick_row(int row)
    {
        f()->tbwx_ScannerSetups->select_row(row);
        emit f()->tbwx_ScannerSetups->clicked(f()->tbwx_ScannerSetups->currentIndex());
    }
    QStringList items(QComboBox* box)
    {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }

    std::unique_ptr<c_dlg_scannerfinder> finder;
};

TEST_F(ScannerFinder, UnitFirstShowsTheReportedUnitAndOkWritesTheChoice)
{
    read_controller();
    set_image(0, 0);
    ui_testing::scripted_ui script;
    finder->findForConfigured();
    ASSERT_TRUE(finder->unit_first());
    EXPECT_EQ(f()->cb_SU_Select->currentText(), QString("5206719 SU-100"));
    EXPECT_FALSE(f()->cb_SU_Select->isEnabled());
    EXPECT_EQ(items(f()->cb_WandSelect),
              QStringList({"5206801 WAND-S10", "5206802 WAND-S20L", "5206804 WAND-B10"}));
    EXPECT_EQ(f()->cb_WandSelect->currentIndex(), -1);
    EXPECT_EQ(f()->l_SelectWandReq->text(), QString("Please select the wand ..."));
    EXPECT_EQ(f()->tbwx_ScannerSetups->rowCount(), 0);

    f()->cb_WandSelect->setCurrentIndex(wand_s10);
    EXPECT_TRUE(f()->l_SelectWandReq->text().isEmpty());
    // P005 lacks the Premium PM family bit: no row.
    EXPECT_EQ(finder->row_scanners(), (std::vector<int>{1, 2, 3}));
    // Scanner 0 stood for the auto-detected scanner, the controller's set 3.
    EXPECT_EQ(f()->tbwx_ScannerSetups->currentRow(), 2);
    EXPECT_EQ(cell(0, 0), QString("P001_S10_long"));
    EXPECT_EQ(cell(0, 2), QString("120-180"));
    EXPECT_EQ(cell(0, 3), QString("40-60"));
    EXPECT_EQ(cell(2, 2), QString("260-400"));  // P003: time level 3
    EXPECT_EQ(cell(2, 3), QString("60-90"));    //       force level 2
    EXPECT_EQ(cell(2, 4), QString("1-2"));
    EXPECT_EQ(background(0, 2), QColor(99, 190, 123));
    EXPECT_EQ(background(2, 2), QColor(168, 210, 127));
    EXPECT_EQ(background(2, 3), QColor(133, 200, 125));
    EXPECT_EQ(background(2, 4), QColor(237, 230, 131));  // precision 1 -> colour 4
    EXPECT_TRUE(f()->tbwx_ScannerSetups->isColumnHidden(4));

    f()->cb_WandSelect->setCurrentIndex(wand_s20l);
    EXPECT_EQ(finder->row_scanners(), (std::vector<int>{2, 3, 4, 9}));
    pick_row(3);
    finder->show();
    f()->bn_Close->click();
    EXPECT_FALSE(finder->isVisible());
    EXPECT_EQ(image_word(300), (wand_s20l + 1) | ((su100 + 1) << 8));
    EXPECT_EQ(image_word(16), 9);
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(ScannerFinder, ModeFollowsTheSourceAndTheReportedArticle)
{
    struct {
        const char* name;
        const char* article;  // parameter 77, or null to leave the text unread
        int source;
        bool unit_first;
    } cases[] = {
        {"controller with a known unit", "5206719", 1, true},
        {"unknown article", "1234567", 1, false},
        {"article never read", nullptr, 1, false},
        {"program from a file", "5206719", 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.article)
            ask(std::string("param 77 ") + c.article);
        read_controller(c.source);
        if (!c.article)
            g_device_info().scanner_article_text = "-----";
        set_image(2, 0);
        ui_testing::scripted_ui script;
        finder->findForConfigured();
        EXPECT_EQ(finder->unit_first(), c.unit_first);
        if (!c.unit_first) {
            EXPECT_EQ(f()->cb_WandSelect->count(), 5);
            EXPECT_EQ(f()->cb_WandSelect->currentIndex(), -1);
            EXPECT_EQ(f()->cb_SU_Select->count(), 0);
            EXPECT_TRUE(f()->cb_SU_Select->isEnabled());
            EXPECT_EQ(f()->l_SelectWandReq->text(), QString("1. Step: Please select the wand ..."));
            EXPECT_EQ(f()->l_SelectSU_Req->text(), QString("2. Step: Please select the scanner ..."));
            // Wand first: a wand offers its units; a unit then offers the rows.
            f()->cb_WandSelect->setCurrentIndex(wand_s10);
            EXPECT_EQ(items(f()->cb_SU_Select), QStringList({"5206719 SU-100", "5206720 SU-200"}));
            EXPECT_EQ(f()->tbwx_ScannerSetups->rowCount(), 0);
            f()->cb_SU_Select->setCurrentIndex(su200);
            EXPECT_EQ(finder->row_scanners(), (std::vector<int>{1, 2, 3}));
            EXPECT_EQ(f()->tbwx_ScannerSetups->currentRow(), 1);  // scanner 2
            EXPECT_EQ(cell(0, 2), QString("90-140"));
        }
        EXPECT_TRUE(script.verify_consumed());
    }
}

TEST_F(ScannerFinder, ConfiguredWordIsShownOrRefusedByTheReportedUnit)
{
    read_controller();
    {
        set_image(4, (wand_s20l + 1) | ((su100 + 1) << 8));
        ui_testing::scripted_ui script;
        finder->findForConfigured();
        EXPECT_EQ(f()->cb_WandSelect->currentText(), QString("5206802 WAND-S20L"));
        EXPECT_EQ(finder->row_scanners(), (std::vector<int>{2, 3, 4, 9}));
        EXPECT_EQ(f()->tbwx_ScannerSetups->currentRow(), 2);
        EXPECT_TRUE(script.verify_consumed());
    }
    {
        set_image(4, (wand_s10 + 1) | ((su200 + 1) << 8));
        ui_testing::scripted_ui script;
        script.expect_warning("The connected scanner does not match with the configured scanner!");
        finder->findForConfigured();
        EXPECT_EQ(f()->cb_SU_Select->currentText(), QString("5206719 SU-100"));
        EXPECT_EQ(f()->cb_WandSelect->currentIndex(), -1);
        EXPECT_EQ(f()->tbwx_ScannerSetups->rowCount(), 0);
        EXPECT_EQ(finder->result().wand, -1);
        EXPECT_TRUE(script.verify_consumed());
    }
}

// A wand chosen clears the wand hint only: the unit hint stays as the preparation left it,
// whatever the unit box then selects.
TEST_F(ScannerFinder, ChoosingAWandClearsTheWandHintOnly)
{
    read_controller(2);  // a program from a file: wand first
    struct {
        const char* name;
        int32_t word;
        int wand;
        const char* unit_hint;  // after the preparation, and still after the wand is chosen
        int unit_item;          // the unit box's item after the wand is chosen
    } cases[] = {
        // The configured unit is not one of the configured wand's: the hint asks for it, and
        // stays when the next wand offers it.
        {"configured unit not offered", (wand_s30hd + 1) | ((su100 + 1) << 8), wand_s10,
         "2. Step: Please select the scanner ...", 0},
        {"no configured unit", 0, wand_s20l, "2. Step: Please select the scanner ...", -1},
        {"configured unit offered", (wand_s10 + 1) | ((su200 + 1) << 8), wand_s20l, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set_image(2, c.word);
        ui_testing::scripted_ui script;
        finder->findForConfigured();
        ASSERT_FALSE(finder->unit_first());
        EXPECT_EQ(f()->l_SelectSU_Req->text(), QString(c.unit_hint));
        f()->cb_WandSelect->setCurrentIndex(c.wand);
        EXPECT_TRUE(f()->l_SelectWandReq->text().isEmpty());
        EXPECT_EQ(f()->cb_SU_Select->currentIndex(), c.unit_item);
        EXPECT_EQ(f()->l_SelectSU_Req->text(), QString(c.unit_hint));
        EXPECT_TRUE(script.verify_consumed());
    }
}

// A scanner is offered only to the device family whose bit (15 + the family code's high
// nibble) its list code carries: two scanners, each with the bit of one family.
TEST_F(ScannerFinder, ARowAppearsOnlyForTheFamilyWhoseBitItCarries)
{
    read_controller();
    set_image(1, 0);
    ui_testing::scripted_ui script;
    finder->findForConfigured();
    f()->cb_WandSelect->setCurrentIndex(wand_s10);
    const uint8_t saved = g_device().family_code;
    g_scanner_lists().codes[1] = uint32_t(1) << (16 + 1);  // family 0x2x
    g_scanner_lists().codes[2] = uint32_t(1) << (16 + 2);  // family 0x3x
    struct {
        uint8_t family;
        std::vector<int> rows;
    } cases[] = {{0x20, {1}}, {0x24, {1}}, {0x30, {2}}, {0x10, {}}, {0x40, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.family));
        g_device().family_code = c.family;
        finder->fill_setups_table({{1, 1, 1, 0}, {2, 1, 1, 0}});
        EXPECT_EQ(finder->row_scanners(), c.rows);
    }
    g_device().family_code = saved;
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(ScannerFinder, RowsAreBoundedByTheListAndTheColourTable)
{
    read_controller();
    set_image(1, 0);
    ui_testing::scripted_ui script;
    finder->findForConfigured();
    f()->cb_WandSelect->setCurrentIndex(wand_s10);
    // A number at or past the scanner count gets no row; precision levels past the colour
    // map get no background; a level a unit never gave reads 0-0.
    finder->fill_setups_table({{11, 0, 0, 0}, {uint16_t(g_scanner_lists().count), 0, 0, 0}, {1, 9, 0, 5}});
    ASSERT_EQ(finder->row_scanners(), (std::vector<int>{1}));
    EXPECT_EQ(cell(0, 2), QString("0-0"));
    EXPECT_EQ(background(0, 2), QColor(248, 105, 107));
    EXPECT_EQ(f()->tbwx_ScannerSetups->item(0, 4)->background().style(), Qt::NoBrush);
    EXPECT_FALSE(c_dlg_scannerfinder::precision_colour(9).isValid());
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(ScannerFinder, OkWithoutARowGivesHostError61AndStays)
{
    read_controller();
    set_image(0, 0);
    ui_testing::scripted_ui script;
    finder->findForConfigured();
    finder->show();
    script.expect_box_containing(ui::box_kind::critical, "ERROR", "Not all controls are selected");
    f()->bn_Close->click();
    EXPECT_TRUE(finder->isVisible());
    // A row without a wand is no selection either.
    f()->cb_WandSelect->setCurrentIndex(wand_s10);
    f()->tbwx_ScannerSetups->clearSelection();
    script.expect_box_containing(ui::box_kind::critical, "ERROR", "Not all controls are selected");
    f()->bn_Close->click();
    EXPECT_TRUE(finder->isVisible());
    EXPECT_EQ(image_word(300), 0);
    EXPECT_TRUE(script.verify_consumed());
    finder->reject();
}

TEST_F(ScannerFinder, CloseRules)
{
    read_controller();
    struct {
        const char* name;
        bool change;     // pick another row before closing
        bool by_cancel;  // the Cancel button instead of the frame
        int answer;      // to "Save changed data set?", 0 = no question
        bool taken;
        bool open;
    } cases[] = {
        {"changed, Yes takes", true, false, ui::yes, true, false},
        {"changed, No closes", true, false, ui::no, false, false},
        {"changed, Cancel stays", true, false, ui::cancel, false, true},
        {"unchanged frame close is silent", false, false, 0, false, false},
        {"Cancel button takes nothing", true, true, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t word = (wand_s10 + 1) | ((su100 + 1) << 8);
        set_image(2, word);
        ui_testing::scripted_ui script;
        finder->findForConfigured();
        finder->show();
        if (c.change)
            pick_row(2);
        if (c.answer)
            script.expect_question("Save changed data set?", c.answer);
        if (c.by_cancel)
            f()->bn_Cancel->click();
        else
            finder->close();
        EXPECT_EQ(finder->isVisible(), c.open);
        EXPECT_EQ(image_word(16), c.taken ? 3 : 2);
        EXPECT_EQ(image_word(300), word);
        EXPECT_TRUE(script.verify_consumed());
        finder->hide();
    }
}

}  // namespace
