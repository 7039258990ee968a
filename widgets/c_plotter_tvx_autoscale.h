// The self-test plot: up to sixteen channels of different quantities on one Y axis, each
// scaled to the span of a reference channel, with a legend of their scales.
#pragma once
#include "widgets/c_plotter_tvx.h"

class c_plotter_tvx_autoscale : public c_plotter_tvx {
    Q_OBJECT
public:
    struct channel_record {
        int min = 0;
        int max = 0;
        int span = 0;
        int labelStep = 1;   // 1, 2, 4, 5, 6, 8 or 10
        int numerator = 1;   // powers of ten
        int denominator = 1;
        double scale = 1.0;  // reference span / this span
    };

    explicit c_plotter_tvx_autoscale(QWidget* parent = nullptr);

    bool autoscale_channels(int refChannel, int* xMin, int* xMax, int* yMin, int* yMax);
    bool autoscale_channel(int refChannel, int* xMin, int* xMax, int* yMin, int* yMax)
    {
        return autoscale_channels(refChannel, xMin, xMax, yMin, yMax);
    }
    void set_reference_range(int refChannel, int min, int max);
    // Physical value of one Y tick of a channel.
    double channel_scale(int index) const;

    const channel_record& channel(int index) const { return channelScales[index & 15]; }
    int overall_min() const { return overallMin; }
    int overall_max() const { return overallMax; }
    int tick_step() const { return tickStep; }

protected:
    void paint_curves(QPainter* painter) override;
    void paint_live_curves(QPainter* painter, bool fromStart) override;
    void y_tick_text(int tickIndex, QString* out) override;
    void paint_title(QPainter* painter, QRect* area) override;
    double plotted_value(int slot, int value) const override;

private:
    bool has_data(int slot) const;
    void compute_label_steps();

    channel_record channelScales[16];
    int overallMin = 0;
    int overallMax = 0;
    int tickStep = 0;
    int refChannel = 0;
};
