#include "widgets/led_styles.h"

#include <QWidget>

#include "resources/resources_init.h"

const QStringList& led_style_sheets()
{
    static const QStringList sheets = [] {
        tarvix_resources_init();
        return QStringList{
            QStringLiteral("border-image: url(:/bitmaps/RC_LIGHTGRAY_LED);"),
            QStringLiteral("border-image: url(:/bitmaps/RC_GRAY_LED);"),
            QStringLiteral("border-image: url(:/bitmaps/RC_RED_LED);"),
            QStringLiteral("border-image: url(:/bitmaps/RC_YELLOW_LED);"),
            QStringLiteral("border-image: url(:/bitmaps/RC_GREEN_LED);"),
        };
    }();
    return sheets;
}

void set_led_style(QWidget* widget, int index)
{
    const QStringList& sheets = led_style_sheets();
    if (widget && index >= 0 && index < sheets.size())
        set_style_sheet(widget, sheets[index]);
}

void set_style_sheet(QWidget* widget, const QString& sheet)
{
    if (widget->styleSheet() != sheet)
        widget->setStyleSheet(sheet);
}
