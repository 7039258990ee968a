#include "widgets/c_plotter_se.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTimer>
#include <QWheelEvent>
#include <cstdlib>

#include "widgets/fixed_point.h"
#include "widgets/shared_windows_style.h"

namespace {
constexpr int margin = 50;
}

c_plotter_se::c_plotter_se(QWidget* parent) : QWidget(parent)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Active, QPalette::Dark, Qt::black);
    setPalette(pal);
    setBackgroundRole(QPalette::Dark);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
    rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
    if (QStyle* s = shared_windows_style())
        rubberBand->setStyle(s);
    update_plot_rect();
}

void c_plotter_se::setup_curves(bool zoomEmitOnlyP, bool keepBandAfterZoomP, int count, const QVector<QColor>* colours,
                                int xLabelScaleP, int xLabelDecimalsP, int yLabelScaleP, int yLabelDecimalsP)
{
    zoomEmitOnly = zoomEmitOnlyP;
    keepBandAfterZoom = keepBandAfterZoomP;
    curveCount = (count > 16 || count < 0) ? 16 : count;
    validMask = 0;
    liveMask = 0;
    curveColours = colours ? *colours : QVector<QColor>();
    // A short colour list would leave slots without a colour to draw with.
    while (curveColours.size() < curveCount)
        curveColours.append(QColor(Qt::white));
    xLabelScale = xLabelScaleP;
    xLabelDecimals = xLabelDecimalsP;
    yLabelScale = yLabelScaleP;
    yLabelDecimals = yLabelDecimalsP;
}

bool c_plotter_se::attach_curve(int, int*, QVector<qint16>*, bool)
{
    return false;
}

QVector<qint16>* c_plotter_se::curve_data(int) const
{
    return nullptr;
}

bool c_plotter_se::has_samples(int index) const
{
    return curve_data(index) != nullptr;
}

void c_plotter_se::detach_all_curves()
{
    validMask = 0;
    liveMask = 0;
}

void c_plotter_se::detach_curve(int index, bool refresh)
{
    if (index >= 0 && index < 16)
        validMask &= quint16(~(1u << index));
    if (refresh)
        redraw_backdrop();
}

bool c_plotter_se::set_live_curve_mask(quint16 mask)
{
    for (int i = 0; i < 16; ++i)
        if ((mask & (1u << i)) && (i >= curveCount || !has_samples(i)))
            return false;
    liveMask = mask;
    liveStart = 0;
    liveEnd = 0;
    return true;
}

void c_plotter_se::apply_view_range(const PlotSettings* range, bool snap, bool refresh)
{
    if (range)
        settings = *range;
    if (snap)
        settings.snap();
    if (refresh) {
        redraw_backdrop();
        rubberBand->hide();
    }
}

void c_plotter_se::show_zoom_band(const PlotSettings* other)
{
    if (!other || width() < 101 || height() < 101)
        return;
    const int plotW = width() - 101;
    const int plotH = height() - 101;
    const int spanX = settings.xMax != settings.xMin ? settings.xMax - settings.xMin : 1;
    const int spanY = settings.yMax != settings.yMin ? settings.yMax - settings.yMin : 1;
    QRect r;
    r.setLeft(margin + int(qint64(other->xMin - settings.xMin) * plotW / spanX));
    r.setRight(margin + int(qint64(other->xMax - settings.xMin) * plotW / spanX));
    r.setTop((height() - 51) - int(qint64(other->yMax - settings.yMin) * plotH / spanY));
    r.setBottom((height() - 51) - int(qint64(other->yMin - settings.yMin) * plotH / spanY));
    ++refreshCount;
    rubberBand->setGeometry(r.normalized());
}

void c_plotter_se::redraw_hide_band()
{
    redraw_backdrop();
    rubberBand->hide();
}

void c_plotter_se::draw_increment(int end)
{
    liveEnd = end;
    // Each paint reaches the screen on its own: a reply every millisecond must not cost a
    // screen update each.
    if (lastLivePaint.isValid() && lastLivePaint.elapsed() < live_frame_ms) {
        if (!livePaintPending) {
            livePaintPending = true;
            QTimer::singleShot(int(live_frame_ms - lastLivePaint.elapsed()), this, [this] {
                livePaintPending = false;
                paint_increment();
            });
        }
        return;
    }
    paint_increment();
}

