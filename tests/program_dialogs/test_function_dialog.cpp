// The function dialog: its number and mode lists, the close rule on the edit buffer, the
// mode handler, values the lists cannot show, Teach, the tolerance colour and the hand-off
// to the area dialog.
#include <QLabel>

#include "core/image/device_function_record.h"
#include "core/image/function_rows.h"
#include "core/protocol/device_protocol.h"
#include "dialogs_fixture.h"
#include "program_dialogs/c_dlg_area.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "state/link_state.h"
#include "ui_c_dlg_area.h"
#include "ui_c_dlg_prgfunction.h"

namespace dp = device_protocol;
using namespace dialogs_testing;

namespace {

struct function_dialog_test : dialogs_test {
    void SetUp() override
    {
        dialogs_test::SetUp();
        d = function_dialog();
        ASSERT_NE(d, nullptr);
        u = d->form();
    }
    // Opens the dialog on function n of the image, or on a new function (-1).
    bool open(int n)
    {
        cluster_edit_buffer& b = g_cluster_edit_buffer();
        if (n < 0) {
            b.records[0] = function_record_clear(g_config_image().header());
        } else {
            const const_function_record r = g_config_image().function(uint32_t(n));
            std::copy(r.data(), r.data() + image_layout::function_size, b.records[0].begin());
        }
        b.index = n;
        return d->showFunction();
    }
    void pick_mode(int32_t code) { u->cb_TS_Mode->setCurrentIndex(u->cb_TS_Mode->findData(code)); }
    // A record as the controller gives it: reserved words 0, the fields the form shows.
    static function_record_bytes plain_record(int32_t mode, const char* name = "Drill A")
    {
        function_record_bytes b{};
        function_record r(b.data());
        r.set_in_use(true);
        r.set_chars(fr::name, fr::name_size, name);
        r.set_field(fr::mode, mode);
        r.set_field(fr::teach_limit, 27000);
        r.set_field(fr::tolerance, 300);
        r.set_field(fr::object_pos, 1234);
        r.set_field(fr::out1, 1);
        r.set_field(fr::out2, 2);
        r.set_field(fr::next_func, -1);
        r.set_field(fr::ko_func, -1);
        return b;
    }

    c_dlg_prgfunction* d = nullptr;
    Ui::c_dlg_prgfunction* u = nullptr;
};

TEST_F(function_dialog_test, number_list_offers_the_free_numbers_and_the_edited_one)
{
    use({0, 1, 2, 5});
    ASSERT_TRUE(open(-1));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("New Function Settings "));
    EXPECT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("3"));
    EXPECT_EQ(u->cb_TS_ToolNr->count(), 508);
    EXPECT_EQ(u->cb_TS_ToolNr->findText(QStringLiteral("5")), -1);
    EXPECT_EQ(u->cb_TS_Mode->count(), 8);

    ASSERT_TRUE(open(5));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Edit Function Settings "));
    EXPECT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("5"));
    EXPECT_EQ(u->cb_TS_ToolNr->count(), 509);

    g_device().variant_bit2 = 1;
    ASSERT_TRUE(open(-1));
    EXPECT_EQ(u->cb_TS_ToolNr->count(), 60);
    EXPECT_EQ(u->cb_TS_ToolNr->itemText(59), QStringLiteral("63"));
    EXPECT_EQ(u->cb_TS_Mode->count(), 3);
}

enum class change { none, number, name };
enum class press { ok, cancel, close_box };

struct close_case {
    const char* name;
    int edited;  // -1: a new function
    change what;
    press how;
    int answer;
    int32_t index_after;
    const char* name_after;
    bool stays_open;
};

const close_case close_cases[] = {
    {"close_box_unchanged_asks_nothing", 5, change::none, press::close_box, 0, 5, "5", false},
    {"number_only_counts_as_change_yes_moves", 5, change::number, press::close_box, ui::yes, 6, "5", false},
    {"changed_no_keeps_buffer", 5, change::name, press::close_box, ui::no, 5, "5", false},
    {"changed_cancel_stays_open", 5, change::name, press::close_box, ui::cancel, 5, "5", true},
    {"changed_yes_takes_over", 5, change::name, press::close_box, ui::yes, 5, "Tap", false},
    {"ok_takes_over_without_asking", 5, change::name, press::ok, 0, 5, "Tap", false},
    {"cancel_discards", 5, change::name, press::cancel, 0, 5, "5", false},
    // A default record's reserved words are 0xFF, the form's 0: a new function always asks.
    {"new_close_box_always_asks", -1, change::none, press::close_box, ui::no, -1, "", false},
};

struct function_close_rule : function_dialog_test, ::testing::WithParamInterface<close_case> {};

