#include <QBoxLayout>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "widgets/c_my_led.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qtablewidget_seq.h"
#include "widgets/led_styles.h"
#include "widgets/testing/test_app.h"
#include "widgets/window_place.h"

namespace {

class SmallWidgets : public ::testing::Test {
protected:
    void SetUp() override { ui_testing::test_app(); }
};

// --- radio-button group ---------------------------------------------------------------------

TEST_F(SmallWidgets, RadioGroupLayoutFollowsTheOrientation)
{
    struct row { Qt::Orientation o; int l, t, r, b; };
    for (const row& r : {row{Qt::Horizontal, 16, 8, 16, 8}, row{Qt::Vertical, 8, 8, 8, 8}}) {
        c_my_rbg g;
        g.create_buttons(QStringList{"one", "two", "three"}, r.o);
        auto* box = qobject_cast<QBoxLayout*>(g.layout());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->direction(), r.o == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
        EXPECT_EQ(box->contentsMargins(), QMargins(r.l, r.t, r.r, r.b));
        EXPECT_EQ(box->spacing(), 6);
        EXPECT_EQ(g.button_count(), 3);
        EXPECT_EQ(g.button_text(2), "three");
    }
}

TEST_F(SmallWidgets, RadioGroupClickGivesBothSignalsSetIndexOnlyChanged)
{
    c_my_rbg g;
    QStringList texts{"one", "two", "three"};
    g.create_buttons(&texts, Qt::Horizontal);
    EXPECT_EQ(g.index(), 0);  // defined before any click
    EXPECT_EQ(g.property("index").toInt(), 0);

    std::vector<std::pair<char, int>> order;
    QObject::connect(&g, &c_my_rbg::sig_rb_clicked, [&](int i) { order.push_back({'c', i}); });
    QObject::connect(&g, &c_my_rbg::sig_rb_changed, [&](int i) { order.push_back({'x', i}); });

    g.button(1)->click();
    EXPECT_EQ(order, (std::vector<std::pair<char, int>>{{'c', 1}, {'x', 1}}));
    EXPECT_EQ(g.index(), 1);
    EXPECT_EQ(g.checked_text(), "two");

    order.clear();
    g.setProperty("index", 2);
    EXPECT_EQ(order, (std::vector<std::pair<char, int>>{{'x', 2}}));
    EXPECT_TRUE(g.button(2)->isChecked());

    order.clear();
    g.setIndex(5);  // stored, nothing checked differently
    EXPECT_EQ(order, (std::vector<std::pair<char, int>>{{'x', 5}}));
    EXPECT_EQ(g.index(), 5);
    EXPECT_TRUE(g.button(2)->isChecked());
    EXPECT_EQ(g.checked_text(), "");  // no button 5
    g.set_button_enabled(5, false);   // ignored
    g.set_button_enabled(0, false);
    EXPECT_FALSE(g.button(0)->isEnabled());
}

TEST_F(SmallWidgets, RadioGroupTakesFormButtons)
{
    QWidget form;
    c_my_rbg g(&form);
    QVector<QRadioButton*> rbs{new QRadioButton("a", &g), new QRadioButton("b", &g)};
    g.set_buttons(rbs);
    QSignalSpy clicked(&g, &c_my_rbg::sig_rb_clicked);
    rbs[1]->click();
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);

    // Buttons of a replaced set no longer report to the group.
    QVector<QRadioButton*> others{new QRadioButton("c", &form), new QRadioButton("d", &form)};
    g.set_buttons(others);
    rbs[0]->click();
    EXPECT_EQ(clicked.count(), 1);
    g.create_buttons(QStringList{"e", "f"}, Qt::Horizontal);
    others[1]->click();
    EXPECT_EQ(clicked.count(), 1);
    g.button(1)->click();
    ASSERT_EQ(clicked.count(), 2);
    EXPECT_EQ(clicked.at(1).at(0).toInt(), 1);
}

// --- LED ------------------------------------------------------------------------------------

