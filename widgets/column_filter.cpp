#include "widgets/column_filter.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>

bool filter_kind_is_numeric(qint32 kind)
{
    return kind == filter_number || kind == filter_hundredths || kind == filter_hex;
}

double filter_cell_value(const QString& text, qint32 kind)
{
    const QString t = text.trimmed();
    switch (kind) {
    case filter_number:
        return t.toDouble();  // unreadable text gives 0
    case filter_hundredths: {
        // A cell shows two decimals; 1.15 x 100 is 114.999... in binary, so snap what is
        // meant to be a whole number of hundredths before comparing with integer bounds.
        const double v = t.toDouble() * 100.0;
        const double r = std::round(v);
        return std::fabs(v - r) < 1e-6 ? r : v;
    }
    case filter_hex: {
        QString digits = t;
        digits.remove(QLatin1Char('H'), Qt::CaseInsensitive);
        bool ok = false;
        const qlonglong v = digits.toLongLong(&ok, 16);
        return ok ? double(v) : 0.0;
    }
    default:
        return 0.0;
    }
}

bool filter_value_passes(double value, const column_filter_record& rec)
{
    switch (rec.type) {
    case filter_at_most:
        return value <= rec.max;
    case filter_at_least:
        return value >= rec.min;
    case filter_equal:
        return value == rec.min;
    case filter_range:
        return rec.min <= value && value <= rec.max;
    default:
        return true;
    }
}

namespace {

// With sets a pattern can still be an invalid expression ("[z-a]"); then it is read again
// with brackets as plain characters.
QString wildcard_to_regex(const QString& pattern, bool sets)
{
    QString rx;
    rx.reserve(pattern.size() * 2 + 8);
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('*')) {
            rx += QLatin1String(".*");
        } else if (c == QLatin1Char('?')) {
            rx += QLatin1Char('.');
        } else if (c == QLatin1Char('[') && sets) {
            const int close = pattern.indexOf(QLatin1Char(']'), i + 2);
            if (close < 0) {
                rx += QLatin1String("\\[");
                continue;
            }
            QString set = pattern.mid(i + 1, close - i - 1);
            rx += QLatin1Char('[');
            if (set.startsWith(QLatin1Char('!')) || set.startsWith(QLatin1Char('^'))) {
                rx += QLatin1Char('^');
                set.remove(0, 1);
            }
            for (QChar s : set) {
                if (s == QLatin1Char('\\') || s == QLatin1Char('[') || s == QLatin1Char('^'))
                    rx += QLatin1Char('\\');
                rx += s;
            }
            rx += QLatin1Char(']');
            i = close;
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    return QLatin1String("\\A(?:") + rx + QLatin1String(")\\z");
}

}  // namespace

bool wildcard_match(const QString& text, const QString& pattern)
{
    // Filtering runs the same few patterns over many rows: keep them compiled.
    thread_local QHash<QString, QRegularExpression> compiled;
    auto it = compiled.find(pattern);
    if (it == compiled.end()) {
        if (compiled.size() > 64)
            compiled.clear();
        QRegularExpression re(wildcard_to_regex(pattern, true), QRegularExpression::CaseInsensitiveOption);
        if (!re.isValid())
            re = QRegularExpression(wildcard_to_regex(pattern, false), QRegularExpression::CaseInsensitiveOption);
        it = compiled.insert(pattern, re);
    }
    return it->match(text).hasMatch();
}

bool cell_passes_filter(const QString& text, const column_filter_record& rec)
{
    if (rec.type == filter_none)
        return true;
    if (rec.kind == filter_text) {
        if (rec.type != filter_equal)
            return true;
        return wildcard_match(text.trimmed(), rec.pattern);
    }
    if (!filter_kind_is_numeric(rec.kind))
        return true;
    return filter_value_passes(filter_cell_value(text, rec.kind), rec);
}

namespace {

// The hexadecimal filter value is shown through a format the window supplies. Only a format
// with exactly one integer conversion is used, so a stray %s or %n can never read or write
// through a bad pointer.
bool is_single_int_format(const QString& fmt)
{
    int conversions = 0;
    for (int i = 0; i < fmt.size(); ++i) {
        if (fmt.at(i) != QLatin1Char('%'))
            continue;
        ++i;
        if (i < fmt.size() && fmt.at(i) == QLatin1Char('%'))
            continue;
        while (i < fmt.size() && QStringLiteral("-+ #0").contains(fmt.at(i)))
            ++i;
        // Width and precision of at most two digits: a cell is narrow, and a huge width
        // would only ask for a huge string.
        int digits = 0;
        while (i < fmt.size() && fmt.at(i).isDigit() && digits < 3) {
            ++i;
            ++digits;
        }
        if (digits > 2)
            return false;
        if (i < fmt.size() && fmt.at(i) == QLatin1Char('.')) {
            ++i;
            digits = 0;
            while (i < fmt.size() && fmt.at(i).isDigit() && digits < 3) {
                ++i;
                ++digits;
            }
            if (digits > 2)
                return false;
        }
        if (i >= fmt.size() || !QStringLiteral("diouxXc").contains(fmt.at(i)))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

}  // namespace

QString filter_condition_text(const column_filter_record& rec)
{
    switch (rec.kind) {
    case filter_number:
        switch (rec.type) {
        case filter_at_most: return QString::asprintf("< %d", rec.max);
        case filter_at_least: return QString::asprintf("> %d", rec.min);
        case filter_equal: return QString::asprintf("= %d", rec.min);
        case filter_range: return QString::asprintf("%d-%d", rec.min, rec.max);
        case filter_none: return QString();
        default: return QStringLiteral("SWERR");
        }
    case filter_hundredths:
        switch (rec.type) {
        case filter_at_most: return QString::asprintf("< %.2f", rec.max / 100.0);
        case filter_at_least: return QString::asprintf("> %.2f", rec.min / 100.0);
        case filter_equal: return QString::asprintf("= %.2f", rec.min / 100.0);
        case filter_range: return QString::asprintf("%.2f-%.2f", rec.min / 100.0, rec.max / 100.0);
        case filter_none: return QString();
        default: return QStringLiteral("SWERR");
        }
    case filter_hex:
        if (is_single_int_format(rec.pattern))
            return QString::asprintf(rec.pattern.toLatin1().constData(), rec.min);
        return QString::number(rec.min, 16).toUpper() + QLatin1Char('H');
    case filter_text:
        return rec.type == filter_equal ? rec.pattern : QString();
    default:
        return QString();
    }
}
