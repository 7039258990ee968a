#include "widgets/c_qlineedit_extend.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QtDebug>
#include <algorithm>
#include <cmath>

#include "core/text/user_seam.h"
#include "widgets/fixed_point.h"

namespace {

// Bounds far outside 32 bits (a careless setRange) saturate instead of being undefined.
std::int32_t scaled_bound(double bound, int decimals)
{
    const double scaled = std::trunc(bound * fixed_point::powers_of_ten[decimals]);
    if (!(scaled > double(INT32_MIN)))
        return INT32_MIN;
    if (scaled >= double(INT32_MAX))
        return INT32_MAX;
    return std::int32_t(scaled);
}

}  // namespace

c_qlineedit_extend::c_qlineedit_extend(QWidget* parent)
    : QLineEdit(parent), decimalPoint_(fixed_point::locale_decimal_point())
{
    connect(this, &QLineEdit::editingFinished, this, &c_qlineedit_extend::checkFormatDoubleRange);
    connect(this, &QLineEdit::returnPressed, this, &c_qlineedit_extend::checkFormatDoubleRange);
}

void c_qlineedit_extend::setRange(double min, double max, int decimals)
{
    delete doubleValidator_;
    doubleValidator_ = nullptr;
    delete intValidator_;
    intValidator_ = nullptr;
    decimals_ = fixed_point::bounded_decimals(decimals);
    // The validator only keeps out what is no number at all; the bounds are enforced by the
    // check, which clamps instead of refusing keystrokes.
    if (decimals_ != 0) {
        doubleValidator_ = new QDoubleValidator(-1e10, 1e10, decimals_, this);
        doubleValidator_->setNotation(QDoubleValidator::StandardNotation);
        setValidator(doubleValidator_);
    } else {
        intValidator_ = new QIntValidator(INT32_MIN, INT32_MAX, this);
        setValidator(intValidator_);
    }
    if (min == 0.0 && max == 0.0) {
        min_ = INT32_MIN;
        max_ = INT32_MAX;
    } else {
        min_ = scaled_bound(min, decimals_);
        max_ = scaled_bound(max, decimals_);
    }
}

void c_qlineedit_extend::setValue(int scaled) { setText(fixed_point::format(scaled, decimals_, decimalPoint_)); }

int c_qlineedit_extend::value()
{
    checkFormatDoubleRange();
    return value_;
}

double c_qlineedit_extend::valueDouble()
{
    checkFormatDoubleRange();
    return double(value_) / fixed_point::powers_of_ten[decimals_];
}

void c_qlineedit_extend::checkFormatDoubleRange()
{
    // The error box takes the focus away, which would finish the editing a second time.
    if (checking_)
        return;
    checking_ = true;
    const auto r = fixed_point::parse(text(), decimals_);
    if (r.status == fixed_point::parse_status::format_error) {
        ui::current().message(ui::box_kind::critical, QStringLiteral("Error"), QStringLiteral("Format error!"),
                              ui::ok, ui::no_button);
    } else if (r.status == fixed_point::parse_status::ok) {
        // Below the minimum first, as a reversed range would otherwise be undefined.
        value_ = std::int32_t(r.value < min_ ? min_ : r.value > max_ ? max_ : r.value);
        qDebug("valueIntF: %d", value_);
        setText(fixed_point::format(value_, decimals_, decimalPoint_));
    }
    checking_ = false;
}
