#include "scanner_finder_file.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QList>

#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/scanner_lists.h"
#include "core/text/user_seam.h"

scanner_finder_tables g_scanner_finder;

namespace {

// The file is a short text; anything larger is not a scanner list.
constexpr qint64 max_file_size = 1 << 20;

enum class section { none, units, wands, setups, in_setup };

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' '; }

// A C-style "%d" (width 0 = unbounded): optional blanks, a sign, then digits. False without
// a digit or when the number leaves the 32-bit range.
bool scan_int(const QByteArray& s, int& pos, int width, int32_t& out)
{
    while (pos < s.size() && is_blank(s[pos]))
        ++pos;
    int used = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '-' || s[pos] == '+')) {
        negative = s[pos] == '-';
        ++pos;
        ++used;
    }
    int64_t v = 0;
    int digits = 0;
    while (pos < s.size() && is_digit(s[pos]) && (width == 0 || used < width)) {
        v = v * 10 + (s[pos] - '0');
        if (v > int64_t(INT32_MAX) + 1)
            return false;
        ++pos;
        ++used;
        ++digits;
    }
    if (digits == 0)
        return false;
    v = negative ? -v : v;
    if (v > INT32_MAX || v < INT32_MIN)
        return false;
    out = int32_t(v);
    return true;
}

bool scan_char(const QByteArray& s, int& pos, char c)
{
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// "%s": the next word after optional blanks.
QByteArray scan_word(const QByteArray& s, int& pos)
{
    while (pos < s.size() && is_blank(s[pos]))
        ++pos;
    const int start = pos;
    while (pos < s.size() && !is_blank(s[pos]))
        ++pos;
    return s.mid(start, pos - start);
}

// "%07d %s": an article number of at most seven digits and the word after it.
void scan_article_and_name(const QByteArray& line, int32_t& article, QByteArray& name, int name_max)
{
    int pos = 0;
    article = 0;
    scan_int(line, pos, 7, article);
    name = scan_word(line, pos).left(name_max);
}

void trace(const char* text) { qDebug("%s", text); }

struct parser {
    parser(scanner_finder_tables& tables, int count) : t(tables), scanner_count(count) {}

    scanner_finder_tables& t;
    int scanner_count;
    section state = section::none;
    bool open = false;
    scanner_setup current;
    // The first unit of each name and article number and the first wand of each article
    // number, so that a long file is read in linear time. Names are kept as the upper-case
    // line gives them, which is where a comparison without regard to case ends too.
    QHash<QByteArray, int> unit_by_name;
    QHash<int32_t, int> unit_by_article;
    QHash<int32_t, int> wand_by_article;

    void close_setup()
    {
        if (open)
            t.setups.push_back(current);
        current = scanner_setup{};
        open = false;
    }

    void section_header(char which)
    {
        switch (which) {
        case 'S':
            t.setups.clear();
            current = scanner_setup{};
            open = false;
            state = section::setups;
            break;
        case 'U':
            close_setup();
            state = section::units;
            break;
        case 'W':
            close_setup();
            state = section::wands;
            break;
        default:
            break;
        }
    }

    void unit_line(const QByteArray& line)
    {
        if (line.contains('$')) {
            if (t.units.empty()) {
                trace("ScannerConfig: level line before the first unit ignored");
                return;
            }
            int32_t v[6] = {};
            int pos = 0;
            for (int i = 0; i < 6; ++i) {
                if (!scan_int(line, pos, 0, v[i]) || (i % 2 == 0 && !scan_char(line, pos, '$'))) {
                    trace("ScannerConfig: level line with fewer than six numbers ignored");
                    return;
                }
            }
            scanner_unit& u = t.units.back();
            if (u.level_count >= scanner_unit::level_max)
                return;
            scanner_level& l = u.levels[size_t(u.level_count++)];
            l.time_low = v[0];
            l.time_high = v[1];
            l.force_low = v[2];
            l.force_high = v[3];
            l.precision_low = v[4];
            l.precision_high = v[5];
            return;
        }
        scanner_unit u;
        scan_article_and_name(line, u.article, u.name, scanner_unit::name_max);
        const int index = int(t.units.size());
        if (!unit_by_name.contains(u.name))
            unit_by_name.insert(u.name, index);
        if (!unit_by_article.contains(u.article))
            unit_by_article.insert(u.article, index);
        t.units.push_back(u);
    }

    void wand_line(const QByteArray& line, const QList<QByteArray>& words)
    {
        scanner_wand w;
        scan_article_and_name(line, w.article, w.name, scanner_wand::name_max);
        int beyond = 0;
        for (int i = 2; i < words.size(); ++i) {
            const int u = unit_by_name.value(words[i], -1);
            if (u >= 32)
                ++beyond;
            else if (u >= 0)
                w.unit_mask |= uint32_t(1) << u;
        }
        if (beyond > 0)
            qDebug("ScannerConfig: %d unit names of wand %s are beyond its unit mask", beyond, w.name.constData());
        if (!wand_by_article.contains(w.article))
            wand_by_article.insert(w.article, int(t.wands.size()));
        t.wands.push_back(w);
    }

    void setup_header(const QByteArray& line)
    {
        if (!open) {
            current = scanner_setup{};
            open = true;
        }
        int pos = 1;
        int32_t wand_article = 0, unit_article = 0;
        const bool read = scan_int(line, pos, 0, wand_article) && scan_char(line, pos, '_') &&
                          scan_int(line, pos, 0, unit_article);
        const int wand = read ? wand_by_article.value(wand_article, -1) : -1;
        const int unit = read ? unit_by_article.value(unit_article, -1) : -1;
        if (wand >= 0 && unit >= 0 && wand <= 0xFFFF && unit <= 0xFFFF)
            current.pairs.push_back({uint16_t(unit), uint16_t(wand)});
        else
            trace("Fehler: fuer die ScannnerSetup-Section keine zugehoerige Wand.ArtikelNr / Scannerunit.ArtikelNr "
                  "gefunden");
        state = section::in_setup;
    }

    // False (after the range box) when the line is out of range.
    bool p_line(const QByteArray& line)
    {
        int pos = 1;
        int32_t v[4] = {};
        bool ok = scan_int(line, pos, 3, v[0]) && scan_int(line, pos, 0, v[1]) && scan_int(line, pos, 0, v[2]) &&
                  scan_int(line, pos, 0, v[3]);
        ok = ok && v[0] >= 0 && v[0] <= scanner_count && v[1] >= 1 && v[1] <= 10 && v[2] >= 1 && v[2] <= 10 &&
             v[3] >= 0 && v[3] <= 9;
        if (!ok) {
            ui::current().message(
                ui::box_kind::critical, ui::title_error(),
                QStringLiteral("The entries in the scanner configuration file \"scanners.cscan\" is out of range!!\n"
                               "Line: %1\n")
                    .arg(QString::fromLatin1(line)));
            return false;
        }
        current.entries.push_back({uint16_t(v[0]), uint16_t(v[1] - 1), uint16_t(v[2] - 1), uint16_t(v[3])});
        return true;
    }

    bool line(QByteArray raw)
    {
        const int nul = raw.indexOf('\0');
        if (nul >= 0)
            raw.truncate(nul);
        const QByteArray line = raw.simplified().toUpper();
        const QList<QByteArray> words = line.split(' ');
        const char c0 = line.isEmpty() ? 0 : line[0];
        const char c1 = line.size() > 1 ? line[1] : 0;

        if (state == section::in_setup) {
            if (c0 == 'P')
                return p_line(line);
            if (c0 != '*') {
                close_setup();
                state = section::setups;
            }
        }
        if (c0 == '*' && !is_digit(c1)) {
            section_header(c1);
            return true;
        }
        if (c0 == '#' && c1 == '#') {
            t.version = QString::fromLatin1(line.mid(2).left(scanner_finder_tables::version_max));
            return true;
        }
        if (c0 == '*' && (state == section::setups || state == section::in_setup)) {
            setup_header(line);
            return true;
        }
        if (is_digit(c0)) {
            if (state == section::units)
                unit_line(line);
            else if (state == section::wands)
                wand_line(line, words);
        }
        return true;
    }
};

}  // namespace

