#include "stand_in/stand_in_page.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

void stand_in_fill(QWidget* page, const QString& text)
{
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(text, page);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}
