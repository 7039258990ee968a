#include "widgets/c_my_led.h"

#include <QHelpEvent>
#include <QToolTip>

#include "widgets/led_styles.h"

c_my_led::c_my_led(QWidget* parent) : QGraphicsView(parent)
{
    const QStringList& sheets = led_style_sheets();
    for (int i = 0; i < 3; ++i)
        ledStyles_[i] = sheets[i];
    show_style(0);
}

void c_my_led::show_style(int styleIndex) { setStyleSheet(ledStyles_[styleIndex]); }

void c_my_led::set_state(quint8 colour)
{
    colour = colour ? 1 : 0;
    if (!lit_) {
        colourIndex_ = colour;
        lit_ = 1;
        show_style(1 + colour);
    } else if (colour != colourIndex_) {
        show_style(1 + colour);
        colourIndex_ = colour;
    }
}

void c_my_led::set_colour_index(quint8 colour)
{
    colour = colour ? 1 : 0;
    if (colour != colourIndex_) {
        show_style(1 + colour);
        colourIndex_ = colour;
    }
}

void c_my_led::set_on(bool on)
{
    if (quint8(on) == lit_)
        return;
    show_style(on ? 1 + colourIndex_ : 0);
    lit_ = on;
}

void c_my_led::set_colour_entry(int listIndex)
{
    const QStringList& sheets = led_style_sheets();
    if (listIndex < 0 || listIndex >= sheets.size())
        return;
    ledStyles_[2] = sheets[listIndex];
    show_style(lit_ ? 1 + colourIndex_ : 0);
}

bool c_my_led::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (!toolTip().isEmpty()) {
            QToolTip::showText(help->globalPos(), toolTip());
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }
    return QGraphicsView::event(e);
}
