#include "widgets/c_plotter_tvx.h"

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

    const QPen markPen0(Qt::white, 1, Qt::DotLine, Qt::RoundCap, Qt::RoundJoin);
    // Past the longest curve nothing is drawn; stop there, whatever the range.
    int longest = 0;
    for (int c : curves)
        longest = qMax(longest, slots_[c].samples->size());
    const int last = qMin(settings.xMax - 1, longest - 1);
    for (int x = qMax(settings.xMin, 1); x <= last; ++x) {
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
                QPen pen = markPen0;
                pen.setColor(slots_[c].colour);
                if (a == mark_value && b != mark_value) {
                    painter->setPen(pen);
                    painter->drawLine(q.x(), 0, q.x(), 1000);
                } else if (a != mark_value && b == mark_value) {
                    painter->setPen(pen);
                    painter->drawLine(p.x(), 0, p.x(), 1000);
                }
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
