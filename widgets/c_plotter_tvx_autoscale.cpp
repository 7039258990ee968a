#include "widgets/c_plotter_tvx_autoscale.h"

#include <QDebug>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "widgets/sample_min_max.h"

c_plotter_tvx_autoscale::c_plotter_tvx_autoscale(QWidget* parent) : c_plotter_tvx(parent) {}

bool c_plotter_tvx_autoscale::has_data(int slot) const
{
    return slot >= 0 && slot < 16 && slots_[slot].samples && !slots_[slot].samples->isEmpty();
}

namespace {
// Scale of a channel beside the reference: the ratio of their spans. A flat channel has no
// span to scale by; beside a reference with one it is drawn at its own value when that lies
// in the reference's range, else pulled onto the range's nearer end of the same sign.
double flat_channel_scale(const c_plotter_tvx_autoscale::channel_record& ch,
                          const c_plotter_tvx_autoscale::channel_record& ref)
{
    if (ref.span <= 0)
        return 1.0;
    if (ch.span > 0)
        return double(ref.span) / ch.span;
    const int v = ch.min;
    if (v >= ref.min && v <= ref.max)
        return 1.0;
    if (v > 0 && ref.max > 0)
        return double(ref.max) / v;
    if (v < 0 && ref.min < 0)
        return double(ref.min) / v;
    return 1.0;
}
}  // namespace

bool c_plotter_tvx_autoscale::autoscale_channels(int refChannelP, int* xMin, int* xMax, int* yMin, int* yMax)
{
    refChannel = refChannelP;
    if (!has_data(refChannel))
        return false;
    channel_record& ref = channelScales[refChannel];
    sample_min_max(slots_[refChannel].samples, &ref.min, &ref.max);
    ref.span = ref.max - ref.min;
    ref.scale = 1.0;

    int longest = 0;
    for (int i = 0; i < 16; ++i) {
        if (!has_data(i))
            continue;
        longest = qMax(longest, slots_[i].samples->size());
        if (i == refChannel)
            continue;
        channel_record& ch = channelScales[i];
        sample_min_max(slots_[i].samples, &ch.min, &ch.max);
        ch.span = ch.max - ch.min;
        ch.scale = flat_channel_scale(ch, ref);
    }

    double lo = 32767;
    double hi = -32768;
    for (int i = 0; i < 16; ++i) {
        if (!has_data(i))
            continue;
        // A flat channel beside a reference with a span has no range of its own to show;
        // it is drawn inside the reference's range and does not stretch the common one.
        if (i != refChannel && channelScales[i].span == 0 && ref.span > 0)
            continue;
        lo = qMin(lo, channelScales[i].min * channelScales[i].scale);
        hi = qMax(hi, channelScales[i].max * channelScales[i].scale);
    }
    overallMin = int(lo);
    overallMax = int(hi);
    // Flat curves alone give no height to plot in: open the range by one on each side.
    if (overallMax <= overallMin) {
        overallMin -= 1;
        overallMax += 1;
    }
    compute_label_steps();

    *xMin = 0;
    *xMax = longest;
    *yMin = overallMin;
    *yMax = overallMax;
    return true;
}

void c_plotter_tvx_autoscale::set_reference_range(int refChannelP, int min, int max)
{
    refChannel = refChannelP;
    for (int i = 0; i < 16; ++i) {
        if (!has_data(i))
            continue;
        channel_record& ch = channelScales[i];
        ch.min = min;
        ch.max = max;
        ch.span = max - min;
        ch.scale = 1.0;
    }
    overallMin = min;
    overallMax = max;
    compute_label_steps();
}

