#include "widgets/fit_texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStyle>
#include <QVariant>
#include <QWidget>

namespace {

constexpr qreal smallest_point_size = 6.0;

bool hand_placed(const QWidget* root, const QWidget* w)
{
    if (!qobject_cast<const QAbstractButton*>(w) && !qobject_cast<const QLabel*>(w) &&
        !qobject_cast<const QGroupBox*>(w))
        return false;
    if (w->window() != root->window())
        return false;
    const QWidget* parent = w->parentWidget();
    return !(parent && parent->layout() && parent->layout()->indexOf(const_cast<QWidget*>(w)) >= 0);
}

constexpr const char* own_font = "fit_texts_own_font";
constexpr const char* fitted = "fit_texts_fitted";

// What a fit depends on: the text and the width the form gives it.
QString text_of(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(w))
        return box->title();
    return static_cast<const QAbstractButton*>(w)->text();
}

QString fit_key(const QWidget* w) { return text_of(w) + QLatin1Char('\x1f') + QString::number(w->width()); }

// The width the text needs: a group box's title with the frame's margin of 8 pixels on
// each side, every other widget its size hint.
int needed_width(const QWidget* w)
{
    if (const auto* box = qobject_cast<const QGroupBox*>(w)) {
        if (box->title().isEmpty())
            return 0;
        return QFontMetrics(box->font()).size(Qt::TextShowMnemonic, box->title()).width() + 16;
    }
    return w->sizeHint().width();
}

void shrink(QWidget* w)
{
    // A text changed since the last fit starts again from the form's own font.
    const QVariant own = w->property(own_font);
    if (own.isValid())
        w->setFont(own.value<QFont>());
    else
        w->setProperty(own_font, w->font());
    QFont f = w->font();
    if (f.pointSizeF() <= 0)
        return;  // a pixel-sized font is the form's own choice
    while (needed_width(w) > w->width() && f.pointSizeF() > smallest_point_size) {
        f.setPointSizeF(qMax(smallest_point_size, f.pointSizeF() - 0.5));
        w->setFont(f);
    }
}

}  // namespace

void fit_hand_placed_texts(QWidget* root, fit_mode mode)
{
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!hand_placed(root, w))
            continue;
        // Measuring a text is costly; one fitted before with the same text and width stays.
        if (w->property(fitted).toString() == fit_key(w))
            continue;
        if (mode == fit_mode::shrink) {
            // A push button's size hint asks for a margin its text does not need.
            if (qobject_cast<QPushButton*>(w))
                continue;
            if (needed_width(w) > w->width() || w->property(own_font).isValid())
                shrink(w);
        } else if (needed_width(w) > w->width()) {
            const int need = needed_width(w);
            w->setMaximumWidth(qMax(w->maximumWidth(), need));
            w->resize(need, w->height());
        }
        w->setProperty(fitted, fit_key(w));
    }
}

void keep_form_fonts(QWidget* root)
{
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (w->isWindow())
            continue;
        QFont f = w->font();
        // Every attribute set counts as the widget's own.
        f.setFamily(f.family());
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF());
        f.setWeight(f.weight());
        f.setItalic(f.italic());
        w->setFont(f);
    }
}

int window_title_width(const QWidget* window)
{
    // The platform theme's title bar font where it names one, else the window's own.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int bar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return QFontMetrics(font).horizontalAdvance(window->windowTitle()) + 4 * bar;
}
