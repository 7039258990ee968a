// The cluster dialog: the base list (with and without process monitoring), the four
// records it writes, Start and Teach frames and codes, the taught angles and its close rule.
#include <QAbstractButton>

#include "core/protocol/device_protocol.h"
#include "dialogs_fixture.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/dialog_support.h"
#include "state/link_state.h"
#include "ui_c_dlg_prgcluster.h"

namespace dp = device_protocol;
using namespace dialogs_testing;

namespace {

struct cluster_dialog_test : dialogs_test {
    void SetUp() override
    {
        dialogs_test::SetUp();
        d = cluster_dialog();
        ASSERT_NE(d, nullptr);
        u = d->form();
    }
    bool open(int base)
    {
        cluster_edit_buffer& b = g_cluster_edit_buffer();
        const function_record_bytes def = function_record_clear(g_config_image().header());
        b.records = {def, def, def, def};
        if (base >= 0)
            for (uint32_t m = 0; m < 4; ++m) {
                const const_function_record r = g_config_image().function(uint32_t(base) + m);
                std::copy(r.data(), r.data() + image_layout::function_size, b.records[m].begin());
            }
        b.index = base;
        return d->init_dialog();
    }
    // The frames of the mailbox in sending order.
    static std::vector<device_frame> queued()
    {
        std::vector<device_frame> out;
        const command_mailbox_state& m = command_mailbox();
        for (int i = m.count - 1; i >= 0; --i)
            out.push_back(m.frames[i]);
        return out;
    }
    c_dlg_prgcluster* d = nullptr;
    Ui::c_dlg_prgcluster* u = nullptr;
};

TEST_F(cluster_dialog_test, base_list_with_process_monitoring)
{
    g_device().pm_capable = 1;
    use_range(0, 6);
    ASSERT_TRUE(open(-1));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("New RL Function Settings"));
    EXPECT_EQ(u->cb_TS_ToolNr->itemText(0), QStringLiteral("8"));
    EXPECT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("8"));
    EXPECT_TRUE(u->cb_TS_ToolNr->isEnabled());
    EXPECT_EQ(u->cb_TS_ToolNr->itemText(u->cb_TS_ToolNr->count() - 1), QStringLiteral("504"));

    g_device().variant_bit2 = 1;
    ASSERT_TRUE(open(-1));
    EXPECT_EQ(u->cb_TS_ToolNr->itemText(u->cb_TS_ToolNr->count() - 1), QStringLiteral("56"));

    // Every base taken: New RL says so and opens nothing.
    g_device().variant_bit2 = 0;
    use_range(0, 512);
    script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("RL function"));
    EXPECT_FALSE(open(-1));
    EXPECT_TRUE(script.verify_consumed());
}

// Without process monitoring the cluster lives at 0: the list offers 0 and nothing else
// can be chosen, also when functions 0-3 are in use (the page has asked before).
TEST_F(cluster_dialog_test, base_0_is_forced_without_process_monitoring)
{
    for (bool cluster_there : {false, true}) {
        SCOPED_TRACE(cluster_there ? "a cluster at 0" : "single functions at 0-3");
        reset_config_image(g_config_image());
        if (cluster_there)
            use_cluster(0);
        else
            use_range(0, 4);
        ASSERT_TRUE(open(-1));
        EXPECT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("0"));
        EXPECT_FALSE(u->cb_TS_ToolNr->isEnabled());
        u->bn_Close->click();
        EXPECT_EQ(g_cluster_edit_buffer().index, 0);
    }
}

