#include "widgets/c_plotter_tvx.h"

#include <limits>

#include <QPainter>
#include <QPolygon>

namespace {

bool drawable(int v)
{
    return v >= c_plotter_tvx::lowest_drawable;
}

bool gets_mark_lines(int slot)
{
    return slot == 1 || (slot >= 4 && slot <= 10);
}

}  // namespace

c_plotter_tvx::c_plotter_tvx(QWidget* parent) : c_plotter_se(parent) {}

QColor c_plotter_tvx::band_colour(int curve)
{
    static const QColor bands[4] = {QColor(20, 210, 10, 76), QColor(0, 155, 186, 76), QColor(255, 255, 127, 76),
                                    QColor(238, 127, 0, 76)};
    return (curve >= 0 && curve < 4) ? bands[curve] : QColor();
}

void c_plotter_tvx::setup_curves(bool zoomEmitOnlyP, bool keepBandAfterZoomP, int count, const QVector<QColor>* colours,
                                 int xLabelScaleP, int xLabelDecimalsP, int yLabelScaleP, int yLabelDecimalsP)
{
    c_plotter_se::setup_curves(zoomEmitOnlyP, keepBandAfterZoomP, count, colours, xLabelScaleP, xLabelDecimalsP,
                               yLabelScaleP, yLabelDecimalsP);
    // Every slot, not only those of the current count: a smaller count must not leave curves
    // of an earlier set-up behind for the autoscaling to read.
    for (curve_slot& s : slots_)
        s.samples = nullptr;
}

bool c_plotter_tvx::attach_curve(int index, int* foundIndex, QVector<qint16>* samples, bool refresh)
{
    if (!samples)
        return false;
    int slot = index;
    if (foundIndex) {
        slot = -1;
        for (int i = qMax(0, index); i < curveCount; ++i)
            if (!(validMask & (1u << i))) {
                slot = i;
                break;
            }
        if (slot < 0)
            return false;
        *foundIndex = slot;
    } else if (index < 0 || index >= curveCount) {
        return false;
    }
    slots_[slot].samples = samples;
    slots_[slot].colour = curveColours.value(slot, QColor(Qt::white));
    validMask |= quint16(1u << slot);
    if (refresh)
        redraw_backdrop();
    return true;
}

QVector<qint16>* c_plotter_tvx::curve_data(int index) const
{
    return (index >= 0 && index < 16) ? slots_[index].samples : nullptr;
}

void c_plotter_tvx::detach_all_curves()
{
    for (curve_slot& s : slots_)
        s.samples = nullptr;
    c_plotter_se::detach_all_curves();
}

void c_plotter_tvx::detach_curve(int index, bool refresh)
{
    if (index >= 0 && index < 16)
        slots_[index].samples = nullptr;
    c_plotter_se::detach_curve(index, refresh);
}

double c_plotter_tvx::plotted_value(int, int value) const
{
    return value;
}

void c_plotter_tvx::paint_curves(QPainter* painter)
{
    QVector<int> curves;
    for (int c = 0; c < qMin(curveCount, 11); ++c)
        if ((validMask & (1u << c)) && !(liveMask & (1u << c)) && slots_[c].samples)
            curves.append(c);
    if (curves.isEmpty())
        return;

    // Past the longest curve nothing is drawn; stop there, whatever the range.
    int longest = 0;
    for (int c : curves)
        longest = qMax(longest, slots_[c].samples->size());
    const int first = qMax(settings.xMin, 1);
    const int last = qMin(settings.xMax - 1, longest - 1);
    if (last < first)
        return;
    // With more samples than pixel columns, each column is drawn once per curve.
    const int span = qMax(1, settings.xMax - settings.xMin);
    if (plotRect.width() < span)
        paint_columns(painter, curves, first, last);
    else
        paint_samples(painter, curves, first, last);
}

