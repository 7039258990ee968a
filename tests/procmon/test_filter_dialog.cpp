// The column filter dialog over its three pages and the ways it closes: what reaches the
// record, what is kept, and the empty text that refuses to close.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <vector>

#include "page_common/c_dlg_filter.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

enum class how { ok, cancel, window, reject };

bool same(const column_filter_record& a, const column_filter_record& b)
{
    return a.filterable == b.filterable && a.active == b.active && a.type == b.type && a.kind == b.kind &&
           a.pattern == b.pattern && a.min == b.min && a.max == b.max;
}

column_filter_record record(quint8 active, qint32 type, qint32 min, qint32 max, const QString& pattern = "P*")
{
    column_filter_record r;
    r.filterable = 1;
    r.active = active;
    r.type = type;
    r.min = min;
    r.max = max;
    r.pattern = pattern;
    return r;
}

void enable(c_dlg_filter& d, bool on)
{
    d.findChild<c_my_rbg*>("rbg_ColumnFilter")->button(on ? 1 : 0)->click();
}

struct filter_case {
    const char* name;
    column_filter_record start;
    c_dlg_filter::filter_page page;
    QStringList texts;
    std::function<void(c_dlg_filter&)> edit;
    how close;
    column_filter_record expected;
};

TEST(filter_dialog, pages_and_ways_to_close)
{
    ui_testing::test_app();
    auto everything = [](c_dlg_filter& d) {
        enable(d, false);
        d.findChild<QComboBox*>("cb_Operator")->setCurrentIndex(0);
        d.findChild<c_qlineedit_extend*>("ebx_ValueLow")->setText("77");
        d.findChild<QComboBox*>("chb_String")->setCurrentText("other");
        d.findChild<QCheckBox*>("chb_Flt3")->setChecked(true);
    };
    const filter_case cases[] = {
        {"cancel after changing everything", record(1, 3, 5, 9), c_dlg_filter::page_number, {}, everything,
         how::cancel, record(1, 3, 5, 9)},
        {"escape", record(1, 3, 5, 9), c_dlg_filter::page_number, {}, everything, how::reject, record(1, 3, 5, 9)},
        {"disable and ok keeps the condition", record(1, 3, 5, 9), c_dlg_filter::page_number, {},
         [](c_dlg_filter& d) { enable(d, false); }, how::ok, record(0, 3, 5, 9)},
        {"number page stores operator and values", record(0, 2, 5, 9), c_dlg_filter::page_number, {},
         [](c_dlg_filter& d) {
             enable(d, true);
             d.findChild<QComboBox*>("cb_Operator")->setCurrentIndex(1);
             d.findChild<c_qlineedit_extend*>("ebx_ValueLow")->setText("42");
         },
         how::ok, record(1, 1, 42, 9)},
        {"an operator outside the list is kept", record(1, 4, 5, 9), c_dlg_filter::page_number, {}, nullptr, how::ok,
         record(1, 4, 5, 9)},
        {"bits 0 and 7", record(1, 2, 0x02, 0), c_dlg_filter::page_bits, {"Ready", "Busy"},
         [](c_dlg_filter& d) {
             d.findChild<QCheckBox*>("chb_Flt0")->setChecked(true);
             d.findChild<QCheckBox*>("chb_Flt1")->setChecked(false);
             d.findChild<QCheckBox*>("chb_Flt7")->setChecked(true);
         },
         how::ok, record(1, 2, 0x81, 0)},
        {"the window's close button stores like ok", record(1, 2, 0, 0, "A"), c_dlg_filter::page_string, {"A", "B"},
         [](c_dlg_filter& d) { d.findChild<QComboBox*>("chb_String")->setCurrentText("B*"); }, how::window,
         record(1, 2, 0, 0, "B*")},
    };
    for (const filter_case& c : cases) {
        SCOPED_TRACE(c.name);
        c_dlg_filter d;
        column_filter_record r = c.start;
        d.setFilter(r, c.page, 0, &c.texts);
        d.show();
        if (c.edit)
            c.edit(d);
        switch (c.close) {
        case how::ok:
            d.findChild<QPushButton*>("bn_Close")->click();
            break;
        case how::cancel:
            d.findChild<QPushButton*>("bn_Cancel")->click();
            break;
        case how::window:
            d.close();
            break;
        case how::reject:
            d.reject();
            break;
        }
        EXPECT_FALSE(d.isVisible());
        EXPECT_TRUE(same(r, c.expected)) << int(r.active) << " " << r.type << " " << r.min << " " << r.max << " "
                                         << r.pattern.toStdString();
    }
}

