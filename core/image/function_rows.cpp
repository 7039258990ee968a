#include "core/image/function_rows.h"

#include "core/image/device_function_record.h"
#include "core/text/safe_format.h"
#include "core/text/text_tables.h"

namespace {

QString latin1(const std::string& s) { return QString::fromLatin1(s.data(), int(s.size())); }

constexpr int label_not_defined = 144;

std::string mode_text(int32_t mode)
{
    struct entry {
        int32_t mode;
        int label;
    };
    static const entry k_modes[] = {
        {0, 122}, {1, 120}, {2, 243}, {3, 174}, {4, 228}, {5, 230}, {6, 260},
        {7, 276}, {128, 292}, {129, 291}, {130, 175}, {131, 176}, {132, 511},
    };
    for (const entry& e : k_modes)
        if (e.mode == mode)
            return txt_label(e.label);
    return txt_label(label_not_defined);
}

std::string back_mode_text(const_function_record rec)
{
    const int32_t mode = rec.field(fr::mode);
    if (mode == 2 || mode == 3 || mode == 5 || mode == 6)
        return {};
    const int32_t back_mode = rec.field(fr::back_mode);
    const int32_t angle = rec.field(fr::back_angle);
    std::string s;
    switch (back_mode) {
    case 4: s = safe_format("%3.2f", {centi_to_double(angle)}); break;
    case 0: s = txt_label(123); break;
    case 1: s = txt_label(124); break;
    case 3: s = txt_label(127); break;
    default: s = txt_label(label_not_defined); break;
    }
    if (rec.field(fr::ko_back_mode) == 1)
        s += "*";
    if (mode == 128 || mode == 132)
        s += safe_format("/%5d ", {angle});
    else if (mode == 7)
        s += safe_format("/%5.1f s", {double(angle) / 10.0});
    else if (mode == 129)
        s += safe_format("/%3.2f s ", {centi_to_double(angle)});
    return s;
}

std::string intensity_text(int32_t intensity, bool basic)
{
    if (basic) {
        if (intensity >= 0 && intensity <= 3)
            return txt_label(235 + intensity);
        return "SW-Error";
    }
    if (intensity == 0)
        return txt_label(239);
    if (intensity == 7)
        return txt_label(240);
    return safe_format("%2d", {int64_t(intensity) + 1});
}

}  // namespace

std::string function_mode_text(int32_t mode) { return mode_text(mode); }

const char* const function_row_titles[function_row_columns] = {
    "FuncNo",        "Name",          "Mode",          "BackMode",      "NextFunc",    "KOFunc",      "ObjectPos",
    "TeachLimit",    "Tolerance",     "Intensity",     "Counter",       "Counter Limit", "Out1 Function",
    "Out2 Function", "Out3 Function", "Out4 Function", "Warning Min",   "Warning Max", "Error Min",   "Error Max",
};

QStringList format_manual_row(int n, const_function_record rec, int32_t scanning_mode, const device_state& d)
{
    const bool basic = d.family_flag != 0;
    const int32_t flags = rec.field(fr::flags);
    const bool cluster = (flags & fr::flag_cluster) != 0;
    const int member = ((n % 4) + 4) % 4;
    const bool hidden = cluster && (member == 0 || member == 3);
    const int32_t mode = rec.field(fr::mode);

    QStringList row;
    static const char* const k_suffix[4] = {"RL", "R", "L", "LR"};
    row << latin1(cluster ? safe_format("%03d %s", {n, k_suffix[member]}) : safe_format("%03d", {n}));
    row << (basic ? QString() : latin1(rec.name()));
    row << latin1(mode_text(mode));
    row << (basic ? QString() : latin1(back_mode_text(rec)));

    const int32_t next = rec.field(fr::next_func);
    row << latin1(next == -1 || basic ? std::string("    ") : safe_format("%4d", {next}));
    const int32_t ko = rec.field(fr::ko_func);
    row << latin1(ko == -1 ? std::string("    ") : safe_format("%4d", {ko}));

    const int32_t object = rec.field(fr::object_pos);
    if (hidden)
        row << QStringLiteral("-----");
    else if (basic)
        row << QStringLiteral("     ");
    else if (mode == 128 || mode == 132)
        row << latin1(safe_format("%5d", {object}));
    else
        row << latin1(safe_format("%3.2f", {centi_to_double(object)}));

    row << (hidden ? QStringLiteral("-----") : latin1(safe_format("%3.2f", {centi_to_double(rec.field(fr::teach_limit))})));

    const int32_t tolerance = rec.field(fr::tolerance);
    if (hidden) {
        row << QStringLiteral("----");
    } else {
        std::string t = safe_format("%2.2f", {centi_to_double(tolerance)});
        if (scanning_mode == 2 && tolerance > 50)
            t += " !!";
        row << latin1(t);
    }

    row << (hidden ? QStringLiteral("---") : latin1(intensity_text(rec.field(fr::intensity), basic)));
    row << (hidden ? QStringLiteral("-----") : latin1(safe_format("%5d", {rec.field(fr::counter)})));
    row << (hidden ? QStringLiteral("-----") : latin1(safe_format("%5d", {rec.field(fr::counter_limit)})));

    row << latin1(output_function_text(rec.field(fr::out1)));
    row << latin1(output_function_text(rec.field(fr::out2)));
    row << latin1(output_function_text(rec.field(fr::out3)));
    row << (basic ? QString() : latin1(output_function_text(rec.field(fr::out4))));

    for (uint32_t off : {fr::warn_min, fr::warn_max, fr::err_min, fr::err_max}) {
        if (cluster)
            row << QStringLiteral("   ");
        else if (basic)
            row << QString();
        else
            row << latin1(area_limit_text(flags, rec.field(off)));
    }
    return row;
}

