#include "widgets/shared_windows_style.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>

QStyle* shared_windows_style()
{
    // A style per widget would never be freed; one parented to the application is.
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style)
            style->setParent(qApp);
    }
    return style;
}