void c_plotter_tvx::paint_mark_line(QPainter* painter, int slot, int x) const
{
    painter->setPen(QPen(slots_[slot].colour, 1, Qt::DotLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawLine(x, 0, x, 1000);
}

void c_plotter_tvx::paint_samples(QPainter* painter, const QVector<int>& curves, int first, int last)
{
    for (int x = first; x <= last; ++x) {
        bool haveLower = false;
        QPoint lowP;
        QPoint lowQ;
        for (int c : curves) {
            const QVector<qint16>& s = *slots_[c].samples;
            if (x >= s.size())
                continue;
            const int a = s.at(x - 1);
            const int b = s.at(x);
            const QPoint p = map_to_pixel(x - 1, plotted_value(c, a));
            const QPoint q = map_to_pixel(x, plotted_value(c, b));
            if (gets_mark_lines(c)) {
                if (a == mark_value && b != mark_value)
                    paint_mark_line(painter, c, q.x());
                else if (a != mark_value && b == mark_value)
                    paint_mark_line(painter, c, p.x());
            }
            if (!drawable(a) || !drawable(b))
                continue;
            if (c < 4) {
                if (!haveLower) {
                    lowP = map_to_pixel(x - 1, 0);
                    lowQ = map_to_pixel(x, 0);
                }
                QPolygon band;
                band << p << q << lowQ << lowP;
                painter->setPen(Qt::NoPen);
                painter->setBrush(band_colour(c));
                painter->drawPolygon(band, Qt::OddEvenFill);
                lowP = p;
                lowQ = q;
                haveLower = true;
            }
            draw_segment(painter, c, p, q);
        }
    }
}

void c_plotter_tvx::paint_columns(QPainter* painter, const QVector<int>& curves, int first, int last)
{
    // Samples first - 1 to last, numbered from 0: where each pixel column starts, and its x.
    const int n = last - first + 2;
    QVector<int> starts;
    QVector<int> xs;
    auto x_at = [&](int i) { return map_to_pixel(first - 1 + i, 0).x(); };
    for (int i = 0; i < n;) {
        const int x = x_at(i);
        starts.append(i);
        xs.append(x);
        // The first sample of the next column (x grows with the index): doubling steps, then
        // halving between the last sample known in this column and the first known past it.
        int lo = i + 1;
        int step = 1;
        while (lo + step - 1 < n && x_at(lo + step - 1) == x) {
            lo += step;
            step *= 2;
        }
        int hi = qMin(n, lo + step - 1);
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (x_at(mid) == x)
                lo = mid + 1;
            else
                hi = mid;
        }
        i = lo;
    }
    const int columns = starts.size();
    starts.append(n);

    // The top edge of the band below, per column: the zero line until a band is drawn.
    constexpr int no_band = std::numeric_limits<int>::min();
    const int zeroY = map_to_pixel(0, 0).y();
    QVector<int> lower(columns, zeroY);

    for (int c : curves) {
        const QVector<qint16>& s = *slots_[c].samples;
        const qint16* v = s.constData() + (first - 1);
        const int end = qMin(n, s.size() - (first - 1));  // samples of this curve in the list
        const bool marks = gets_mark_lines(c);
        auto y_of = [&](int value) { return map_to_pixel(0, plotted_value(c, value)).y(); };
        QVector<int> top(columns, no_band);
        QPolygon line;
        int runLength = 0;  // drawable samples in the current line
        auto flush = [&] {
            if (runLength > 1) {
                painter->setPen(QPen(slots_[c].colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter->drawPolyline(line);
            }
            line.clear();
            runLength = 0;
        };
        int lastMarkX = no_band;
        auto mark_at = [&](int x) {
            if (x != lastMarkX)
                paint_mark_line(painter, c, x);
            lastMarkX = x;
        };
        for (int k = 0; k < columns && starts[k] < end; ++k) {
            const int x = xs[k];
            // The drawable stretch of this column so far: first, smallest, greatest, last value.
            bool have = false;
            int first_v = 0, min_v = 0, max_v = 0, last_v = 0;
            auto close_column = [&] {
                if (have) {
                    const int a = y_of(first_v), b = y_of(min_v), d = y_of(max_v), e = y_of(last_v);
                    line << QPoint(x, a) << QPoint(x, b) << QPoint(x, d) << QPoint(x, e);
                }
                have = false;
            };
            const int stop = qMin(starts[k + 1], end);
            for (int i = starts[k]; i < stop; ++i) {
                const int value = v[i];
                if (marks && i > 0 && (v[i - 1] == mark_value) != (value == mark_value))
                    mark_at(value == mark_value ? xs[k - (i == starts[k] ? 1 : 0)] : x);
                if (!drawable(value)) {
                    close_column();
                    flush();
                    continue;
                }
                if (!have) {
                    first_v = min_v = max_v = value;
                    have = true;
                } else {
                    min_v = qMin(min_v, value);
                    max_v = qMax(max_v, value);
                }
                last_v = value;
                ++runLength;
            }
            if (c < 4 && have && runLength > 1)
                top[k] = y_of(last_v);
            close_column();
        }
        if (c < 4) {
            for (int k = 0; k < columns; ++k) {
                if (top[k] == no_band)
                    continue;
                painter->fillRect(QRect(QPoint(xs[k], qMin(top[k], lower[k])), QPoint(xs[k], qMax(top[k], lower[k]))),
                                  band_colour(c));
                lower[k] = top[k];
            }
        }
        flush();
    }
}

void c_plotter_tvx::draw_segment(QPainter* painter, int slot, const QPoint& p, const QPoint& q) const
{
    painter->setBrush(Qt::transparent);
    painter->setPen(QPen(slots_[slot].colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawLine(p, q);
    if (q.x() - p.x() >= 16) {
        painter->setPen(QPen(slots_[slot].colour, 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->drawPoint(p);
        painter->drawPoint(q);
    }
}

void c_plotter_tvx::paint_live_curves(QPainter* painter, bool fromStart)
{
    if (!liveMask || !live_area(painter))
        return;
    const int start = fromStart ? 0 : liveStart;
    for (int c = 0; c < curveCount; ++c) {
        if (!(liveMask & (1u << c)) || !slots_[c].samples)
            continue;
        const QVector<qint16>& s = *slots_[c].samples;
        if (s.size() < liveEnd)
            liveEnd = s.size();
        painter->setPen(QPen(slots_[c].colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPolygon line;
        for (int i = qMax(0, start); i < liveEnd; ++i) {
            const int v = s.at(i);
            if (v < lowest_live_drawable) {
                if (line.size() > 1)
                    painter->drawPolyline(line);
                line.clear();
                continue;
            }
            line << map_to_pixel(i, plotted_value(c, v));
        }
        if (line.size() > 1)
            painter->drawPolyline(line);
    }
    liveStart = liveEnd > 0 ? liveEnd - 1 : 0;
}

void c_plotter_tvx::x_tick_text(int value, QString* out, int tickStep)
{
    const int minutes = value / 6000;
    if (tickStep / 100 < 1)
        *out = QString::asprintf("%d:%05.2f", minutes, (value % 6000) / 100.0);
    else
        *out = QString::asprintf("%d:%02d", minutes, value / 100 - minutes * 60);
}
