// The base of the program's plots: grid, tick labels and curves drawn into an off-screen
// pixmap, rubber-band zoom announced by sig_ZoomChanged, scrolling by keys and wheel, and
// live curves drawn segment by segment while samples arrive.
#pragma once
#include <QColor>
#include <QElapsedTimer>
#include <QPixmap>
#include <QRect>
#include <QVector>
#include <QWidget>

#include "widgets/plot_settings.h"

class QRubberBand;

class c_plotter_se : public QWidget {
    Q_OBJECT
public:
    explicit c_plotter_se(QWidget* parent = nullptr);

    virtual void setup_curves(bool zoomEmitOnly, bool keepBandAfterZoom, int count, const QVector<QColor>* colours,
                              int xLabelScale, int xLabelDecimals, int yLabelScale, int yLabelDecimals);
    // The curve data live in the subclasses; the base holds none.
    virtual bool attach_curve(int index, int* foundIndex, QVector<qint16>* samples, bool refresh);
    virtual QVector<qint16>* curve_data(int index) const;
    virtual void detach_all_curves();
    virtual void detach_curve(int index, bool refresh);
    // Curves drawn live instead of into the pixmap; false, changing nothing, when one has no data.
    bool set_live_curve_mask(quint16 mask);
    bool set_visible_curve_mask(quint16 mask) { return set_live_curve_mask(mask); }

    void apply_view_range(const PlotSettings* range, bool snap, bool refresh);
    void show_zoom_band(const PlotSettings* other);
    void redraw_hide_band();
    // Draws the live curves' samples up to `end`. Within one frame interval of the last live
    // paint the samples wait and are drawn together when the interval is over.
    void draw_increment(int end);
    static constexpr int live_frame_ms = 20;
    void redraw_backdrop();

    const PlotSettings& view_range() const { return settings; }
    QRect plot_rect() const { return plotRect; }
    int curve_count() const { return curveCount; }
    quint16 valid_mask() const { return validMask; }
    quint16 live_mask() const { return liveMask; }
    QColor curve_colour(int index) const { return curveColours.value(index); }
    QRubberBand* rubber_band() const { return rubberBand; }
    const QPixmap& backdrop() const { return pixmap; }

    // Pixel of a sample (index, value) under the current range.
    QPoint map_to_pixel(double index, double value) const;

    QSize sizeHint() const override { return QSize(600, 400); }
    QSize minimumSizeHint() const override { return QSize(300, 200); }

signals:
    void sig_ZoomChanged(PlotSettings* pPlotSettingsP);

protected:
    virtual void paint_curves(QPainter* painter);
    virtual void paint_live_curves(QPainter* painter, bool fromStart);
    virtual void x_tick_text(int value, QString* out, int tickStep);
    virtual void y_tick_text(int tickIndex, QString* out);
    virtual void paint_title(QPainter* painter, QRect* area);
    virtual bool has_samples(int index) const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // The plot area, or an empty rectangle when it is too small to draw curves in.
    bool live_area(QPainter* painter);
    void paint_axes(QPainter* painter);
    void update_plot_rect();
    void paint_increment();

    int curveCount = 0;
    quint16 validMask = 0;
    quint16 liveMask = 0;
    QVector<QColor> curveColours;
    int liveStart = 0;
    int liveEnd = 0;
    QElapsedTimer lastLivePaint;
    bool livePaintPending = false;
    bool incrementalPaint = false;
    int refreshCount = 0;
    PlotSettings settings;
    QRect plotRect;
    int xLabelScale = 1;
    int xLabelDecimals = 0;
    int yLabelScale = 1;
    int yLabelDecimals = 0;
    bool zooming = false;
    QRect bandRect;
    QPixmap pixmap;
    bool zoomEmitOnly = false;
    bool keepBandAfterZoom = false;
    QRubberBand* rubberBand;
};
