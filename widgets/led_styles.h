// The five LED pictures as style sheets (light gray, gray, red, yellow, green), shared by
// c_my_led and by any widget that shows a lamp, such as the status panel's online lamp.
#pragma once
#include <QStringList>

class QWidget;

enum led_style_index { led_lightgray = 0, led_gray = 1, led_red = 2, led_yellow = 3, led_green = 4 };

// The list, in the order above; built on first use.
const QStringList& led_style_sheets();
// Puts entry `index` of the list on the widget as its style sheet; other indices do nothing.
void set_led_style(QWidget* widget, int index);
// Sets the widget's style sheet only when it differs: every setStyleSheet polishes the widget
// and its children anew, which the status display would otherwise do for each reply.
void set_style_sheet(QWidget* widget, const QString& sheet);
