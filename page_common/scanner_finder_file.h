// scanners.cscan: the wands, scanner units and set-ups from which the scanner finder offers
// scanners of the scanner list, with their time, force and precision levels. Read once when
// the finder is made; never written.
#pragma once
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// One level entry of a unit, in the order the unit record keeps it.
struct scanner_level {
    int32_t force_low = 0, force_high = 0;
    int32_t time_low = 0, time_high = 0;
    int32_t precision_low = 0, precision_high = 0;
};

struct scanner_unit {
    static constexpr int name_max = 51;
    static constexpr int level_max = 10;
    int32_t article = 0;
    QByteArray name;  // upper case, at most name_max characters
    std::array<scanner_level, level_max> levels{};
    int level_count = 0;  // level lines read for this unit
};

struct scanner_wand {
    static constexpr int name_max = 59;
    int32_t article = 0;
    QByteArray name;  // at most name_max characters
    uint32_t unit_mask = 0;  // bit u: the wand fits unit u
};

struct scanner_setup_entry {
    uint16_t number = 0;           // position in the scanner list
    uint16_t time_level = 0;       // 0 to 9
    uint16_t force_level = 0;      // 0 to 9
    uint16_t precision_level = 0;  // 0 to 9
};

struct scanner_setup {
    struct pair {
        uint16_t unit = 0;
        uint16_t wand = 0;
    };
    std::vector<pair> pairs;
    std::vector<scanner_setup_entry> entries;
};

struct scanner_finder_tables {
    static constexpr int version_max = 99;
    std::vector<scanner_unit> units;
    std::vector<scanner_wand> wands;
    std::vector<scanner_setup> setups;
    QString version;  // the text of the "##" line, at most version_max characters

    void clear() { *this = scanner_finder_tables{}; }
};

extern scanner_finder_tables g_scanner_finder;

// Rebuilds the tables from <application directory>/scanners.cscan, its P lines bounded by
// the scanner list's count. False when the file cannot be read or a P line is out of range.
bool read_scanner_finder_file();
// The same over a file's text (the reader's core).
bool parse_scanner_finder_text(const QByteArray& text, int scanner_count, scanner_finder_tables& t);

// The index of the first unit or wand with that article number, or -1.
int find_unit_by_article(int32_t article, const scanner_finder_tables& t = g_scanner_finder);
int find_wand_by_article(int32_t article, const scanner_finder_tables& t = g_scanner_finder);
// The index of the first unit named `name` (any case), its bit set in `mask` when the mask
// has one for it (units 0 to 31); -1 and no change when none matches.
int mark_unit_by_name(const QByteArray& name, uint32_t& mask, const scanner_finder_tables& t = g_scanner_finder);

// The version text, shown by the about box after "Scanner-Finder: ".
QString scanner_finder_version();
