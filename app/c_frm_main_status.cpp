// The status panel of the main window's status bar: built once at start-up, cleared at
// start-up and at each lost link.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>

#include "app/c_frm_main.h"
#include "core/text_tables.h"
#include "widgets/c_my_led.h"
#include "widgets/led_styles.h"

namespace {

QString message_text(int n) { return QString::fromLatin1(txt_message(n).c_str()); }

QLabel* status_label(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setIndent(5);
    l->setToolTip(tip);
    return l;
}

void widen_to_hint(QWidget* w) { w->setMinimumWidth(w->sizeHint().width() + 5); }

}  // namespace

void c_frm_main::build_status_panel()
{
    QStatusBar* bar = statusBar();
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
        style->setParent(bar);  // a widget does not own the style it is given
        bar->setStyle(style);
    }

    l_STB_Message = status_label(bar, "l_STB_Message", QString(), message_text(22));
    l_STB_OK = status_label(bar, "l_STB_OK", QStringLiteral("OK"), QStringLiteral("OK Status"));
    l_STB_KO = status_label(bar, "l_STB_KO", QStringLiteral("KO"), QStringLiteral("KO Status"));
    widen_to_hint(l_STB_KO);
    bn_STB_KO_ResetF = new QPushButton(QStringLiteral("Clear KO"), bar);
    bn_STB_KO_ResetF->setObjectName(QStringLiteral("bn_STB_KO_ResetF"));
    bn_STB_KO_ResetF->setToolTip(QStringLiteral("Clear stored KO state and clear all outputs"));
    l_STB_HomePos = status_label(bar, "l_STB_HomePos", QStringLiteral("HomePos"), QStringLiteral("Home Position Status"));
    l_STB_Scanning = status_label(bar, "l_STB_Scanning", QStringLiteral("Scanning"), QStringLiteral("Scanning Status"));
    l_STB_CurPos = status_label(bar, "l_STB_CurPos", QStringLiteral("-99999.99 mm"), QStringLiteral("Current Position"));
    widen_to_hint(l_STB_CurPos);
    l_STB_MeasPos = status_label(bar, "l_STB_MeasPos", QStringLiteral("-99999.99 mm"), QStringLiteral("Measured Position"));
    l_STB_DevVersion = status_label(bar, "l_STB_DevVersion", QStringLiteral("TX"), message_text(58));
    l_STB_HostVersion = status_label(bar, "l_STB_HostVersion", QStringLiteral("PC"), message_text(59));
    widen_to_hint(l_STB_HostVersion);
    led_STB_Online = new c_my_led(bar);
    led_STB_Online->setObjectName(QStringLiteral("led_STB_Online"));
    led_STB_Online->setFixedSize(17, 17);
    led_STB_Online->setToolTip(QStringLiteral("Tarvix Online Status"));

    bar->addWidget(l_STB_Message, 1);
    const QList<QWidget*> rest{l_STB_OK,      l_STB_KO,         bn_STB_KO_ResetF,  l_STB_HomePos,
                               l_STB_Scanning, l_STB_CurPos,     l_STB_MeasPos,     l_STB_DevVersion,
                               l_STB_HostVersion, led_STB_Online};
    for (QWidget* w : rest)
        bar->addWidget(w);
    bn_STB_KO_ResetF->hide();
    connect(bn_STB_KO_ResetF, &QPushButton::clicked, this, &c_frm_main::on_bn_STB_KO_ResetF_clicked);
}

void c_frm_main::clear_status_panel()
{
    for (QLabel* l : {l_STB_OK, l_STB_KO, l_STB_HomePos, l_STB_Scanning, l_STB_DevVersion, l_STB_HostVersion})
        l->setStyleSheet(QString());
    l_STB_CurPos->setText(QStringLiteral("-99999.99 mm"));
    l_STB_MeasPos->setText(QStringLiteral("-99999.99 mm"));
    l_STB_DevVersion->setToolTip(message_text(58));
    l_STB_HostVersion->setToolTip(message_text(59));
    set_led_style(led_STB_Online, led_red);
}