void c_plotter_se::paint_increment()
{
    lastLivePaint.start();
    incrementalPaint = true;
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    repaint();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void c_plotter_se::update_plot_rect()
{
    plotRect = QRect(QPoint(margin, margin), QPoint(width() - margin - 1, height() - margin - 1));
}

QPoint c_plotter_se::map_to_pixel(double index, double value) const
{
    const double spanX = settings.xMax != settings.xMin ? double(settings.xMax) - settings.xMin : 1.0;
    const double spanY = settings.yMax != settings.yMin ? double(settings.yMax) - settings.yMin : 1.0;
    const double x = plotRect.left() + (plotRect.right() - plotRect.left()) * (index - settings.xMin) / spanX;
    const double y = plotRect.bottom() - (plotRect.bottom() - plotRect.top()) * (value - settings.yMin) / spanY;
    // Far outside the view a pixel is only clipped away; keep it inside int.
    return QPoint(int(qBound(-1.0e8, x, 1.0e8)), int(qBound(-1.0e8, y, 1.0e8)));
}

void c_plotter_se::redraw_backdrop()
{
    pixmap = QPixmap(size().expandedTo(QSize(1, 1)));
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    paint_axes(&painter);
    update_plot_rect();
    if (plotRect.width() >= 50 && plotRect.height() >= 50) {
        painter.setClipRect(plotRect.adjusted(1, 1, -1, -1));
        if (validMask || liveMask)
            paint_curves(&painter);
    }
    painter.end();
    ++refreshCount;
    update();
}

bool c_plotter_se::live_area(QPainter* painter)
{
    update_plot_rect();
    if (plotRect.width() < 50 || plotRect.height() < 50)
        return false;
    painter->setClipRect(plotRect.adjusted(1, 1, -1, -1));
    return true;
}

void c_plotter_se::x_tick_text(int value, QString* out, int)
{
    *out = fixed_point::format(qint64(value) * xLabelScale, xLabelDecimals, fixed_point::locale_decimal_point());
}

void c_plotter_se::y_tick_text(int tickIndex, QString* out)
{
    const int ticks = settings.yTicks > 0 ? settings.yTicks : 1;
    const int value = tickIndex * (settings.yMax - settings.yMin) / ticks + settings.yMin;
    *out = fixed_point::format(qint64(value) * yLabelScale, yLabelDecimals, fixed_point::locale_decimal_point());
}

void c_plotter_se::paint_title(QPainter*, QRect*) {}

void c_plotter_se::paint_curves(QPainter*) {}

void c_plotter_se::paint_live_curves(QPainter*, bool) {}

void c_plotter_se::paint_axes(QPainter* painter)
{
    if (width() <= 100 || height() <= 100)
        return;
    update_plot_rect();
    const QRect rect = plotRect;
    const QPen gridPen(QColor(100, 100, 100), 1, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    const QPen axisPen(palette().light().color());
    const int xTicks = settings.xTicks > 0 ? settings.xTicks : 1;
    const int yTicks = settings.yTicks > 0 ? settings.yTicks : 1;

    for (int i = 0; i <= xTicks; ++i) {
        const int x = rect.left() + (rect.right() - rect.left()) * i / xTicks;
        const int value = int(qint64(i) * (settings.xMax - settings.xMin) / xTicks) + settings.xMin;
        QString text;
        x_tick_text(value, &text, (settings.xMax - settings.xMin) / xTicks);
        painter->setPen(gridPen);
        painter->drawLine(x, rect.top(), x, rect.bottom());
        painter->setPen(axisPen);
        painter->drawLine(x, rect.bottom(), x, rect.bottom() + 5);
        painter->drawText(x - 50, rect.bottom() + 5, 100, 20, Qt::AlignHCenter | Qt::AlignTop, text);
    }
    for (int j = 0; j <= yTicks; ++j) {
        const int y = rect.bottom() - (rect.bottom() - rect.top()) * j / yTicks;
        QString text;
        y_tick_text(j, &text);
        painter->setPen(gridPen);
        painter->drawLine(rect.left(), y, rect.right(), y);
        painter->setPen(axisPen);
        painter->drawLine(rect.left() - 5, y, rect.left(), y);
        painter->drawText(rect.left() - 50, y - 10, 45, 20, Qt::AlignRight | Qt::AlignVCenter, text);
    }
    painter->setPen(axisPen);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    QRect title(50, 10, width() - 50, 30);
    paint_title(painter, &title);
}

void c_plotter_se::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    if (!incrementalPaint || refreshCount > 0) {
        painter.drawPixmap(0, 0, pixmap);
        painter.save();
        paint_live_curves(&painter, true);
        painter.restore();
        if (refreshCount > 0)
            --refreshCount;
    } else {
        painter.save();
        paint_live_curves(&painter, false);
        painter.restore();
    }
    incrementalPaint = false;
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().dark().color();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}

void c_plotter_se::resizeEvent(QResizeEvent*)
{
    redraw_backdrop();
}

void c_plotter_se::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !plotRect.contains(event->pos()))
        return;
    rubberBand->hide();
    zooming = true;
    bandRect = QRect(event->pos(), event->pos());
    rubberBand->setGeometry(bandRect.normalized());
    rubberBand->show();
    setCursor(Qt::CrossCursor);
}

void c_plotter_se::mouseMoveEvent(QMouseEvent* event)
{
    if (!zooming)
        return;
    bandRect.setBottomRight(event->pos());
    rubberBand->setGeometry(bandRect.normalized());
}

void c_plotter_se::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !zooming)
        return;
    zooming = false;
    if (!keepBandAfterZoom)
        rubberBand->hide();
    unsetCursor();

    QRect rect = bandRect.normalized();
    if (rect.width() < 4 || rect.height() < 4)
        return;
    rect.translate(-margin, -margin);

    PlotSettings prev = settings;
    PlotSettings next;
    const double dX = double(prev.xMax - prev.xMin) / (width() - 2 * margin);
    const double dY = double(prev.yMax - prev.yMin) / (height() - 2 * margin);
    next.xMin = int(prev.xMin + dX * rect.left());
    next.xMax = int(prev.xMin + dX * rect.right());
    next.yMin = int(prev.yMax - dY * rect.bottom());
    next.yMax = int(prev.yMax - dY * rect.top());
    if (next.xMax - next.xMin > 3 && next.yMax - next.yMin > 3) {
        next.snap();
        emit sig_ZoomChanged(&next);
        if (!zoomEmitOnly) {
            settings = next;
            redraw_backdrop();
        }
    } else {
        rubberBand->hide();
    }
}

void c_plotter_se::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: settings.scroll_ticks(-1, 0); break;
    case Qt::Key_Right: settings.scroll_ticks(+1, 0); break;
    case Qt::Key_Up: settings.scroll_ticks(0, +1); break;
    case Qt::Key_Down: settings.scroll_ticks(0, -1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    redraw_backdrop();
}

void c_plotter_se::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    if (delta.x() != 0)
        settings.scroll_ticks(delta.x() / 120, 0);
    else
        settings.scroll_ticks(0, delta.y() / 120);
    redraw_backdrop();
}