TEST_P(function_close_rule, edits_the_buffer_by_the_close_rule)
{
    const close_case& c = GetParam();
    use({0, 1, 2, 3, 4});
    // Reserved words 0, as the form writes them: an unchanged form equals it.
    function_record_bytes five = default_function();
    std::fill(five.begin() + fr::reserved, five.end(), uint8_t(0));
    function_record(five.data()).set_name("5");
    put(5, five);
    if (c.answer)
        script.expect_question(save_question, c.answer);
    ASSERT_TRUE(open(c.edited));
    d->show();
    if (c.what == change::number)
        u->cb_TS_ToolNr->setCurrentIndex(u->cb_TS_ToolNr->findText(QStringLiteral("6")));
    if (c.what == change::name)
        u->eb_TS_ToolName->setText(QStringLiteral("Tap"));
    switch (c.how) {
    case press::ok: u->bn_Close->click(); break;
    case press::cancel: u->bn_Cancel->click(); break;
    case press::close_box: d->close(); break;
    }
    const cluster_edit_buffer& b = g_cluster_edit_buffer();
    EXPECT_EQ(d->isVisible(), c.stays_open);
    EXPECT_EQ(b.index, c.index_after);
    EXPECT_EQ(b.record(0).name(), c.name_after);
    EXPECT_EQ(d->close_code(), c.how == press::cancel ? close_discard : close_by_window);
    d->hide();
    EXPECT_TRUE(script.verify_consumed());
}

INSTANTIATE_TEST_SUITE_P(table, function_close_rule, ::testing::ValuesIn(close_cases),
                         [](const ::testing::TestParamInfo<close_case>& i) { return std::string(i.param.name); });

TEST_F(function_dialog_test, monitor_mode_drops_position_and_check_mode_brings_it_back)
{
    function_record_bytes r = plain_record(1);
    function_record(r.data()).set_field(fr::back_mode, 4);
    function_record(r.data()).set_field(fr::back_angle, 500);
    put(5, r);
    ASSERT_TRUE(open(5));
    EXPECT_EQ(u->cb_TS_BackMode->count(), 5);
    EXPECT_EQ(u->cb_TS_BackMode->currentIndex(), 4);

    pick_mode(4);
    EXPECT_EQ(u->cb_TS_BackMode->count(), 4);
    EXPECT_EQ(u->cb_TS_BackMode->currentIndex(), 0);
    EXPECT_FALSE(u->chb_TS_KO_Latch->isHidden());
    EXPECT_FALSE(u->bn_Area->isHidden());
    EXPECT_EQ(u->ebx_TS_BackAngle->value(), 0);

    pick_mode(1);
    EXPECT_EQ(u->cb_TS_BackMode->count(), 5);
    EXPECT_EQ(u->cb_TS_BackMode->itemText(4), QStringLiteral("Position"));
    EXPECT_TRUE(u->chb_TS_KO_Latch->isHidden());
    EXPECT_EQ(u->ebx_TS_BackAngle->text(), QStringLiteral("0.01"));
}

TEST_F(function_dialog_test, labels_ranges_and_area_panel_follow_the_mode)
{
    // Bounds as scaled values: an entry beyond one clamps to it.
    struct bounds {
        int32_t min, max;
    };
    struct row {
        int32_t mode;
        const char *back_label, *object_label, *area_label, *back_text;
        bool object_shown, area_shown, area_enabled, area_button;
        bounds back, object, area;
    };
    const bounds angle{-32767, 32767}, position{-1000000, 1000000};
    const row rows[] = {
        {1, "ReturnPos", "ObjectPos", "Warning Min", "12.34", true, false, false, false, angle, position, angle},
        {4, "Stay Time [s]", "ObjectPos", "Warning Min", "123.4", false, true, false, true, {0, 65000}, position, angle},
        {7, "Stay Time [s]", "ObjectPos", "Warning Min", "123.4", true, true, false, true, {0, 65000}, position, angle},
        {128, "PWM [0..1000]", "MaxTestRange", "StrtMeasure", "1234", true, true, true, false,
         {0, 65000}, {-65000, 65000}, {0, 65000}},
        {129, "DelayTime [s]", "ObjectPos", "Warning Min", "12.34", true, false, false, false, angle, position, angle},
    };
    const auto entered = [](c_qlineedit_extend* e, const char* text) {
        e->setText(QString::fromLatin1(text));
        return e->value();
    };
    for (const row& c : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        function_record_bytes r = plain_record(c.mode);
        function_record(r.data()).set_field(fr::back_angle, 1234);
        put(5, r);
        ASSERT_TRUE(open(5));
        EXPECT_EQ(u->cb_TS_Mode->currentText().toStdString(), function_mode_text(c.mode));
        EXPECT_EQ(u->l_BackAngle->text(), QString::fromLatin1(c.back_label));
        EXPECT_EQ(u->l_TS_ObjectAngle->text(), QString::fromLatin1(c.object_label));
        EXPECT_EQ(u->l_TS_Area_1a->text(), QString::fromLatin1(c.area_label));
        EXPECT_EQ(u->ebx_TS_BackAngle->text(), QString::fromLatin1(c.back_text));
        EXPECT_EQ(!u->ebx_TS_ObjectAngle->isHidden(), c.object_shown);
        EXPECT_EQ(!u->P_Area->isHidden(), c.area_shown);
        EXPECT_EQ(u->ebx_TS_Area_1a->isEnabled(), c.area_enabled);
        EXPECT_EQ(!u->bn_Area->isHidden(), c.area_button);
        EXPECT_EQ(entered(u->ebx_TS_BackAngle, "70000"), c.back.max);
        EXPECT_EQ(entered(u->ebx_TS_BackAngle, "-70000"), c.back.min);
        EXPECT_EQ(entered(u->ebx_TS_ObjectAngle, "70000"), c.object.max);
        EXPECT_EQ(entered(u->ebx_TS_ObjectAngle, "-70000"), c.object.min);
        for (c_qlineedit_extend* area : {u->ebx_TS_Area_1a, u->ebx_TS_Area_1b, u->ebx_TS_Area_2a, u->ebx_TS_Area_2b}) {
            EXPECT_EQ(entered(area, "70000"), c.area.max) << area->objectName().toStdString();
            EXPECT_EQ(entered(area, "-70000"), c.area.min) << area->objectName().toStdString();
        }
    }
}