TEST_F(SmallWidgets, LedStatesShowTheirPictures)
{
    const QStringList& s = led_style_sheets();
    ASSERT_EQ(s.size(), 5);
    EXPECT_EQ(s[led_red], "border-image: url(:/bitmaps/RC_RED_LED);");

    c_my_led led;
    EXPECT_EQ(led.styleSheet(), s[led_lightgray]);
    led.set_state(1);
    EXPECT_EQ(led.styleSheet(), s[led_red]);
    led.set_on(false);
    EXPECT_EQ(led.styleSheet(), s[led_lightgray]);
    led.set_on(true);
    EXPECT_EQ(led.styleSheet(), s[led_red]);
    led.set_colour_entry(led_green);
    EXPECT_EQ(led.styleSheet(), s[led_green]);
    led.set_colour_index(0);
    EXPECT_EQ(led.styleSheet(), s[led_gray]);
    led.set_state(1);
    EXPECT_EQ(led.styleSheet(), s[led_green]);
    led.set_on(false);
    led.set_colour_entry(led_yellow);  // off: the picture stays off
    EXPECT_EQ(led.styleSheet(), s[led_lightgray]);
    led.set_colour_entry(9);           // no such entry
    led.set_state(1);
    EXPECT_EQ(led.styleSheet(), s[led_yellow]);

    QLabel lamp;
    set_led_style(&lamp, led_green);
    EXPECT_EQ(lamp.styleSheet(), s[led_green]);
    set_led_style(&lamp, 5);
    EXPECT_EQ(lamp.styleSheet(), s[led_green]);
}

TEST_F(SmallWidgets, LedPicturesAreDrawn)
{
    // The pictures come from the compiled-in resources: the middle of a lit LED is coloured.
    struct row { int entry; bool red, green; };
    for (const row& r : {row{led_red, true, false}, row{led_green, false, true}}) {
        c_my_led led;
        led.resize(24, 24);
        led.set_colour_entry(r.entry);
        led.set_state(1);
        const QColor c = led.grab().toImage().pixelColor(12, 14);
        EXPECT_EQ(c.red() > 150, r.red) << c.name().toStdString();
        EXPECT_EQ(c.green() > 150, r.green) << c.name().toStdString();
        EXPECT_LT(c.blue(), 100) << c.name().toStdString();
    }
}

// --- sequence table ---------------------------------------------------------------------------

TEST_F(SmallWidgets, SequenceTableAppendsAndSelects)
{
    c_qtablewidget_seq t;
    const quint16 widths[] = {50, 80};
    t.setup_columns(QStringList{"No", "Text"}, widths);
    EXPECT_EQ(t.columnWidth(1), 80);
    t.select_row(-1);  // empty: nothing
    for (int i = 0; i < 5; ++i)
        t.append_row(QStringList{QString::number(i), QStringLiteral("t%1").arg(i)});
    EXPECT_EQ(t.currentRow(), 4);
    t.select_row(1);
    EXPECT_EQ(t.currentRow(), 1);
    t.select_row(-1);
    EXPECT_EQ(t.currentRow(), 4);
    t.select_row(1);
    t.select_row(5);  // past the end: nothing
    EXPECT_EQ(t.currentRow(), 1);

    t.append_row(QStringList{"short"});
    t.append_row(QStringList{"a", "b", "surplus"});
    EXPECT_EQ(t.item(5, 1)->text(), "");
    EXPECT_EQ(t.item(6, 1)->text(), "b");
    EXPECT_EQ(t.columnCount(), 2);
    t.clear_rows();
    EXPECT_EQ(t.rowCount(), 0);
}

}  // namespace

// A window shown again goes back where it stood: the window system's first placement of it is
// undone, a later move (the user's) is not.
TEST_F(SmallWidgets, AWindowShownAgainStandsWhereItStood)
{
    QWidget w;
    w.resize(300, 200);
    w.move(40, 30);
    w.show();
    const QPoint stood = w.pos();
    w.hide();
    show_where_it_stood(&w, stood);
    EXPECT_EQ(w.pos(), stood);
    w.move(0, 120);  // as a window manager placing a window mapped anew
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.pos() == stood; }, 1000));
    w.move(90, 90);  // the user's
    QCoreApplication::processEvents();
    EXPECT_EQ(w.pos(), QPoint(90, 90));
}
