// Shared look of the stand-in pages: a centred line that names the page.
#pragma once
#include <QString>

class QWidget;

void stand_in_fill(QWidget* page, const QString& text);