QStringList format_manual_row(int n, const_function_record rec)
{
    return format_manual_row(n, rec, g_config_image().header().field(hdr::scanning_mode), g_device());
}

std::string output_function_text(int32_t code)
{
    if (code < 0 || code >= output_function_count)
        return txt_label(label_not_defined);
    return output_function_label(int(code));
}

std::string area_limit_text(int32_t flags, int32_t value)
{
    std::string s;
    if ((uint32_t(value) & 0xC000u) == 0xC000u) {
        switch (value & 0xF) {
        case 1: s = txt_label(141); break;
        case 2: s = txt_label(142); break;
        case 3: s = txt_label(143); break;
        default: s = txt_label(label_not_defined); break;
        }
    } else {
        s = safe_format("%3.2f", {centi_to_double(value)});
    }
    s += (flags & 1) ? " rel" : " abs";
    return s;
}

std::string format_version_text(uint32_t w1, uint32_t w2, uint32_t w3)
{
    const unsigned major = (w2 >> 16) & 0xFF;
    const unsigned minor = (w2 >> 24) & 0xFF;
    const unsigned patch = w3 & 0xFF;
    const unsigned build = (w3 >> 16) & 0xFFFF;
    const unsigned day = (w1 >> 8) & 0xFF;
    const unsigned month = (w1 >> 16) & 0xFF;
    const unsigned year = w2 & 0xFFFF;
    if (patch != 0)
        return safe_format("V%02d.%02d.%02d.%03d %02d.%02d.%4d", {major, minor, patch, build, day, month, year});
    return safe_format("V%02d.%02d %02d.%02d.%4d", {major, minor, day, month, year});
}

std::string format_output_state_text(uint32_t flags)
{
    if (flags & 0x20)
        return txt_label(101);
    if (flags & 0x10)
        return txt_label(424);
    return "--------";
}

std::string connection_title_suffix(bool from_controller, const std::string& file_name)
{
    return from_controller ? std::string(" / Controller") : " / " + file_name;
}

int compare_version_triples(const uint8_t a[3], const uint8_t b[3])
{
    for (int i = 0; i < 3; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

double centi_to_double(int32_t value) { return double(value) / 100.0; }

uint16_t swap16_if(uint16_t value, bool swap) { return swap ? uint16_t((value >> 8) | (value << 8)) : value; }

std::string format_bit_string(uint32_t value, int n, bool high_first, int group, char separator)
{
    if (n < 0)
        n = 0;
    if (n > 32)
        n = 32;
    std::string s;
    if (!high_first) {
        for (int b = 0; b < n; ++b)
            s += ((value >> b) & 1) ? '1' : '0';
        return s;
    }
    for (int b = n - 1, count = 0; b >= 0; --b) {
        s += ((value >> b) & 1) ? '1' : '0';
        ++count;
        if (group > 0 && count % group == 0 && b > 0)
            s += separator;
    }
    return s;
}
