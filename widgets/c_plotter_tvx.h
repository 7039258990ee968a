// Plot of signed 16-bit sample curves taken at 100 samples per second: time axis in minutes
// and seconds, curves 0 to 3 as stacked translucent bands, mark and gap values.
#pragma once
#include <QColor>
#include <QVector>

#include "widgets/c_plotter_se.h"

class c_plotter_tvx : public c_plotter_se {
    Q_OBJECT
public:
    // Sample values with a meaning of their own.
    static constexpr qint16 mark_value = -32767;          // curves 1 and 4 to 10 show where it starts and ends
    static constexpr int lowest_drawable = -32764;        // below: no value (gaps), or the mark
    static constexpr int lowest_live_drawable = -32763;

    explicit c_plotter_tvx(QWidget* parent = nullptr);

    void setup_curves(bool zoomEmitOnly, bool keepBandAfterZoom, int count, const QVector<QColor>* colours,
                      int xLabelScale, int xLabelDecimals, int yLabelScale, int yLabelDecimals) override;
    // The caller keeps the vector and must detach it before destroying it; live drawing reads
    // the samples the caller appends to it.
    bool attach_curve(int index, int* foundIndex, QVector<qint16>* samples, bool refresh) override;
    QVector<qint16>* curve_data(int index) const override;
    void detach_all_curves() override;
    // The slot loses its samples too, so that it reads as empty (curve_data null).
    void detach_curve(int index, bool refresh) override;

    static QColor band_colour(int curve);

protected:
    void paint_curves(QPainter* painter) override;
    void paint_live_curves(QPainter* painter, bool fromStart) override;
    void x_tick_text(int value, QString* out, int tickStep) override;

    // The value actually plotted for a sample of a slot (the autoscale plot rescales it).
    virtual double plotted_value(int slot, int value) const;
    // One segment of a stored curve between two samples; samples far enough apart show as dots.
    void draw_segment(QPainter* painter, int slot, const QPoint& p, const QPoint& q) const;
    // The stored curves from sample first - 1 to last: segment by segment while samples are
    // at least a pixel apart, else one band and one vertical min/max run per pixel column.
    void paint_samples(QPainter* painter, const QVector<int>& curves, int first, int last);
    void paint_columns(QPainter* painter, const QVector<int>& curves, int first, int last);
    // The dotted line where a marked stretch starts or ends.
    void paint_mark_line(QPainter* painter, int slot, int x) const;

    struct curve_slot {
        QVector<qint16>* samples = nullptr;
        QColor colour;
    };
    curve_slot slots_[16];
};
