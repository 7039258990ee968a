// The status panel's side of a status reply, decoded by hand without a controller: device
// error texts, positions and units, the teach routing, the KO marking and "Clear KO", the
// output texts.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/text_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "state/status_texts.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace dp = device_protocol;

namespace {

TEST(status_texts, error_groups_with_and_without_details_and_the_flag_word)
{
    // Bits 0 and 2, details not readable: the group texts 1 and 3.
    QStringList t = device_status_texts(0x05, false, 0, 0, 0);
    ASSERT_EQ(t, (QStringList{status_text(1), status_text(3)}));
    EXPECT_EQ(status_label_text(t), QStringLiteral("2* ") + status_text(1));
    const QString tip = status_label_tip(t);
    EXPECT_TRUE(tip.startsWith(QString::fromLatin1(txt_message(22).c_str()) + QLatin1Char('\n')));
    EXPECT_TRUE(tip.contains(status_text(1) + QLatin1Char('\n')));
    EXPECT_TRUE(tip.contains(status_text(3) + QLatin1Char('\n')));

    // With details: the detail code of each group chooses the text and follows it.
    t = device_status_texts(0x05, true, 0x00090002, 0, 0);
    EXPECT_EQ(t, (QStringList{status_text(31) + QStringLiteral(" [2]"), status_text(38) + QStringLiteral(" [9]")}));
    // An error byte with no group bit: the illegal status code with the byte.
    t = device_status_texts(0x80, false, 0, 0, 0);
    EXPECT_EQ(t, QStringList{status_text(9) + QStringLiteral(" Errorcode: 80H")});
    // Flag word bits 0, 1, 4, 5, 6, 7 in that order.
    t = device_status_texts(0, false, 0, 0, 0xF3);
    EXPECT_EQ(t, (QStringList{status_text(8), status_text(12), status_text(14), status_text(11), status_text(13),
                              status_text(15)}));
    EXPECT_EQ(status_label_text({}), QString());
    EXPECT_EQ(status_label_text({QStringLiteral("x")}), QStringLiteral("x"));
}

TEST(status_texts, detail_code_map)
{
    struct row {
        int group;
        uint8_t code;
        int text;
    };
    const row rows[] = {{0, 1, 30}, {0, 2, 31}, {0, 9, 1},  {1, 4, 35},  {1, 6, 36},  {1, 7, 2},   {2, 8, 37},
                        {2, 11, 40}, {2, 23, 41}, {2, 37, 42}, {2, 39, 43}, {2, 41, 45}, {2, 42, 3}, {3, 5, 50},
                        {3, 6, 61}, {3, 7, 62}, {3, 8, 4},  {4, 5, 54},  {4, 10, 66}, {4, 11, 5},  {5, 3, 6},
                        {6, 4, 60}, {6, 5, 7}};
    for (const row& r : rows)
        EXPECT_EQ(status_text_for_detail(r.group, r.code), r.text) << r.group << "/" << int(r.code);
    // By value: every group whose detail code is not 0, whatever the mask.
    QStringList out;
    status_texts_from_bits(out, 0, true, 0x01000000, 0x00020000, true);
    EXPECT_EQ(out, (QStringList{status_text(46) + QStringLiteral(" [1]"), status_text(58) + QStringLiteral(" [2]")}));
}

struct status_panel : ui_testing::app_first, ::testing::Test {
    status_panel()
    {
        shell_reset_for_tests();
        link_reset_for_tests();
        core_reset_for_tests();
        hid_link_reset_for_tests();
        dev_exchange_reset_for_tests();
        queue_clear();
        w = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        w->link_timer()->stop();
    }
    ~status_panel() override
    {
        w.reset();
        link_reset_for_tests();
        shell_reset_for_tests();
        core_reset_for_tests();
        queue_clear();
    }

    // A status reply with the data bytes given as (offset, value) pairs of 32-bit values.
    static device_frame reply(uint8_t state, std::initializer_list<std::pair<size_t, int32_t>> values = {},
                              uint16_t output_word = 0)
    {
        device_frame f = device_frame::make(0x21, dp::status_data_count);
        f[dp::data_offset] = state;
        for (const auto& v : values)
            f.set_u32(dp::data_offset + v.first, uint32_t(v.second));
        f.set_u16(dp::data_offset + 38, output_word);
        return f;
    }
    void decode(const device_frame& f) { w->decode_status(f, false); }

