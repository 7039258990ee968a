// Plot widgets: axis snapping and scrolling, rubber-band zoom, curves with marks and gaps
// (pixel checks at computed positions), autoscaled channels and the curve slots.
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSignalSpy>
#include <cmath>

#include "qt_app_env.h"
#include "widgets/c_plotter_tvx.h"
#include "widgets/c_plotter_tvx_autoscale.h"
#include "widgets/plot_settings.h"
#include "widgets/sample_min_max.h"

Q_DECLARE_METATYPE(PlotSettings*)

namespace {

TEST(PlotSettings, SnapAxis)
{
    struct row {
        int min, max;
        int smin, smax, ticks;
    };
    const row cases[] = {
        {0, 10, 0, 10, 5}, {0, 2, 0, 2, 10}, {33, 83, 30, 90, 6}, {200, 600, 200, 600, 4},
        {0, 3, 0, 3, 6},   {-7, 5, -8, 6, 7}, {1, 2, 1, 2, 5}, {0, 40, 0, 40, 4},
        {5, 5, 5, 6, 5},   {9, 3, 9, 10, 5},  // empty or reversed: a span of one, no undefined maths
    };
    for (const row& c : cases) {
        int lo = c.min, hi = c.max, ticks = 0;
        PlotSettings::snap_axis(lo, hi, ticks);
        EXPECT_EQ(lo, c.smin) << c.min << ".." << c.max;
        EXPECT_EQ(hi, c.smax) << c.min << ".." << c.max;
        EXPECT_EQ(ticks, c.ticks) << c.min << ".." << c.max;
        EXPECT_GE(ticks, 4);
    }
}

TEST(PlotSettings, ScrollTicksByIntegerSteps)
{
    PlotSettings s;
    s.scroll_ticks(1, -1);
    EXPECT_EQ(s.xMin, 2);
    EXPECT_EQ(s.xMax, 12);
    EXPECT_EQ(s.yMin, -2);
    s.xMin = 0;
    s.xMax = 12;
    s.scroll_ticks(-1, 0);
    EXPECT_EQ(s.xMin, -2);
    EXPECT_EQ(s.xMax, 10);
    s.xTicks = 0;  // never divides by zero
    s.scroll_ticks(1, 0);
    EXPECT_EQ(s.xMin, -2);
}

struct plot_fixture : ::testing::Test {
    c_plotter_tvx plot;
    QVector<QColor> colours;

    void SetUp() override
    {
        qRegisterMetaType<PlotSettings*>("PlotSettings*");
        for (int i = 0; i < 16; ++i)
            colours << QColor::fromHsv(i * 22, 255, 255).toRgb();
        plot.setup_curves(false, false, 16, &colours, 1, 0, 1, 0);
        plot.resize(600, 400);
        plot.show();
        PlotSettings r;
        r.xMin = 0;
        r.xMax = 1000;
        r.yMin = 0;
        r.yMax = 100;
        plot.apply_view_range(&r, false, true);
    }
    void drag(QPoint from, QPoint to)
    {
        QMouseEvent press(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &press);
        QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &release);
    }
};

TEST_F(plot_fixture, RubberBandZoomEmitsTheSnappedRange)
{
    PlotSettings seen;
    int zooms = 0;
    QObject::connect(&plot, &c_plotter_se::sig_ZoomChanged, [&](PlotSettings* s) {
        seen = *s;
        ++zooms;
    });
    // Band (150,100)-(350,250): plot area offsets 100..300 x 50..200 of 500 x 300 pixels, so
    // X 200..600 and Y 33..83, snapped to X 200..600 (4 ticks of 100), Y 30..90 (6 of 10).
    drag(QPoint(150, 100), QPoint(350, 250));
    ASSERT_EQ(zooms, 1);
    const PlotSettings expected{200, 600, 4, 30, 90, 6};
    EXPECT_TRUE(seen == expected) << seen.xMin << " " << seen.xMax << " " << seen.yMin << " " << seen.yMax;
    EXPECT_TRUE(plot.view_range() == expected);
    EXPECT_FALSE(plot.rubber_band()->isVisible());

    // A band of 3 x 100 pixels does not zoom.
    drag(QPoint(200, 100), QPoint(203, 200));
    EXPECT_EQ(zooms, 1);
    // A band whose X span comes out as 3 or less: no zoom, band hidden.
    drag(QPoint(200, 100), QPoint(204, 200));
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(plot.view_range() == expected);
    EXPECT_FALSE(plot.rubber_band()->isVisible());
}

