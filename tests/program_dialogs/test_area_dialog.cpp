// The area dialog: its example values, the one picture it shows, and its close rule on the
// area record.
#include <QLabel>

#include "dialogs_fixture.h"
#include "program_dialogs/c_dlg_area.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "ui_c_dlg_area.h"

using namespace dialogs_testing;

namespace {

struct area_dialog_test : dialogs_test {
    void SetUp() override
    {
        dialogs_test::SetUp();
        a = area_dialog();
        ASSERT_NE(a, nullptr);
        u = a->form();
    }
    QStringList examples() const
    {
        return {u->l_Abs_2b->text(), u->l_Abs_1b->text(), u->l_Abs_1a->text(), u->l_Abs_2a->text()};
    }
    c_dlg_area* a = nullptr;
    Ui::c_dlg_area* u = nullptr;
};

TEST_F(area_dialog_test, example_values_and_picture_follow_mode_order_and_angle)
{
    struct row {
        int mode, relative, order;
        int32_t angle;
        QStringList shown;
        bool first_picture;
    };
    const row rows[] = {
        {4, 0, 0, 0, {"130", "120", "80", "70"}, true},
        {4, 0, 1, 0, {"70", "80", "120", "130"}, true},
        {7, 0, 0, 4500, {"75", "65", "25", "15"}, false},
        {7, 0, 1, 4500, {"15", "25", "65", "75"}, false},
        {7, 0, 1, 1200, {"4", "8", "32", "42"}, false},
        {7, 0, 0, 1250, {"42.5", "32.5", "8", "4"}, false},
        {7, 0, 1, 3000, {"0", "10", "50", "60"}, false},
        {4, 1, 0, 0, {"10", "5", "5", "10"}, false},
        {7, 1, 1, 4500, {"10", "5", "5", "10"}, false},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " relative " << c.relative << " order " << c.order
                                        << " angle " << c.angle);
        g_config_image().header().set_field(hdr::area_flag, c.order);
        area_record& r = g_area_record();
        r.v[area_record::object_angle] = c.angle;
        r.v[area_record::relative] = c.relative;
        a->init_dialog(c.mode);
        EXPECT_EQ(r.v[area_record::order], c.order);
        EXPECT_EQ(examples(), c.shown);
        EXPECT_EQ(!u->image1->isHidden(), c.first_picture);
        EXPECT_NE(u->image1->isHidden(), u->image2->isHidden()) << "exactly one picture";
        EXPECT_EQ(u->ebx_ObjectAngle->isHidden(), c.mode == 4);
    }
    EXPECT_EQ(a->windowTitle(), QStringLiteral("MonitorPos Configuration"));
}

TEST_F(area_dialog_test, close_rule_on_the_area_record)
{
    area_record& r = g_area_record();
    r.v = {4500, 100, 200, 50, 250, 0, 0};
    a->init_dialog(7);
    a->show();
    u->bn_Close->click();  // unchanged Ok: no question
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(r.v[area_record::warn_min], 100);

    a->init_dialog(7);
    a->show();
    u->ebx_Area_2b->setValue(260);
    script.expect_question(save_question, ui::cancel).expect_question(save_question, ui::yes);
    EXPECT_FALSE(a->close());
    EXPECT_EQ(r.v[area_record::err_max], 250);
    EXPECT_TRUE(a->close());
    EXPECT_EQ(r.v[area_record::err_max], 260);

    a->init_dialog(7);
    u->cb_AreaRel->setCurrentIndex(1);
    u->bn_Cancel->click();
    EXPECT_EQ(r.v[area_record::relative], 0);
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