    ui_testing::scripted_ui script;
    std::unique_ptr<c_frm_main> w;
};

TEST_F(status_panel, positions_in_degrees_and_millimetres)
{
    decode(reply(0, {{30, 12345}, {34, -1}}, 0));
    EXPECT_EQ(w->l_STB_CurPos->text(), QStringLiteral("123.45 ") + QChar(0x00B0));
    EXPECT_EQ(w->l_STB_MeasPos->text(), QStringLiteral("-0.01 ") + QChar(0x00B0));
    decode(reply(0, {{30, 5}, {34, -1}}, 0x0001));
    EXPECT_EQ(w->l_STB_CurPos->text(), QStringLiteral("0.05 mm"));
    EXPECT_EQ(w->l_STB_MeasPos->text(), QStringLiteral("*ND*"));
    // During the set-up activation the labels show data 2-9.
    g_status().setup_activation = true;
    decode(reply(0, {{2, 100}, {6, 200}, {30, 5}, {34, -1}}, 0x0001));
    EXPECT_EQ(w->l_STB_CurPos->text(), QStringLiteral("1.00 mm"));
    EXPECT_EQ(w->l_STB_MeasPos->text(), QStringLiteral("2.00 mm"));
}

TEST_F(status_panel, a_teach_waits_for_ok_and_ko_without_ok_cancels_it)
{
    config_image& img = g_config_image();
    g_status().teach_code = 5;
    decode(reply(0x02, {{34, 777}}));  // scanning: neither OK nor KO
    EXPECT_EQ(g_status().teach_code, 5);
    decode(reply(0x08, {{34, 777}}));
    EXPECT_EQ(g_status().teach_code, teach_none);
    EXPECT_EQ(img.function(5).field(fr::object_pos), 777);

    g_status().teach_code = 6;
    decode(reply(0x10, {{34, 888}}));
    EXPECT_EQ(g_status().teach_code, teach_none);
    EXPECT_EQ(img.function(6).field(fr::object_pos), 0);

    // A cluster member: the member that started the teach (left, base + 2) gets the first
    // value and its partner the second; no refresh with the flag.
    int refreshed = 0;
    g_status_hooks().program_function_changed = [&](uint32_t) { ++refreshed; };
    img.function(10).set_field(fr::flags, fr::flag_cluster);
    g_status().teach_code = 10 | teach_no_refresh;
    decode(reply(0x08, {{34, 1111}, {42, 2222}}));
    EXPECT_EQ(img.function(9).field(fr::object_pos), 2222);
    EXPECT_EQ(img.function(10).field(fr::object_pos), 1111);
    EXPECT_EQ(refreshed, 0);
    img.function(9).set_field(fr::flags, fr::flag_cluster);
    g_status().teach_code = 9;
    decode(reply(0x08, {{34, 3333}, {42, 4444}}));
    EXPECT_EQ(img.function(9).field(fr::object_pos), 3333);
    EXPECT_EQ(img.function(10).field(fr::object_pos), 4444);
    EXPECT_EQ(refreshed, 2);

    // The dialogs get theirs through their hooks.
    int32_t dialog = 0, wizard_field = 0, wizard = 0;
    g_status_hooks().function_dialog_teach = [&](int32_t v) { dialog = v; };
    g_status_hooks().setup_teach = [&](int f, int32_t v) { wizard_field = f, wizard = v; };
    g_status().teach_code = teach_function_dialog + 3;
    decode(reply(0x08, {{34, 50}}));
    g_status().teach_code = teach_manual;
    decode(reply(0x08, {{34, 60}}));
    g_status().teach_code = teach_setup + 5;
    decode(reply(0x08, {{6, 70}, {34, 61}}));
    EXPECT_EQ(dialog, 50);
    EXPECT_EQ(w->manual_page()->form()->ebx_TS_ObjectAngle->value(), 60);  // the manual page's field
    EXPECT_EQ(wizard_field, 5);
    EXPECT_EQ(wizard, 70);
}

TEST_F(status_panel, the_first_ko_marks_clear_ko_and_pressing_it_queues_the_reset_alone)
{
    decode(reply(0x10 | 0x01));
    EXPECT_EQ(w->l_STB_KO->styleSheet(), QStringLiteral("QLabel{background: rgb(255,  0, 0);}"));
    EXPECT_EQ(w->l_STB_HomePos->styleSheet(), QStringLiteral("QLabel{background: rgb(150, 255, 150);}"));
    EXPECT_EQ(w->bn_STB_KO_ResetF->styleSheet(), QStringLiteral("QPushButton{background: rgb(255,  0, 0);}"));
    decode(reply(0x08));
    EXPECT_EQ(w->l_STB_KO->styleSheet(), QString());
    EXPECT_EQ(w->l_STB_OK->styleSheet(), QStringLiteral("QLabel{background: rgb(150, 255, 150);}"));
    EXPECT_FALSE(w->bn_STB_KO_ResetF->styleSheet().isEmpty());  // stays red until pressed

    device_frame queued = device_frame::make(dp::req_command, dp::count_command);
    queued[dp::command_offset] = dp::cmd_start;
    queue_request(queued);
    queue_request(queued);
    w->bn_STB_KO_ResetF->click();
    EXPECT_EQ(w->bn_STB_KO_ResetF->styleSheet(), QString());
    ASSERT_EQ(command_mailbox().count, 1);
    EXPECT_EQ(command_mailbox().frames[0][dp::command_offset], dp::cmd_reset_ko);
}

TEST_F(status_panel, error_byte_and_output_word_reach_the_labels)
{
    QString state, set, active;
    g_status_hooks().output_labels = [&](const QString& a, const QString& b, const QString& c) {
        state = a, set = b, active = c;
    };
    device_frame f = reply(0, {}, 0x0010 | 0x0004);
    f[dp::data_offset + 1] = 0x05;  // groups 0 and 2; no controller, so no details
    decode(f);
    EXPECT_EQ(w->l_STB_Message->text(), QStringLiteral("2* ") + status_text(1));
    EXPECT_EQ(state, QStringLiteral("Plugged"));
    EXPECT_EQ(set, QStringLiteral("Set"));
    EXPECT_EQ(active, QStringLiteral("Inactive"));
    EXPECT_EQ(g_status().output_state_text, QStringLiteral("Plugged"));
    decode(reply(0, {}, 0x0020 | 0x0008));
    EXPECT_EQ(w->l_STB_Message->text(), QString());
    EXPECT_EQ(state, QStringLiteral("Active"));
    EXPECT_EQ(set, QStringLiteral("Not Set"));
    EXPECT_EQ(active, QStringLiteral("Active"));
}

}  // namespace