TEST_F(cluster_dialog_test, written_cluster_has_member_flags_and_a_copy_of_the_first)
{
    g_device().pm_capable = 1;
    use_range(0, 12);
    ASSERT_TRUE(open(-1));
    ASSERT_EQ(u->cb_TS_ToolNr->currentText(), QStringLiteral("12"));
    u->eb_TS_ToolName->setText(QStringLiteral("Pair"));
    u->ebx_TS_ObjectAngle->setValue(1000);
    u->ebx_TS_ObjectAngleX->setValue(-2000);
    u->ebx_TS_AlarmCounterX->setValue(77);
    u->bn_Close->click();
    const cluster_edit_buffer& b = g_cluster_edit_buffer();
    ASSERT_EQ(b.index, 12);
    const int32_t flags[4] = {2, 6, 10, 14};
    for (int m = 0; m < 4; ++m) {
        EXPECT_EQ(b.record(m).field(fr::flags), flags[m]) << "member " << m;
        EXPECT_EQ(b.record(m).name(), "Pair");
    }
    EXPECT_EQ(b.record(1).field(fr::object_pos), 1000);
    EXPECT_EQ(b.record(2).field(fr::object_pos), -2000);
    EXPECT_EQ(b.record(2).field(fr::counter_limit), 77);
    function_record_bytes m3 = b.records[3];
    function_record(m3.data()).set_field(fr::flags, 2);
    EXPECT_EQ(m3, b.records[0]);
}

TEST_F(cluster_dialog_test, start_and_teach_frames_and_codes)
{
    g_program_document().source = 1;
    g_device().pm_capable = 1;
    g_status().teach_permitted = true;
    struct row {
        int base;
        const char* button;
        size_t frames;
        int32_t code;  // -1: Start, no teach code
        bool marker;
    };
    const row rows[] = {
        {0, "bn_Start", 3, -1, true}, {8, "bn_Start", 3, -1, false},       {0, "bn_Teach", 3, 0x4000, true},
        {8, "bn_Teach_R", 1, 0x4009, false}, {8, "bn_Teach_L", 1, 0x400A, false}, {8, "bn_Start_L", 1, -1, false},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(testing::Message() << c.button << " at " << c.base);
        reset_config_image(g_config_image());
        use_cluster(uint32_t(c.base));
        queue_clear();
        g_status().teach_code = -1;
        ASSERT_TRUE(open(c.base));
        u->ebx_TS_ObjectAngle->setValue(1111);
        u->ebx_TS_ObjectAngleX->setValue(2222);
        d->findChild<QAbstractButton*>(QString::fromLatin1(c.button))->click();
        const std::vector<device_frame> frames = queued();
        ASSERT_EQ(frames.size(), c.frames);
        const bool teach = c.code >= 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i][dp::command_offset], teach ? dp::cmd_teach : dp::cmd_start);
            EXPECT_EQ((frames[i][24] & 0x10) != 0, c.marker);
        }
        // Members go out in the order 0, 1, 2; a side sends its own member.
        const cluster_records sent = d->form_to_cluster();
        const int first_member = frames.size() == 3 ? 0 : (QString::fromLatin1(c.button).endsWith('L') ? 2 : 1);
        for (size_t i = 0; i < frames.size(); ++i) {
            device_frame expected = record_command_frame(const_function_record(sent[size_t(first_member) + i].data()),
                                                         teach ? dp::cmd_teach : dp::cmd_start);
            if (c.marker)
                expected[24] |= 0x10;
            EXPECT_TRUE(std::equal(expected.data(), expected.data() + dp::frame_size, frames[i].data())) << i;
        }
        EXPECT_EQ(g_status().teach_code, c.code);
    }
}