// Records from a file or the controller that the lists cannot show go back unchanged when
// the user presses Ok without editing them.
TEST_F(function_dialog_test, values_without_list_items_are_shown_and_kept)
{
    struct row {
        const char* what;
        int32_t mode, next, ko;
        const char* name;
        bool short_list;
        const char* shown;  // the text the mode list shows
    };
    const row rows[] = {
        {"measuring mode 128", 128, -1, -1, "Drill A", false, nullptr},
        {"measuring mode 132", 132, -1, -1, "Drill A", false, nullptr},
        {"next function 600", 1, 600, -1, "Drill A", false, nullptr},
        {"next function -5, KO 700", 1, -5, 700, "Drill A", false, nullptr},
        {"name of 16 characters", 1, -1, -1, "ABCDEFGHIJKLMNOP", false, nullptr},
        {"MonitorPos on the short list", 7, -1, -1, "Drill A", true, "MonitorPos"},
        {"next function 9 not in use", 1, 9, -1, "Drill A", false, nullptr},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.what);
        g_device().variant_bit2 = c.short_list ? 1 : 0;
        function_record_bytes r = plain_record(c.mode, c.name);
        function_record(r.data()).set_field(fr::next_func, c.next);
        function_record(r.data()).set_field(fr::ko_func, c.ko);
        put(5, r);
        ASSERT_TRUE(open(5));
        if (c.shown) {
            EXPECT_EQ(u->cb_TS_Mode->currentText(), QString::fromLatin1(c.shown));
        }
        EXPECT_EQ(u->eb_TS_ToolName->text(), QString::fromLatin1(c.name));
        EXPECT_EQ(u->cb_TS_NextFunction->currentText(), c.next == -1 ? QStringLiteral("no") : QString::number(c.next));
        u->bn_Close->click();
        EXPECT_EQ(g_cluster_edit_buffer().records[0], r);
        EXPECT_EQ(g_cluster_edit_buffer().index, 5);
    }
}

TEST_F(function_dialog_test, teach_queues_one_frame_and_the_taught_angle_fills_the_form)
{
    use_range(0, 17);
    g_program_document().source = 1;
    ASSERT_TRUE(open(-1));
    EXPECT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("17"));
    u->ebx_TS_ObjectAngle->setValue(1500);
    ASSERT_TRUE(u->bn_Teach->isEnabled());
    u->bn_Teach->click();
    ASSERT_EQ(command_mailbox().count, 1);
    const device_frame& frame = *queue_oldest();
    EXPECT_EQ(frame[1], 0xBB);
    EXPECT_EQ(frame[3], 0x37);
    EXPECT_EQ(frame[dp::command_offset], dp::cmd_teach);
    EXPECT_EQ(frame[5], 0xFF);
    EXPECT_EQ(frame[6], 0xFF);
    device_function_record_bytes packed{};
    const function_record_bytes rec = d->form_to_record();
    device_record_pack(const_function_record(rec.data()), byte_view(packed.data(), packed.size()));
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), frame.data() + 7));
    EXPECT_EQ(g_status().teach_code, 0x1011);

    ASSERT_TRUE(bool(g_status_hooks().function_dialog_teach));
    g_status_hooks().function_dialog_teach(4321);
    EXPECT_EQ(u->ebx_TS_ObjectAngle->text(), QStringLiteral("43.21"));

    // Teach waits for the ready flag on a process-monitoring controller.
    g_device().pm_capable = 1;
    d->update_teach_button();
    EXPECT_FALSE(u->bn_Teach->isEnabled());
    g_status().teach_permitted = true;
    g_status_hooks().display_flag_changed();
    EXPECT_FALSE(u->bn_Teach->isEnabled()) << "only a running dialog follows the flag";
    d->update_teach_button();
    EXPECT_TRUE(u->bn_Teach->isEnabled());

    // While the dialog runs, each change of the flag turns Teach off and on again.
    script.expect_modal(QStringLiteral("c_dlg_prgfunction"), [this](QWidget*) {
        g_status().teach_permitted = false;
        g_status_hooks().display_flag_changed();
        EXPECT_FALSE(u->bn_Teach->isEnabled());
        g_status().teach_permitted = true;
        g_status_hooks().display_flag_changed();
        EXPECT_TRUE(u->bn_Teach->isEnabled());
        return int(QDialog::Rejected);
    });
    d->run();
    EXPECT_TRUE(script.verify_consumed());
}

