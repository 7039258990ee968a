// The scanner parameter page against tvxsim: the record built from the form, Save and Save As
// to a user set or a *.sp file, the leave check, and the form shown from the working record.
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

#include "core/files/app_dirs.h"
#include "core/files/parameter_files.h"
#include "core/files/scanner_params.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "scanner/c_dlgw_scannerfull.h"
#include "state/shell_state.h"
#include "tests/scanner/scanner_sim_fixture.h"
#include "ui_c_dlg_srcauswahl.h"
#include "ui_c_dlgw_scannerfull.h"
#include "widgets/c_my_rbg.h"
#include "widgets/testing/scripted_ui.h"

namespace {

// The fields stored as typed: widget name (without "ebx_") and record offset.
const std::pair<const char*, int> typed_fields[] = {
    {"KsFactor", 16},      {"KsFactorShift", 20},  {"KsFactorBack", 24},   {"KvFactor", 28},
    {"KvFactorShift", 32}, {"PulsePerRound", 36},  {"PulseZeroDif", 40},   {"PulseMin", 44},
    {"Pulse4Deg", 48},     {"PulseMax", 52},       {"PulseSlowDown", 56},  {"MaxTo", 60},
    {"MaxBack", 64},       {"Inc", 68},            {"V_MaxTo", 104},       {"V_MaxBackStart", 108},
    {"V_MaxBackEnd", 112}, {"V_MaxBackInc", 116},  {"V_Accelerate", 120},  {"V_MaxIdle", 124},
    {"V_MaxPpms", 128},    {"StartTime", 164},     {"StopTime", 168},      {"StopIdleTime", 172},
    {"I_MaxTime", 176},    {"I_Max", 180},         {"PWM", 192},           {"V_Min", 196},
    {"V_Max", 200},
};

std::string hex(const scanner_record& r)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t b : r.bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

class ScannerPage : public scanner_sim_test {
protected:
    void SetUp() override
    {
        scanner_sim_test::SetUp();
        page = std::make_unique<c_dlgw_scannerfull>();
    }
    void TearDown() override
    {
        page.reset();
        scanner_sim_test::TearDown();
    }
    Ui::c_dlgw_scannerfull* f() { return page->form(); }
    c_qlineedit_extend* edit(const char* name)
    {
        return page->findChild<c_qlineedit_extend*>(QStringLiteral("ebx_") + QLatin1String(name));
    }
    // Distinct values in every typed field, intensity 100 + k x 25, speed 2000 - k x 3,
    // option bits 1, 0, 1, 1, 0.
    void type_form(const QString& name)
    {
        f()->eb_Name->setText(name);
        for (const auto& fld : typed_fields)
            edit(fld.first)->setText(QString::number(fld.second * 1000 - 70000));
        f()->ebx_IntensityMin->setText("100");
        f()->ebx_IntensityMax->setText("25");
        f()->ebx_V_IntensityMin->setText("2000");
        f()->ebx_V_IntensityMax->setText("-3");
        const int options[5] = {1, 0, 1, 1, 0};
        c_my_rbg* groups[] = {f()->rbg_EncoderCanal, f()->rbg_MotorLaufRichtung, f()->rbg_ScannerType,
                              f()->rbg_FastScanner, f()->rbg_KvMode};
        for (int i = 0; i < 5; ++i)
            groups[i]->setIndex(options[i]);
    }
    // The record type_form stands for, built by hand.
    static scanner_record typed_record(const QString& name, const scanner_record& base = {})
    {
        scanner_record r = base;
        r.set_name(name);
        for (const auto& fld : typed_fields)
            r.set_word(fld.second, fld.second * 1000 - 70000);
        const int intensity[8] = {100, 275, 125, 150, 175, 200, 225, 250};  // offsets 72, 76, 80..100
        const int speed[8] = {2000, 1979, 1997, 1994, 1991, 1988, 1985, 1982};
        for (int i = 0; i < 8; ++i) {
            r.set_word(72 + 4 * i, intensity[i]);
            r.set_word(132 + 4 * i, speed[i]);
        }
        r.set_word(184, 0x0D);
        return r;
    }
    // Scripts the data source dialog of a Save As: answered by a click on `button`.
    void expect_source(ui_testing::scripted_ui& script, const char* button, int user_set = 0)
    {
        script.expect_modal("c_dlg_srcauswahl", [=](QWidget* d) {
            auto* dlg = static_cast<c_dlg_srcauswahl*>(d);
            EXPECT_EQ(dlg->save_dialog()->nameFilters(), QStringList("TVX Scanner Parameter (*.SP)"));
            EXPECT_EQ(dlg->save_dialog()->defaultSuffix(), QString("sp"));
            dlg->form()->rbg_UP_Nr->setIndex(user_set);
            dlg->findChild<QPushButton*>(button)->click();
            return dlg->result();
        });
    }
    void document(int source, int user_set, const QString& file)
    {
        g_scanner_params().source = source;
        g_scanner_params().user_set = user_set;
        g_scanner_params().file_name = file;
    }
    QString cd_data(const QString& name) { return data_file("cd_data/" + name); }