void c_plotter_tvx_autoscale::compute_label_steps()
{
    int smin = overallMin;
    int smax = overallMax;
    int ticks = 5;
    PlotSettings::snap_axis(smin, smax, ticks);
    tickStep = (smax - smin) / ticks;

    for (int i = 0; i < 16; ++i) {
        if (!has_data(i))
            continue;
        channel_record& ch = channelScales[i];
        ch.numerator = 1;
        ch.denominator = 1;
        double h = ch.scale > 0 ? tickStep / ch.scale : 0.0;
        // The decade loops need a positive, finite step; anything else labels ticks one to one.
        if (!(h > 0) || !std::isfinite(h)) {
            ch.labelStep = 1;
            continue;
        }
        while (h >= 10 && ch.numerator < 1000000000) {
            h /= 10;
            ch.numerator *= 10;
        }
        while (h < 1 && ch.denominator < 1000000000) {
            h *= 10;
            ch.denominator *= 10;
        }
        if (h <= 1.01)
            ch.labelStep = 1;
        else if (h <= 2)
            ch.labelStep = 2;
        else if (h <= 4)
            ch.labelStep = 4;
        else if (h <= 5)
            ch.labelStep = 5;
        else if (h <= 6)
            ch.labelStep = 6;
        else if (h <= 8)
            ch.labelStep = 8;
        else
            ch.labelStep = 10;
        qDebug("Stretch Channel %d %.2f", i,
               double(ch.denominator) * tickStep / (double(ch.numerator) * ch.labelStep));
        qDebug("Scale   Channel %d %.2f", i, double(ch.numerator) * ch.labelStep / ch.denominator);
    }
}

double c_plotter_tvx_autoscale::channel_scale(int index) const
{
    if (index < 0 || index >= 16 || channelScales[index].denominator == 0)
        return 0.0;
    const channel_record& ch = channelScales[index];
    return double(ch.numerator) * ch.labelStep / ch.denominator;
}

double c_plotter_tvx_autoscale::plotted_value(int slot, int value) const
{
    const channel_record& ch = channelScales[slot & 15];
    const double div = double(ch.labelStep) * ch.numerator;
    if (div == 0)
        return value;
    return double(value) * tickStep * ch.denominator / div;
}

void c_plotter_tvx_autoscale::paint_curves(QPainter* painter)
{
    QVector<int> curves;
    for (int c = 0; c < qMin(curveCount, 11); ++c)
        if ((validMask & (1u << c)) && !(liveMask & (1u << c)) && slots_[c].samples)
            curves.append(c);
    int longest = 0;
    for (int c : curves)
        longest = qMax(longest, slots_[c].samples->size());
    const int last = qMin(settings.xMax - 1, longest - 1);
    for (int x = qMax(settings.xMin, 1); x <= last; ++x)
        for (int c : curves) {
            const QVector<qint16>& s = *slots_[c].samples;
            if (x >= s.size())
                continue;
            const QPoint p = map_to_pixel(x - 1, plotted_value(c, s.at(x - 1)));
            const QPoint q = map_to_pixel(x, plotted_value(c, s.at(x)));
            draw_segment(painter, c, p, q);
        }
}

void c_plotter_tvx_autoscale::paint_live_curves(QPainter* painter, bool fromStart)
{
    c_plotter_tvx::paint_live_curves(painter, fromStart);
}

void c_plotter_tvx_autoscale::y_tick_text(int tickIndex, QString* out)
{
    const int ticks = settings.yTicks > 0 ? settings.yTicks : 1;
    const int value = tickIndex * (settings.yMax - settings.yMin) / ticks + settings.yMin;
    const channel_record& ref = channelScales[refChannel & 15];
    const double div = double(ref.numerator) * ref.labelStep;
    const double shown = div != 0 ? double(value) * yLabelScale * ref.denominator / div : double(value) * yLabelScale;
    *out = QString::asprintf("%.1f", shown);
}

void c_plotter_tvx_autoscale::paint_title(QPainter* painter, QRect* area)
{
    QFont font(QStringLiteral("HelveticaNeue LT 55 Roman"), 11, 75);
    painter->save();
    painter->setFont(font);
    const QFontMetrics fm(font);
    struct legend {
        const char* format;
        int channel;
    };
    static const legend entries[] = {
        {"Position [%.2f]", 9}, {"Power PWM [%.2f]", 8}, {"Speed [%.2f]", 7}, {"Current [%.2f]", 6}};
    int x = area->left();
    const int baseline = area->top() + 20;
    for (const legend& e : entries) {
        const QString text = QString::asprintf(e.format, channel_scale(e.channel));
        painter->setPen(curveColours.value(e.channel, QColor(Qt::white)));
        painter->drawText(x, baseline, text);
        x += fm.horizontalAdvance(text) + 30;
    }
    painter->restore();
}