TEST_F(plot_fixture, ZoomBySignalOnlyKeepsTheRangeAndBand)
{
    plot.setup_curves(true, true, 16, &colours, 1, 0, 1, 0);
    QSignalSpy spy(&plot, &c_plotter_se::sig_ZoomChanged);
    const PlotSettings before = plot.view_range();
    drag(QPoint(150, 100), QPoint(350, 250));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(plot.view_range() == before);
    EXPECT_TRUE(plot.rubber_band()->isVisible());
}

TEST_F(plot_fixture, KeysScrollByTicks)
{
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&plot, &right);
    EXPECT_EQ(plot.view_range().xMin, 200);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&plot, &down);
    EXPECT_EQ(plot.view_range().yMin, -20);
}

int colour_pixels_in_column(const QImage& img, int x, int top, int bottom, const QColor& c)
{
    int n = 0;
    for (int y = top; y <= bottom; ++y)
        n += img.pixel(x, y) == c.rgb();
    return n;
}

TEST_F(plot_fixture, GapsBreakTheLineAndMarksDrawDottedLinesOnlyOnSomeCurves)
{
    PlotSettings r{0, 20, 5, 0, 100, 5};
    plot.apply_view_range(&r, false, false);
    const qint16 M = c_plotter_tvx::mark_value;
    const qint16 G = -32768;
    QVector<qint16> gapped{50, 50, 50, 50, 50, 50, 50, G, G, 50, 50, 50, 50, 50, 50};
    QVector<qint16> marked{10, 10, M, M, M, M, 20, 20};
    QVector<qint16> marked2 = marked;
    ASSERT_TRUE(plot.attach_curve(5, nullptr, &gapped, false));
    ASSERT_TRUE(plot.attach_curve(4, nullptr, &marked, false));
    ASSERT_TRUE(plot.attach_curve(2, nullptr, &marked2, false));
    plot.redraw_backdrop();
    const QImage img = plot.backdrop().toImage();
    const QRect area = plot.plot_rect();

    // Curve 5 at value 50: drawn between samples 2 and 3, not across the gap (6 to 9).
    const int y50 = plot.map_to_pixel(0, 50).y();
    auto x_of = [&](double i) { return plot.map_to_pixel(i, 0).x(); };
    EXPECT_EQ(img.pixel(x_of(2.5), y50), colours[5].rgb());
    EXPECT_EQ(img.pixel(x_of(11.5), y50), colours[5].rgb());
    for (double i : {6.3, 7.5, 8.7})
        EXPECT_NE(img.pixel(x_of(i), y50), colours[5].rgb()) << i;

    // Curve 4 enters the mark after sample 1 and leaves it at sample 6: dotted lines there.
    EXPECT_GT(colour_pixels_in_column(img, x_of(1), area.top() + 1, area.bottom() - 1, colours[4]), 50);
    EXPECT_GT(colour_pixels_in_column(img, x_of(6), area.top() + 1, area.bottom() - 1, colours[4]), 50);
    EXPECT_EQ(colour_pixels_in_column(img, x_of(3.5), area.top() + 1, area.bottom() - 1, colours[4]), 0);
    // Curve 2 has the same values but gets no mark lines, and no segments around the mark.
    for (double i : {1.0, 3.5, 6.0})
        EXPECT_EQ(colour_pixels_in_column(img, x_of(i), area.top() + 1, area.bottom() - 1, colours[2]), 0) << i;
    // Its band (curve 2 is a band curve) fills down to value 0 between samples 0 and 1.
    EXPECT_NE(img.pixel(x_of(0.5), plot.map_to_pixel(0, 5).y()), QColor(Qt::black).rgb());
}