bool parse_scanner_finder_text(const QByteArray& text, int scanner_count, scanner_finder_tables& t)
{
    t.units.clear();
    t.wands.clear();
    parser p(t, scanner_count);
    int start = 0;
    while (start < text.size()) {
        int end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArray one = text.mid(start, end - start);
        if (one.endsWith('\r'))
            one.chop(1);
        if (!p.line(one))
            return false;
        start = end + 1;
    }
    p.close_setup();
    return true;
}

bool read_scanner_finder_file()
{
    scanner_finder_tables& t = g_scanner_finder;
    const QString path = app_file(QStringLiteral("scanners.cscan"));
    QFile f;
    if (!open_regular_file(f, path) || f.size() > max_file_size) {
        trace("Fehler: ScannerConfig-Datei kann nicht geoeffnet werden! Schon geoeffnet?");
        return false;
    }
    trace("Interpretierung aktiv ...");
    return parse_scanner_finder_text(f.read(max_file_size), int(g_scanner_lists().count), t);
}

int find_unit_by_article(int32_t article, const scanner_finder_tables& t)
{
    for (size_t i = 0; i < t.units.size(); ++i)
        if (t.units[i].article == article)
            return int(i);
    return -1;
}

int find_wand_by_article(int32_t article, const scanner_finder_tables& t)
{
    for (size_t i = 0; i < t.wands.size(); ++i)
        if (t.wands[i].article == article)
            return int(i);
    return -1;
}

int mark_unit_by_name(const QByteArray& name, uint32_t& mask, const scanner_finder_tables& t)
{
    for (size_t i = 0; i < t.units.size(); ++i) {
        if (t.units[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            if (i < 32)
                mask |= uint32_t(1) << i;
            return int(i);
        }
    }
    return -1;
}

QString scanner_finder_version() { return g_scanner_finder.version; }