// Box N of the bits page stands for bit N of the mask, both ways: an asymmetric mask shows
// its own boxes, and each box alone stores its own bit.
TEST(filter_dialog, box_n_stands_for_bit_n)
{
    ui_testing::test_app();
    auto boxes = [](c_dlg_filter& d) {
        std::vector<QCheckBox*> b;
        for (int i = 0; i < 8; ++i)
            b.push_back(d.findChild<QCheckBox*>(QStringLiteral("chb_Flt%1").arg(i)));
        return b;
    };
    {
        c_dlg_filter d;
        column_filter_record r = record(1, 2, 0x0B, 0);  // bits 0, 1 and 3
        d.setFilter(r, c_dlg_filter::page_bits, 0, nullptr);
        const std::vector<QCheckBox*> b = boxes(d);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(b[size_t(i)]->isChecked(), i == 0 || i == 1 || i == 3) << "box " << i;
    }
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        c_dlg_filter d;
        column_filter_record r = record(1, 2, 0, 0);
        d.setFilter(r, c_dlg_filter::page_bits, 0, nullptr);
        d.show();
        boxes(d)[size_t(i)]->setChecked(true);
        d.findChild<QPushButton*>("bn_Close")->click();
        EXPECT_EQ(r.min, 1 << i);
    }
}

TEST(filter_dialog, fields_names_and_decimals)
{
    ui_testing::test_app();
    c_dlg_filter d;
    column_filter_record r = record(1, 3, 1234, 0);
    d.setFilter(r, c_dlg_filter::page_number, 2, nullptr);
    d.show();
    auto* low = d.findChild<c_qlineedit_extend*>("ebx_ValueLow");
    auto* high = d.findChild<c_qlineedit_extend*>("ebx_ValueHigh");
    EXPECT_EQ(low->text(), QString("12") + QLocale().decimalPoint() + "34");
    auto* op = d.findChild<QComboBox*>("cb_Operator");
    const struct {
        int index;
        bool low, high;
    } visibility[] = {{0, false, true}, {1, true, false}, {2, true, false}, {3, true, true}, {-1, false, false}};
    for (const auto& v : visibility) {
        op->setCurrentIndex(v.index);
        EXPECT_EQ(low->isVisible(), v.low) << v.index;
        EXPECT_EQ(high->isVisible(), v.high) << v.index;
    }
    op->setCurrentIndex(3);
    d.findChild<QPushButton*>("bn_Close")->click();
    EXPECT_EQ(r.min, 1234);  // reads back as it was shown

    // Names of the bits page: the missing ones stay "Bit N".
    c_dlg_filter b;
    column_filter_record rb = record(1, 2, 0, 0);
    const QStringList two{"Ready", "Busy"};
    b.setFilter(rb, c_dlg_filter::page_bits, 0, &two);
    EXPECT_EQ(b.findChild<QCheckBox*>("chb_Flt1")->text(), "Busy");
    EXPECT_EQ(b.findChild<QCheckBox*>("chb_Flt2")->text(), "Bit 2");

    int decimals = -1;
    EXPECT_EQ(c_dlg_filter::page_for_kind(0, &decimals), c_dlg_filter::page_number);
    EXPECT_EQ(decimals, 0);
    EXPECT_EQ(c_dlg_filter::page_for_kind(1, &decimals), c_dlg_filter::page_number);
    EXPECT_EQ(decimals, 2);
    EXPECT_EQ(c_dlg_filter::page_for_kind(2, nullptr), c_dlg_filter::page_bits);
    EXPECT_EQ(c_dlg_filter::page_for_kind(3, nullptr), c_dlg_filter::page_string);
    EXPECT_EQ(c_dlg_filter::page_for_kind(4, nullptr), c_dlg_filter::page_none);
}

TEST(filter_dialog, an_empty_text_refuses_to_close_and_a_cancel_then_keeps_the_record)
{
    ui_testing::test_app();
    ui_testing::scripted_ui script;
    script.expect_box(ui::box_kind::critical, "Error", "Please edit / select a valid filter string!");
    c_dlg_filter d;
    column_filter_record r = record(0, 2, 0, 0, "T*");
    const column_filter_record before = r;
    const QStringList texts{"T*", "X*"};
    d.setFilter(r, c_dlg_filter::page_string, 0, &texts);
    d.show();
    enable(d, true);
    d.findChild<QComboBox*>("chb_String")->setCurrentText("");
    d.findChild<QPushButton*>("bn_Close")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(same(r, before));
    d.findChild<QPushButton*>("bn_Cancel")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(same(r, before));
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