TEST_F(plot_fixture, DenseCurvesKeepTheirPeaksGapsBandsAndMarks)
{
    // 200,000 samples on a plot a few hundred pixels wide: drawn column by column.
    PlotSettings r{0, 200000, 5, 0, 100, 5};
    plot.apply_view_range(&r, false, false);
    const qint16 M = c_plotter_tvx::mark_value;
    const qint16 G = -32768;
    QVector<qint16> line(200000, 50);
    line[100000] = 90;  // one sample
    for (int i = 140000; i < 160000; ++i)
        line[i] = G;
    QVector<qint16> band(200000, 30);
    QVector<qint16> marked(200000, 10);
    for (int i = 40000; i < 60000; ++i)
        marked[i] = M;
    ASSERT_TRUE(plot.attach_curve(5, nullptr, &line, false));
    ASSERT_TRUE(plot.attach_curve(0, nullptr, &band, false));
    ASSERT_TRUE(plot.attach_curve(4, nullptr, &marked, false));
    plot.redraw_backdrop();
    const QImage img = plot.backdrop().toImage();
    const QRect area = plot.plot_rect();
    ASSERT_LT(area.width(), 1000);
    auto x_of = [&](double i) { return plot.map_to_pixel(i, 0).x(); };
    auto y_of = [&](double v) { return plot.map_to_pixel(0, v).y(); };
    auto column_count = [&](double i, int curve) {
        return colour_pixels_in_column(img, x_of(i), area.top() + 1, area.bottom() - 1, colours[curve]);
    };

    EXPECT_EQ(img.pixel(x_of(20000), y_of(50)), colours[5].rgb());
    EXPECT_EQ(img.pixel(x_of(100000), y_of(90)), colours[5].rgb());  // the single peak
    EXPECT_NE(img.pixel(x_of(99000), y_of(90)), colours[5].rgb());
    EXPECT_EQ(column_count(150000, 5), 0);                           // the gap
    EXPECT_EQ(img.pixel(x_of(170000), y_of(50)), colours[5].rgb());
    // The band under curve 0, and nothing of it above the curve.
    EXPECT_NE(img.pixel(x_of(20000), y_of(15)), QColor(Qt::black).rgb());
    EXPECT_EQ(img.pixel(x_of(20000), y_of(40)), QColor(Qt::black).rgb());
    // Curve 4's mark: dotted lines where it starts and ends, nothing of the curve inside.
    EXPECT_GT(column_count(40000, 4), 50);
    EXPECT_GT(column_count(59999, 4), 50);
    EXPECT_EQ(column_count(50000, 4), 0);
}

TEST_F(plot_fixture, LiveDrawingLeavesOutTheLowestDrawableValue)
{
    PlotSettings r{0, 20, 5, 0, 100, 5};
    plot.apply_view_range(&r, false, false);
    // -32764 is still a value in the pixmap (a steep line down) but a break when drawn live.
    QVector<qint16> s{50, 50, 50, -32764, -32764, 50, 50, 50};
    ASSERT_TRUE(plot.attach_curve(6, nullptr, &s, false));
    plot.redraw_backdrop();
    const int x = plot.map_to_pixel(2, 0).x();  // the steep line runs down this column
    const QRect area = plot.plot_rect();
    EXPECT_GT(colour_pixels_in_column(plot.backdrop().toImage(), x, area.top() + 1, area.bottom() - 1, colours[6]), 50);

    ASSERT_TRUE(plot.set_live_curve_mask(1 << 6));
    plot.redraw_backdrop();
    plot.draw_increment(s.size());
    const QImage shown = plot.grab().toImage();
    EXPECT_LE(colour_pixels_in_column(shown, x, area.top() + 1, area.bottom() - 1, colours[6]), 2);
    const int y50 = plot.map_to_pixel(0, 50).y();
    EXPECT_EQ(shown.pixel(plot.map_to_pixel(1.5, 0).x(), y50), colours[6].rgb());
    EXPECT_EQ(shown.pixel(plot.map_to_pixel(5.5, 0).x(), y50), colours[6].rgb());
}