TEST_F(status_panel, in_manual_mode_the_teach_permission_and_the_functions_reach_the_page)
{
    g_device_info().valid = true;
    g_device_info().firmware.major = 1;
    g_device_info().firmware.minor = 14;
    g_device_info().firmware.patch = 3;
    g_device().pm_capable = 1;
    g_program_document().source = 1;
    for (uint32_t n : {7u, 9u})
        g_config_image().function(n).set_in_use(true);
    g_shell().window_mode = wm_manual;
    c_dlgw_manualx* page = w->manual_page();
    page->init_from_device(w.get());
    Ui::c_dlgw_manualx* f = page->form();
    f->tbwx_FuncTab->selectRowById(9);
    page->on_tbwx_FuncTab_itemSelectionChanged();

    // Data 38 bit 2 (bit 18 of the word at 36) permits the teach; each change runs the rule.
    decode(reply(0, {{10, 7 | (0xFFFF << 16)}}, 0x0004));
    EXPECT_TRUE(f->bn_Teach->isEnabled());
    decode(reply(0, {{10, 7 | (0xFFFF << 16)}}, 0));
    EXPECT_FALSE(f->bn_Teach->isEnabled());
    // Data 10-11 shows as the input-selected function; with none selected (12-13 = -1) the
    // panels follow it.
    EXPECT_EQ(f->l_InpSlctFunc->text(), QStringLiteral("7"));
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("7"));
}