    std::unique_ptr<c_dlgw_scannerfull> page;
};

TEST_F(ScannerPage, ReadFormBuildsTheExactRecord)
{
    scanner_record rec;
    for (int off : {188, 204, 210, 223})
        rec.bytes[size_t(off)] = 0xAB;  // words the page does not write
    const scanner_record base = rec;
    type_form("WAND-A");
    page->read_form(rec);
    EXPECT_EQ(hex(rec), hex(typed_record("WAND-A", base)));
    EXPECT_EQ(g_scanner_params().title, QString("WAND-A"));

    struct {
        const char* name;
        int min, inc;
        int steps[8];  // offsets 72 / 132, step 7, steps 1 to 6
    } cases[] = {
        {"increment 0", 100, 0, {100, 100, 100, 100, 100, 100, 100, 100}},
        {"negative increment", 100, -15, {100, -5, 85, 70, 55, 40, 25, 10}},
        // Single precision: 16777217 is 2^24 + 1, which a float cannot hold.
        {"single precision", 16777217, 1,
         {16777217, 16777224, 16777216, 16777218, 16777220, 16777220, 16777220, 16777222}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        f()->ebx_IntensityMin->setText(QString::number(c.min));
        f()->ebx_IntensityMax->setText(QString::number(c.inc));
        f()->ebx_V_IntensityMin->setText(QString::number(c.min));
        f()->ebx_V_IntensityMax->setText(QString::number(c.inc));
        page->read_form(rec);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(rec.word(72 + 4 * i), c.steps[i]) << i;
            EXPECT_EQ(rec.word(132 + 4 * i), c.steps[i]) << i;
        }
    }
    // Sums beyond 32 bits are held at the end of the range.
    f()->ebx_IntensityMin->setText("2000000000");
    f()->ebx_IntensityMax->setText("1000000000");
    page->read_form(rec);
    EXPECT_EQ(rec.word(76), INT32_MAX);
}

TEST_F(ScannerPage, NameTakesFifteenCharacters)
{
    type_form("");
    f()->eb_Name->setText("ABCDEFGHIJKLMNOPQRST");
    scanner_record rec;
    page->read_form(rec);
    EXPECT_EQ(rec.name(), QString("ABCDEFGHIJKLMNO"));
    EXPECT_EQ(rec.bytes[15], 0);
    EXPECT_EQ(rec.word(16), 16 * 1000 - 70000);
}

TEST_F(ScannerPage, SaveWritesUserSetOnceAndOnlyWhenChanged)
{
    read_controller();
    document(1, 1, QString());
    ui_testing::scripted_ui script;
    page->show();
    type_form("WAND-A");
    script.expect_information("Save Data to Tarvix successfull!");
    page->on_bn_Save_clicked();
    EXPECT_EQ(set_bytes("0x81"), hex(typed_record("WAND-A")));
    EXPECT_EQ(set_bytes("0x80"), "missing");
    EXPECT_EQ(g_scanner_params().device_copy, g_scanner_params().user);
    EXPECT_EQ(page->windowTitle(), QString("Control-Parameter  / Controller"));
    forget();
    page->on_bn_Save_clicked();
    EXPECT_EQ(requests_since_forget(0x09), 0u);
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(ScannerPage, FormShowsTheWorkingRecordEachTimeThePageIsShown)
{
    const scanner_record r = typed_record("SHOWN");
    g_scanner_params().user = r;
    g_scanner_params().device_copy = r;
    ui_testing::scripted_ui script;
    page->show();
    EXPECT_EQ(f()->eb_Name->text(), QString("SHOWN"));
    EXPECT_EQ(f()->ebx_IntensityMax->value(), 25);
    EXPECT_EQ(f()->ebx_V_IntensityMax->value(), -3);
    EXPECT_EQ(f()->rbg_FastScanner->index(), 1);
    // Leaving without an edit asks nothing and writes nothing.
    EXPECT_TRUE(page->confirm_return());
    EXPECT_EQ(g_scanner_params().user, r);
    page->hide();
    g_scanner_params().user.set_name("OTHER");
    page->show();
    EXPECT_EQ(f()->eb_Name->text(), QString("OTHER"));
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(ScannerPage, ConfirmReturn)
{
    read_controller();
    struct {
        const char* name;
        bool clear;        // Clear Scanner pressed
        const char* type;  // name typed into the form, or null for no edit
        int answer;        // to the question, 0 = none asked
        const char* fault; // armed for the block write
        bool result;
        bool set1_after;   // user set 1 exists afterwards
        bool written;      // user set 1 holds the typed record
    } cases[] = {
        {"clear, Yes", true, nullptr, ui::yes, nullptr, true, false, false},
        {"clear, No", true, nullptr, ui::no, nullptr, true, true, false},
        {"clear, Cancel", true, nullptr, ui::cancel, nullptr, false, true, false},
        {"unchanged", false, nullptr, 0, nullptr, true, true, false},
        {"changed, No", false, "NEW1", ui::no, nullptr, true, true, false},
        {"changed, Cancel", false, "NEW1", ui::cancel, nullptr, false, true, false},
        {"changed, Yes, empty name", false, "", ui::yes, nullptr, false, true, false},
        {"changed, Yes, write refused", false, "NEW1", ui::yes, "error type=0x09 skip=1 code=15", false, true, false},
        {"changed, Yes, no reply", false, "NEW1", ui::yes, "drop type=0x09 skip=2", false, true, false},
        {"changed, Yes", false, "NEW1", ui::yes, nullptr, true, true, true},
        // Last: the controller does not come back.
        {"changed, Yes, unplugged", false, "NEW1", ui::yes, "unplug type=0x09 skip=1", false, true, false},
    };
    const scanner_record stored = typed_record("STORED");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // User set 1 holds STORED, and so do the working record and its device copy.
        document(1, 1, QString());
        g_scanner_params().user = stored;
        {
            ui_testing::scripted_ui quiet;
            quiet.expect_information("Save Data to Tarvix successfull!");
            error_record e;
            ASSERT_TRUE(send_scanner_parameters(false, e));
        }
        ui_testing::scripted_ui script;
        page->show();
        if (c.type) {
            f()->eb_Name->setText(c.type);
            f()->ebx_PWM->setText("4711");
        }
        if (c.clear)
            f()->bn_ClearScanner->click();
        if (c.clear)
            script.expect_question("Sollen die  User-Scanner-Parameter im TVX wirklich geloescht werden?", c.answer);
        else if (c.answer)
            script.expect_question("Save changed data set?", c.answer);
        if (c.answer == ui::yes && c.clear)
            script.expect_information("Save Data to Tarvix successfull!");
        if (c.answer == ui::yes && !c.clear && c.type && !*c.type)
            script.expect_box(ui::box_kind::warning, "ERROR",
                              "Das Feld \"Name\" muss programmiert werden (max 15 Zeichen)!");
        if (c.fault) {
            ask(std::string("fault ") + c.fault);
            script.expect_box_containing(ui::box_kind::critical, "ERROR", "");
        } else if (c.answer == ui::yes && !c.clear && c.type && *c.type) {
            script.expect_information("Save Data to Tarvix successfull!");
        }
        EXPECT_EQ(page->confirm_return(), c.result);
        EXPECT_FALSE(page->clear_requested());
        ask("faults-clear");
        const std::string set1 = set_bytes("0x81");
        EXPECT_EQ(set1 != "missing", c.set1_after);
        if (c.written) {
            scanner_record expect = stored;
            expect.set_name("NEW1");
            expect.set_word(192, 4711);
            EXPECT_EQ(set1, hex(expect));
            EXPECT_EQ(g_scanner_params().device_copy, expect);
        } else if (c.set1_after && !c.fault) {
            EXPECT_EQ(set1, hex(stored));
        }
        if (c.fault) {
            // The working record is the device copy again; the form keeps what was typed.
            EXPECT_EQ(g_scanner_params().user, g_scanner_params().device_copy);
            EXPECT_EQ(f()->eb_Name->text(), QString("NEW1"));
        }
        if (c.answer == ui::no && !c.clear) {
            EXPECT_EQ(g_scanner_params().device_copy, stored);
            EXPECT_EQ(g_scanner_params().user.name(), QString("NEW1"));
        }
        EXPECT_TRUE(script.verify_consumed());
        page->hide();
    }
}

TEST_F(ScannerPage, SaveAsToFilesAndBack)
{
    read_controller();
    ui_testing::scripted_ui script;
    page->show();

    // Rejected: the document is as the form left it before the dialog; nothing is written.
    document(1, 1, QString());
    type_form("CHANGED");
    script.expect_modal("c_dlg_srcauswahl", [](QWidget* d) {
        static_cast<c_dlg_srcauswahl*>(d)->findChild<QPushButton*>("bn_File")->click();  // chosen, then
        g_scanner_params().file_name = "elsewhere";                                     // the run rejected
        return int(QDialog::Rejected);
    });
    page->on_bn_SaveAs_clicked();
    EXPECT_EQ(g_scanner_params().source, 1);
    EXPECT_EQ(g_scanner_params().user_set, 1);
    EXPECT_TRUE(g_scanner_params().file_name.isEmpty());
    EXPECT_EQ(g_scanner_params().title, QString("CHANGED"));
    EXPECT_EQ(g_shell().window_mode, int(wm_start));

    // From the controller with no name: host error 28, nothing written, document restored.
    document(1, 1, QString());
    type_form("");
    expect_source(script, "bn_File");
    script.expect_box_containing(ui::box_kind::critical, "ERROR", "Das Eingabefeld \"Name\" ist noch leer");
    page->on_bn_SaveAs_clicked();
    EXPECT_EQ(g_scanner_params().source, 1);
    EXPECT_TRUE(QDir(data_file("cd_data")).entryList(QDir::Files).isEmpty());

    // From the controller with a name: <data>/cd_data/NEW.sp of 224 bytes.
    type_form("NEW");
    expect_source(script, "bn_File");
    script.expect_information("File save successfull!");
    page->on_bn_SaveAs_clicked();
    QFile f1(cd_data("NEW.sp"));
    ASSERT_TRUE(f1.open(QIODevice::ReadOnly));
    EXPECT_EQ(f1.readAll(), QByteArray(reinterpret_cast<const char*>(typed_record("NEW").bytes.data()), 224));
    EXPECT_EQ(g_scanner_params().source, 2);
    EXPECT_EQ(page->windowTitle(), QString("Control-Parameter  / NEW.sp"));

    // A "/" in the name stays inside cd_data.
    document(1, 0, QString());
    type_form("a/b");
    expect_source(script, "bn_File");
    script.expect_information("File save successfull!");
    page->on_bn_SaveAs_clicked();
    EXPECT_TRUE(QFile::exists(cd_data("a_b.sp")));
    EXPECT_FALSE(QDir(cd_data("a")).exists());

    // The file document renamed after the record: old.sp stays, NEW2.sp is written beside it.
    const QString old = cd_data("old.sp");
    {
        QFile o(old);
        ASSERT_TRUE(o.open(QIODevice::WriteOnly));
        o.write(QByteArray(224, '\0'));
    }
    document(2, 0, old);
    g_scanner_params().device_copy = scanner_record{};
    type_form("NEW2");
    script.expect_information("File save successfull!");
    page->on_bn_Save_clicked();
    EXPECT_EQ(QFileInfo(cd_data("NEW2.sp")).size(), 224);
    EXPECT_EQ(g_scanner_params().file_name, cd_data("NEW2.sp"));
    EXPECT_EQ(QFileInfo(old).size(), 224);

    // Back to the controller: the dialog's user set 1 receives the record.
    type_form("BACK");
    expect_source(script, "bn_Tarvix", 1);
    script.expect_information("Save Data to Tarvix successfull!");
    page->on_bn_SaveAs_clicked();
    EXPECT_EQ(set_bytes("0x81"), hex(typed_record("BACK")));
    EXPECT_EQ(g_scanner_params().source, 1);
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