// Counts the paint events a widget gets.
struct paint_counter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(plot_fixture, LiveSamplesArrivingFasterThanFramesArePaintedTogether)
{
    PlotSettings r{0, 200, 5, 0, 100, 5};
    plot.apply_view_range(&r, false, false);
    QVector<qint16> s{50, 50};
    ASSERT_TRUE(plot.attach_curve(6, nullptr, &s, false));
    ASSERT_TRUE(plot.set_live_curve_mask(1 << 6));
    plot.redraw_backdrop();
    QApplication::processEvents();
    paint_counter counter;
    plot.installEventFilter(&counter);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 100; ++i) {
        s << 50;
        plot.draw_increment(s.size());
        QApplication::processEvents();
    }
    // One paint at once, then at most one per frame interval.
    EXPECT_LE(counter.paints, 1 + t.elapsed() / c_plotter_se::live_frame_ms);
    // The samples still waiting are painted once the interval is over.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 3 * c_plotter_se::live_frame_ms)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    EXPECT_GE(counter.paints, 2);
    plot.removeEventFilter(&counter);
    const QImage shown = plot.grab().toImage();
    EXPECT_EQ(shown.pixel(plot.map_to_pixel(100.5, 0).x(), plot.map_to_pixel(0, 50).y()), colours[6].rgb());
}

TEST_F(plot_fixture, SmallWidgetShowsNoGrid)
{
    plot.resize(100, 100);
    plot.redraw_backdrop();
    const QImage img = plot.backdrop().toImage();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixel(x, y), QColor(Qt::black).rgb()) << x << "," << y;
}

TEST_F(plot_fixture, CurveSlots)
{
    QVector<qint16> a{1, 2}, b{3, 4}, c{5};
    int found = -1;
    ASSERT_TRUE(plot.attach_curve(2, nullptr, &a, false));
    ASSERT_TRUE(plot.attach_curve(3, nullptr, &b, false));
    ASSERT_TRUE(plot.attach_curve(2, &found, &c, false));
    EXPECT_EQ(found, 4);
    EXPECT_EQ(plot.curve_data(4), &c);
    EXPECT_FALSE(plot.attach_curve(16, nullptr, &c, false));  // outside the slots

    EXPECT_FALSE(plot.set_live_curve_mask(0x21));  // slot 0 has no samples
    EXPECT_EQ(plot.live_mask(), 0);
    EXPECT_TRUE(plot.set_live_curve_mask(0x0C));
    EXPECT_EQ(plot.live_mask(), 0x0C);

    // A detached slot is empty, not a loaded curve with its bit cleared.
    plot.detach_curve(3, false);
    EXPECT_EQ(plot.curve_data(3), nullptr);
    EXPECT_EQ(plot.valid_mask() & 0x08, 0);
    EXPECT_FALSE(plot.set_live_curve_mask(0x08));
    ASSERT_TRUE(plot.attach_curve(2, &found, &c, false));
    EXPECT_EQ(found, 3);

    ASSERT_TRUE(plot.attach_curve(12, nullptr, &b, false));
    plot.setup_curves(false, false, 5, &colours, 1, 0, 1, 0);
    EXPECT_EQ(plot.curve_data(12), nullptr);  // no curve of the earlier set-up stays behind
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(plot.attach_curve(i, nullptr, &a, false));
    EXPECT_FALSE(plot.attach_curve(2, &found, &c, false));  // all remaining slots in use
    plot.detach_all_curves();
    EXPECT_EQ(plot.valid_mask(), 0);
    EXPECT_EQ(plot.curve_data(2), nullptr);

    int lo = 0, hi = 0;
    QVector<qint16> v{5, 3, 1};
    sample_min_max(&v, &lo, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 5);
}

struct tick_texts : c_plotter_tvx {
    QString x(int value, int step)
    {
        QString s;
        x_tick_text(value, &s, step);
        return s;
    }
};

TEST(CurvePlot, TimeAxisTexts)
{
    tick_texts p;
    EXPECT_EQ(p.x(12345, 50), QStringLiteral("2:03.45"));
    EXPECT_EQ(p.x(12345, 100), QStringLiteral("2:03"));
    EXPECT_EQ(p.x(0, 6000), QStringLiteral("0:00"));
}

