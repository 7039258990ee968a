// Scaled-integer numbers as the device records hold them (value x 10^decimals) and their
// texts: one format and one parse shared by c_qlineedit_extend, value_to_text and str2Value.
#pragma once
#include <QChar>
#include <QString>
#include <cstdint>

// The text of a scaled value with the decimal point of a fresh default QLocale.
QString& value_to_text(int scaled, QString& out, int decimals);
// The scaled integer of a text; an empty text gives 0, a malformed one a "Format error"
// box and 0, one with more digits than a 32-bit integer holds 0. Not clamped; scaling
// saturates at the ends of the 32-bit range.
int str2Value(QString text, int decimals);

namespace fixed_point {

// 10^decimals for decimals 0 to 4, the only numbers of decimals the fields use.
extern const std::int32_t powers_of_ten[5];
constexpr int max_decimals = 4;

// Decimals brought into the table's range, so no lookup ever leaves it.
int bounded_decimals(int decimals);

// The user's decimal separator (the default QLocale's), the one place it is taken from.
QChar locale_decimal_point();

// At least one digit before the point, exactly `decimals` after it, "-" for negatives.
QString format(std::int64_t scaled, int decimals, QChar point);

enum class parse_status { empty, ok, format_error };
struct parse_result {
    parse_status status;
    std::int64_t value;  // scaled; saturated far outside the 32-bit range, never wrapped
};

// Accepts "1,5" and "1.5" alike whatever the locale, blanks around the number and a sign.
// Extra fractional digits round half away from zero. Digits that, read without the
// separator, lie outside the 32-bit range give 0.
parse_result parse(const QString& text, int decimals);

}  // namespace fixed_point
