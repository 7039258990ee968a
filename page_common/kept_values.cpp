#include "page_common/kept_values.h"

#include <QComboBox>
#include <QStringList>
#include <QVariant>

namespace {
const char* const kept_property = "tvx_kept_value";
}

void combo_show_kept(QComboBox* combo, int index, int32_t stored)
{
    if (index >= 0 && index < combo->count()) {
        combo->setProperty(kept_property, QVariant());
        combo->setCurrentIndex(index);
    } else {
        combo->setProperty(kept_property, QVariant(int(stored)));
        combo->setCurrentIndex(-1);
    }
}

bool combo_has_kept(const QComboBox* combo)
{
    return combo->currentIndex() < 0 && combo->property(kept_property).isValid();
}

int32_t combo_kept_value(QComboBox* combo, int32_t kept_fallback)
{
    if (combo->currentIndex() >= 0)
        return combo->currentIndex();
    const QVariant v = combo->property(kept_property);
    return v.isValid() ? int32_t(v.toInt()) : kept_fallback;
}

void combo_refill_keeping(QComboBox* combo, const QStringList& items)
{
    const int index = combo->currentIndex();
    const bool kept = combo_has_kept(combo);
    combo->blockSignals(true);
    combo->clear();
    combo->addItems(items);
    combo->blockSignals(false);
    if (kept || index < 0)
        combo->setCurrentIndex(-1);
    else
        combo->setCurrentIndex(qMin(index, combo->count() - 1));
}