TEST(AutoscalePlot, ConstantCurvesGiveAUsableRange)
{
    c_plotter_tvx_autoscale plot;
    QVector<QColor> colours(16, Qt::white);
    plot.setup_curves(false, false, 16, &colours, 1, 0, 1, 0);
    QVector<qint16> flat(300, 500), sine(300), other(300, -20);
    for (int i = 0; i < 300; ++i)
        sine[i] = qint16(1000 * std::sin(i / 20.0));
    plot.attach_curve(9, nullptr, &flat, false);
    int x0, x1, y0, y1;
    ASSERT_TRUE(plot.autoscale_channels(9, &x0, &x1, &y0, &y1));
    EXPECT_EQ(x0, 0);
    EXPECT_EQ(x1, 300);
    EXPECT_LT(y0, y1);
    EXPECT_LE(y0, 500);
    EXPECT_GE(y1, 500);
    EXPECT_GT(plot.channel_scale(9), 0.0);

    // A sine reference with a flat channel beside it finishes and scales both.
    plot.attach_curve(6, nullptr, &sine, false);
    plot.attach_curve(7, nullptr, &other, false);
    ASSERT_TRUE(plot.autoscale_channels(6, &x0, &x1, &y0, &y1));
    EXPECT_LT(y0, y1);
    EXPECT_TRUE(std::isfinite(plot.channel_scale(7)) && plot.channel_scale(7) > 0);

    PlotSettings range{x0, x1, 5, y0, y1, 5};
    plot.resize(600, 400);
    plot.apply_view_range(&range, true, true);  // draws without faults

    EXPECT_FALSE(plot.autoscale_channels(3, &x0, &x1, &y0, &y1));  // no samples in slot 3
}

// Reference 0..200: a channel of 0..100 gets scale 2, and a flat channel far outside the
// reference's range neither stretches the common range nor leaves it.
TEST(AutoscalePlot, ChannelsScaleToTheReferenceAndFlatOnesStayInItsRange)
{
    c_plotter_tvx_autoscale plot;
    QVector<QColor> colours(16, Qt::white);
    plot.setup_curves(false, false, 16, &colours, 1, 0, 1, 0);
    QVector<qint16> ref{0, 200, 100}, half{0, 100, 50}, high(3, 3000), low(3, -40), inside(3, 120);
    plot.attach_curve(9, nullptr, &ref, false);
    plot.attach_curve(6, nullptr, &half, false);
    int x0, x1, y0, y1;
    ASSERT_TRUE(plot.autoscale_channels(9, &x0, &x1, &y0, &y1));
    EXPECT_DOUBLE_EQ(plot.channel(6).scale, 2.0);
    EXPECT_EQ(y0, 0);
    EXPECT_EQ(y1, 200);

    plot.attach_curve(7, nullptr, &high, false);
    plot.attach_curve(8, nullptr, &low, false);
    plot.attach_curve(5, nullptr, &inside, false);
    ASSERT_TRUE(plot.autoscale_channels(9, &x0, &x1, &y0, &y1));
    EXPECT_EQ(y0, 0);
    EXPECT_EQ(y1, 200);
    EXPECT_DOUBLE_EQ(plot.channel(6).scale, 2.0);
    struct row {
        int slot;
        double shown;  // where the flat value is drawn, in the reference's units
    };
    for (const row& r : {row{7, 200.0}, row{5, 120.0}}) {
        SCOPED_TRACE(r.slot);
        EXPECT_NEAR(plot.channel(r.slot).min * plot.channel(r.slot).scale, r.shown, 1e-9);
    }
    // No end of the reference's range has the sign of -40: it keeps its value, and the range.
    EXPECT_DOUBLE_EQ(plot.channel(8).scale, 1.0);
}

TEST(AutoscalePlot, ReferenceRangeSetsTheTickScale)
{
    c_plotter_tvx_autoscale plot;
    QVector<QColor> colours(16, Qt::white);
    plot.setup_curves(false, false, 16, &colours, 1, 0, 1, 0);
    QVector<qint16> pos{0, 100, 200};
    plot.attach_curve(9, nullptr, &pos, false);
    plot.set_reference_range(9, 0, 200);
    // 0..200 snaps to 10 ticks of 20; one tick of a channel at scale 1 is 20 (2 x 10).
    EXPECT_EQ(plot.tick_step(), 20);
    EXPECT_EQ(plot.channel(9).labelStep, 2);
    EXPECT_EQ(plot.channel(9).numerator, 10);
    EXPECT_DOUBLE_EQ(plot.channel_scale(9), 20.0);
}

}  // namespace
