#include "widgets/fixed_point.h"

#include <QLocale>
#include <algorithm>
#include <limits>

#include "core/text/user_seam.h"

namespace fixed_point {

const std::int32_t powers_of_ten[5] = {1, 10, 100, 1000, 10000};

namespace {

// Magnitudes stop growing here: far beyond any 32-bit field, far below int64 overflow.
constexpr std::int64_t saturation = std::int64_t(1) << 50;

std::int64_t saturating_push_digit(std::int64_t magnitude, int digit)
{
    if (magnitude >= saturation)
        return saturation;
    return std::min(saturation, magnitude * 10 + digit);
}

}  // namespace

int bounded_decimals(int decimals) { return std::clamp(decimals, 0, max_decimals); }

QChar locale_decimal_point() { return QLocale().decimalPoint(); }

QString format(std::int64_t scaled, int decimals, QChar point)
{
    decimals = bounded_decimals(decimals);
    const bool negative = scaled < 0;
    QString digits = QString::number(negative ? -scaled : scaled);
    if (decimals == 0)
        return negative ? QLatin1Char('-') + digits : digits;
    while (digits.size() <= decimals)
        digits.prepend(QLatin1Char('0'));
    digits.insert(digits.size() - decimals, point);
    if (negative)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

parse_result parse(const QString& text, int decimals)
{
    decimals = bounded_decimals(decimals);
    if (text.isEmpty())
        return {parse_status::empty, 0};

    // Either separator is taken whatever the locale, so both must pass the number check.
    QString check = text;
    check.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    check.toDouble(&ok);
    if (!ok)
        return {parse_status::format_error, 0};

    const QString t = text.trimmed();
    const QChar sep = t.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char('.');

    // Only a sign, digits and the one separator remain after the number check, except for
    // forms such as "1e5" or "inf" that the double conversion also takes: those are refused
    // rather than silently read as 0.
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        negative = t[i++] == QLatin1Char('-');
    std::int64_t magnitude = 0;
    std::int64_t typed = 0;    // every digit typed, the separator left out
    int fraction_digits = -1;  // -1 until the separator is seen
    int digit_count = 0;
    int first_dropped = -1;   // the first fractional digit beyond `decimals`
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == sep && fraction_digits < 0) {
            fraction_digits = 0;
            continue;
        }
        if (!c.isDigit() || c.unicode() > '9')
            return {parse_status::format_error, 0};
        const int d = c.unicode() - '0';
        ++digit_count;
        typed = saturating_push_digit(typed, d);
        if (fraction_digits >= 0) {
            if (fraction_digits >= decimals) {
                if (first_dropped < 0)
                    first_dropped = d;
                ++fraction_digits;
                continue;
            }
            ++fraction_digits;
        }
        magnitude = saturating_push_digit(magnitude, d);
    }
    if (digit_count == 0)
        return {parse_status::format_error, 0};
    // The digits are read as one 32-bit integer before they are scaled: more than it holds
    // reads as 0, which the field's range then takes.
    if (typed > (negative ? std::int64_t(1) << 31 : (std::int64_t(1) << 31) - 1))
        return {parse_status::ok, 0};
    for (int k = std::max(fraction_digits, 0); k < decimals; ++k)
        magnitude = saturating_push_digit(magnitude, 0);
    if (first_dropped >= 5 && magnitude < saturation)
        ++magnitude;
    return {parse_status::ok, negative ? -magnitude : magnitude};
}

}  // namespace fixed_point

QString& value_to_text(int scaled, QString& out, int decimals)
{
    out.clear();
    out = fixed_point::format(scaled, decimals, fixed_point::locale_decimal_point());
    return out;
}

int str2Value(QString text, int decimals)
{
    const auto r = fixed_point::parse(text, decimals);
    if (r.status == fixed_point::parse_status::format_error) {
        ui::current().message(ui::box_kind::critical, QStringLiteral("Error"),
                              QStringLiteral("Format error in str2Value!"), ui::ok, ui::no_button);
        return 0;
    }
    return int(std::clamp<std::int64_t>(r.value, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max()));
}