// Set Default takes the defaults the settings page shows, saved or not; number and buffer stay.
TEST_F(function_dialog_test, set_default_fills_the_form_from_the_settings_page)
{
    use({0, 1});
    page->image_to_settings();
    f->ebx_DS_DefaultTolerance->setValue(777);
    ASSERT_TRUE(open(1));
    u->eb_TS_ToolName->setText(QStringLiteral("Edited"));
    u->bn_SetDefault->click();
    EXPECT_EQ(u->ebx_TS_Tolerance->value(), 777);
    EXPECT_EQ(u->eb_TS_ToolName->text(), QString());
    EXPECT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("1"));
    EXPECT_EQ(g_cluster_edit_buffer().record(0).field(fr::tolerance), g_config_image().function(1).field(fr::tolerance));
    EXPECT_EQ(g_config_image().header().field(hdr::def_tolerance), 300);
}

TEST_F(function_dialog_test, tolerance_is_yellow_in_fast_scanning_mode)
{
    g_config_image().header().set_field(hdr::scanning_mode, 2);
    ASSERT_TRUE(open(-1));
    EXPECT_TRUE(u->ebx_TS_Tolerance->styleSheet().contains(QStringLiteral("yellow")));
    g_config_image().header().set_field(hdr::scanning_mode, 0);
    u->ebx_TS_Tolerance->editingFinished();
    EXPECT_TRUE(u->ebx_TS_Tolerance->styleSheet().contains(QStringLiteral("white")));
}

// The area dialog counts an absolute area of a length scanner the other way round: the
// pairs trade places on the way there and back.
TEST_F(function_dialog_test, area_button_exchanges_the_pairs_in_length_order)
{
    struct row {
        int32_t area_flag;
        bool zp9lin;
        int relative;
        bool exchanged;
    };
    const row rows[] = {{1, false, 0, true}, {1, false, 1, false}, {0, false, 0, false}, {1, true, 0, false}};
    for (const row& c : rows) {
        SCOPED_TRACE(testing::Message() << "flag " << c.area_flag << " zp9lin " << c.zp9lin << " relative " << c.relative);
        g_config_image().header().set_field(hdr::area_flag, c.area_flag);
        g_program_page().new_program_zp9lin = c.zp9lin;
        function_record_bytes r = plain_record(4);
        function_record rec(r.data());
        rec.set_field(fr::flags, c.relative);
        rec.set_field(fr::warn_min, 100);
        rec.set_field(fr::warn_max, 200);
        rec.set_field(fr::err_min, 50);
        rec.set_field(fr::err_max, 250);
        put(5, r);
        ASSERT_TRUE(open(5));
        script.expect_modal(QStringLiteral("c_dlg_area"), [&](QWidget* w) {
            auto* area = static_cast<c_dlg_area*>(w);
            EXPECT_EQ(area->form()->ebx_Area_1a->value(), c.exchanged ? 200 : 100);
            EXPECT_EQ(area->form()->ebx_Area_2b->value(), c.exchanged ? 50 : 250);
            area->form()->ebx_Area_1a->setValue(300);
            area->form()->bn_Close->click();
            return int(QDialog::Accepted);
        });
        u->bn_Area->click();
        EXPECT_EQ(u->ebx_TS_Area_1a->value(), c.exchanged ? 100 : 300);
        EXPECT_EQ(u->ebx_TS_Area_1b->value(), c.exchanged ? 300 : 200);
        EXPECT_EQ(u->cb_TS_BackMode->count(), 4) << "the mode handler ran again";
        EXPECT_TRUE(script.verify_consumed());
    }
}

}  // namespace
