// The filter of one column of a filtered table view: the record the windows edit in place,
// the test of one cell text against it and the text its filter-row cell shows.
#pragma once
#include <QString>
#include <QtGlobal>

// Condition of a column filter.
enum column_filter_type : qint32 {
    filter_at_most = 0,   // value <= max
    filter_at_least = 1,  // value >= min
    filter_equal = 2,     // number: value == min; text: wildcard match
    filter_range = 3,     // min <= value <= max
    filter_none = 4,      // no condition
};

// How a cell text is read.
enum column_filter_kind : qint32 {
    filter_number = 0,
    filter_hundredths = 1,  // a number with two decimals, compared as value x 100
    filter_hex = 2,         // "0AH", "14h": hexadecimal, the H suffix ignored
    filter_text = 3,
};

struct column_filter_record {
    quint8 filterable = 0;
    quint8 active = 0;
    qint32 type = filter_equal;
    qint32 kind = filter_number;
    QString pattern;  // text: the wildcard pattern; hexadecimal: the printf format of the filter row
    qint32 min = 0;
    qint32 max = 0;
};

// True when the kind compares numbers, so a cell's value can be computed once and kept.
bool filter_kind_is_numeric(qint32 kind);
// The number a cell text stands for under a numeric kind (0 when it cannot be read).
double filter_cell_value(const QString& text, qint32 kind);
// The comparison of a number with the record's bounds.
bool filter_value_passes(double value, const column_filter_record& rec);
// The whole test of one cell text.
bool cell_passes_filter(const QString& text, const column_filter_record& rec);
// Whole-text, case-insensitive wildcard match (* any run, ? one character, [...] a set).
bool wildcard_match(const QString& text, const QString& pattern);
// The condition as the filter row shows it ("< 5", "1.50-2.00", "0AH", ...).
QString filter_condition_text(const column_filter_record& rec);