TEST_F(cluster_dialog_test, teach_buttons_follow_base_and_ready_flag_and_taught_values_land_by_side)
{
    g_program_document().source = 1;
    g_device().pm_capable = 1;
    use_cluster(8);
    ASSERT_TRUE(open(8));
    EXPECT_FALSE(u->bn_Teach_R->isEnabled());
    g_status().teach_permitted = true;
    d->update_buttons();
    EXPECT_TRUE(u->bn_Teach_R->isEnabled());

    // The status hooks reach the dialog only while it runs.
    script.expect_modal(QStringLiteral("c_dlg_prgcluster"), [this](QWidget*) {
        g_status().teach_permitted = false;
        g_status_hooks().status_decoded();
        EXPECT_FALSE(u->bn_Teach_R->isEnabled());
        g_status_hooks().cluster_teach(8 + 1, 4321, 99);
        EXPECT_EQ(u->ebx_TS_ObjectAngle->value(), 4321);
        EXPECT_EQ(u->ebx_TS_ObjectAngleX->value(), 0);
        g_status_hooks().cluster_teach(8 + 2, 1200, 99);
        EXPECT_EQ(u->ebx_TS_ObjectAngleX->value(), 1200);
        EXPECT_EQ(u->ebx_TS_ObjectAngle->value(), 4321);
        g_status_hooks().cluster_teach(8, 500, 600);
        return int(QDialog::Accepted);
    });
    u->ebx_TS_ObjectAngle->setValue(0);
    u->ebx_TS_ObjectAngleX->setValue(0);
    d->run();
    g_status_hooks().cluster_teach(8 + 1, 7777, 0);
    EXPECT_EQ(u->ebx_TS_ObjectAngle->value(), 500);
    EXPECT_EQ(u->ebx_TS_ObjectAngleX->value(), 600);
    EXPECT_TRUE(script.verify_consumed());
}

enum class change { none, base, l_limit };
enum class press { ok, cancel, close_box };

struct close_case {
    const char* name;
    change what;
    press how;
    int answer;
    int32_t index_after, l_limit_after;
    bool stays_open;
};

const close_case close_cases[] = {
    {"close_box_unchanged_asks_nothing", change::none, press::close_box, 0, 8, 0, false},
    {"base_only_counts_as_change_yes_moves", change::base, press::close_box, ui::yes, 12, 0, false},
    {"base_only_cancel_stays_open", change::base, press::close_box, ui::cancel, 8, 0, true},
    {"l_counter_limit_no_keeps_buffer", change::l_limit, press::close_box, ui::no, 8, 0, false},
    {"l_counter_limit_yes_takes_over", change::l_limit, press::close_box, ui::yes, 8, 5, false},
    {"ok_takes_over_without_asking", change::l_limit, press::ok, 0, 8, 5, false},
    {"cancel_discards", change::l_limit, press::cancel, 0, 8, 0, false},
};

struct cluster_close_rule : cluster_dialog_test, ::testing::WithParamInterface<close_case> {};

TEST_P(cluster_close_rule, edits_the_buffer_by_the_close_rule)
{
    const close_case& c = GetParam();
    g_device().pm_capable = 1;
    use_cluster(8);
    if (c.answer)
        script.expect_question(save_question, c.answer);
    ASSERT_TRUE(open(8));
    d->show();
    if (c.what == change::base)
        u->cb_TS_ToolNr->setCurrentIndex(u->cb_TS_ToolNr->findText(QStringLiteral("12")));
    if (c.what == change::l_limit)
        u->ebx_TS_AlarmCounterX->setValue(5);
    switch (c.how) {
    case press::ok: u->bn_Close->click(); break;
    case press::cancel: u->bn_Cancel->click(); break;
    case press::close_box: d->close(); break;
    }
    const cluster_edit_buffer& b = g_cluster_edit_buffer();
    EXPECT_EQ(d->isVisible(), c.stays_open);
    EXPECT_EQ(b.index, c.index_after);
    EXPECT_EQ(b.record(2).field(fr::counter_limit), c.l_limit_after);
    EXPECT_EQ(d->close_code(), c.how == press::cancel ? close_discard : close_by_window);
    d->hide();
    EXPECT_TRUE(script.verify_consumed());
}

INSTANTIATE_TEST_SUITE_P(table, cluster_close_rule, ::testing::ValuesIn(close_cases),
                         [](const ::testing::TestParamInfo<close_case>& i) { return std::string(i.param.name); });

}  // namespace
