#include "procmon/pm_csv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "core/image/byte_record.h"
#include "core/image/config_image.h"
#include "core/transfer/config_transfer.h"
#include "core/files/file_helpers.h"
#include "core/image/tool_records.h"
#include "procmon/safe_file_name.h"
#include "platform/regular_file.h"
#include "procmon/sdcard_reader.h"
#include "widgets/fixed_point.h"

namespace L = sd_card_layout;

namespace {

enum class fmt : uint8_t { d, x, s, f2, crc };

struct csv_key {
    const char* name;
    fmt format;
    bool in_record_file;  // record files lack CounterTeach and DataCRC32
};

// File order of the tool-type file: Break, Blunt, Missing (the record holds them the other way).
const csv_key k_tooltype_keys[] = {
    {"Number", fmt::d, true},
    {"Name", fmt::s, true},
    {"X_ToleranceOptions", fmt::x, true},
    {"X_ToleranceFineRewind", fmt::d, true},
    {"X_ToleranceFineForward", fmt::d, true},
    {"X_ToleranceMediumRewind", fmt::d, true},
    {"X_ToleranceMediumForward", fmt::d, true},
    {"X_ToleranceHighRewind", fmt::d, true},
    {"X_ToleranceHighForward", fmt::d, true},
    {"ToleranceOptions", fmt::x, true},
    {"ToleranceFine", fmt::f2, true},
    {"ToleranceMedium", fmt::f2, true},
    {"ToleranceHigh", fmt::f2, true},
    {"BreakOptions", fmt::x, true},
    {"BreakMode", fmt::d, true},
    {"BreakLimit", fmt::f2, true},
    {"BreakTime", fmt::d, true},
    {"BreakRange", fmt::f2, true},
    {"BluntOptions", fmt::x, true},
    {"BluntMode", fmt::d, true},
    {"BluntLimit", fmt::f2, true},
    {"BluntTime", fmt::d, true},
    {"BluntWork", fmt::f2, true},
    {"BluntRange", fmt::f2, true},
    {"MissingOptions", fmt::x, true},
    {"MissingMode", fmt::d, true},
    {"MissingLimit", fmt::f2, true},
    {"MissingTime", fmt::d, true},
    {"MissingRange", fmt::f2, true},
    {"DelayOptions", fmt::x, true},
    {"DelayTime", fmt::d, true},
    {"IdleOptions", fmt::x, true},
    {"CounterOptions", fmt::x, true},
    {"CounterLimit", fmt::d, true},
};

// Record files (43 keys) and curve files (45 keys); also the keys the reader knows, in the
// order it tries them.
const csv_key k_record_keys[] = {
    {"MonitoringStatus", fmt::x, true},
    {"MonitoringErrors", fmt::x, true},
    {"MonitoringWork", fmt::f2, true},
    {"Number", fmt::d, true},
    {"Name", fmt::s, true},
    {"DN", fmt::d, true},
    {"PN", fmt::d, true},
    {"ToolType", fmt::d, true},
    {"Tolerance", fmt::d, true},
    {"X_ToleranceOptions", fmt::x, true},
    {"X_ToleranceRewind", fmt::d, true},
    {"X_ToleranceForward", fmt::d, true},
    {"MissingOptions", fmt::x, true},
    {"MissingMode", fmt::d, true},
    {"MissingLimit", fmt::f2, true},
    {"MissingTolerance", fmt::f2, true},
    {"MissingTime", fmt::d, true},
    {"MissingRange", fmt::f2, true},
    {"BluntOptions", fmt::x, true},
    {"BluntMode", fmt::d, true},
    {"BluntLimit", fmt::f2, true},
    {"BluntTolerance", fmt::f2, true},
    {"BluntTime", fmt::d, true},
    {"BluntWork", fmt::f2, true},
    {"BluntDuration", fmt::d, true},
    {"BluntRange", fmt::f2, true},
    {"BreakOptions", fmt::x, true},
    {"BreakMode", fmt::d, true},
    {"BreakLimit", fmt::f2, true},
    {"BreakTolerance", fmt::f2, true},
    {"BreakTime", fmt::d, true},
    {"BreakRange", fmt::f2, true},
    {"DelayOptions", fmt::x, true},
    {"DelayTime", fmt::d, true},
    {"IdleOptions", fmt::x, true},
    {"IdleLimit", fmt::f2, true},
    {"CounterOptions", fmt::x, true},
    {"CounterTeach", fmt::d, false},
    {"CounterValue", fmt::d, true},
    {"CounterLimit", fmt::d, true},
    {"DataOptions", fmt::x, true},
    {"DataCnt", fmt::d, true},
    {"DataMin", fmt::f2, true},
    {"DataMax", fmt::f2, true},
    {"DataCRC32", fmt::crc, false},
};

QString& last_error()
{
    static QString e;
    return e;
}

const field_desc& field_of(const field_table& t, const char* name)
{
    const field_desc* f = t.find(name);
    Q_ASSERT(f);
    return *f;
}

char decimal_separator()
{
    const char c = fixed_point::locale_decimal_point().toLatin1();
    return c ? c : '.';
}

// ---- formatting into a growing buffer

void pad(std::string& out, size_t used, size_t width)
{
    if (used < width)
        out.append(width - used, ' ');
}

void right(std::string& out, const char* p, size_t n, size_t width)
{
    pad(out, n, width);
    out.append(p, n);
}

void right_int(std::string& out, int64_t v, size_t width)
{
    char b[24];
    const auto r = std::to_chars(b, b + sizeof b, v);
    right(out, b, size_t(r.ptr - b), width);
}

// Hundredths with two decimals: -1 gives "-0.01".
size_t hundredths(char* b, int64_t v, char sep)
{
    char* p = b;
    uint64_t a = uint64_t(v < 0 ? -v : v);
    if (v < 0)
        *p++ = '-';
    p = std::to_chars(p, b + 24, a / 100).ptr;
    *p++ = sep;
    *p++ = char('0' + a % 100 / 10);
    *p++ = char('0' + a % 10);
    return size_t(p - b);
}

void right_hundredths(std::string& out, int64_t v, size_t width, char sep)
{
    char b[32];
    right(out, b, hundredths(b, v, sep), width);
}

void hex8(char* p, uint32_t v)
{
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 7; i >= 0; --i, v >>= 4)
        p[i] = digits[v & 0xF];
}

// The Name as the file shows it: up to its first zero, at most 32 bytes, control characters
// replaced so the line structure holds.
std::string name_text(const_byte_view rec, const field_desc& f)
{
    std::string s = rec.text(f);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return s;
}

void key_lines(std::string& out, const_byte_view rec, const field_table& fields, const csv_key* keys, size_t count,
               size_t width, bool curve_file)
{
    const char sep = decimal_separator();
    for (size_t i = 0; i < count; ++i) {
        const csv_key& k = keys[i];
        if (!curve_file && !k.in_record_file)
            continue;
        const field_desc& f = field_of(fields, k.name);
        out += '"';
        out += k.name;
        pad(out, std::strlen(k.name), width);
        out += "\";\"";
        switch (k.format) {
        case fmt::d: right_int(out, rec.get(f), 30); break;
        case fmt::x: {
            char b[8];
            hex8(b, uint32_t(rec.get(f)));
            size_t skip = 0;
            while (skip < 7 && b[skip] == '0')
                ++skip;
            right(out, b + skip, 8 - skip, 30);
            break;
        }
        case fmt::s: {
            const std::string s = name_text(rec, f);
            right(out, s.data(), s.size(), 30);
            break;
        }
        case fmt::f2: right_hundredths(out, rec.get(f), 30, sep); break;
        case fmt::crc: {
            char b[8];
            hex8(b, uint32_t(rec.get(f)));
            out.append(22, ' ');
            out.append(b, 8);
            break;
        }
        }
        out += "\";\r\n";
    }
}

void file_head(std::string& out) { out += "sep=;\r\n[Parameter]\r\n"; }

void data_head(std::string& out) { out += "[Data]\r\n\"        Time\";\" ProcessData\";\r\n"; }

constexpr size_t sample_line = 32;  // "%12d";"%12.2f"; and CR LF

// The 12-character value fields of all 65536 samples (hundredths, signed or not), made once
// for each kind and separator: a full record file prints 1.8 million of them.
const char* value_fields(bool is_signed, char sep)
{
    struct table {
        char sep = 0;
        std::vector<char> fields;
    };
    static std::mutex lock;
    static table tables[2];
    std::lock_guard<std::mutex> hold(lock);
    table& t = tables[is_signed ? 1 : 0];
    if (t.sep != sep || t.fields.empty()) {
        t.fields.assign(size_t(65536) * 12, ' ');
        for (uint32_t raw = 0; raw < 65536; ++raw) {
            const int64_t v = is_signed ? int64_t(int16_t(uint16_t(raw))) : int64_t(raw);
            char num[24];
            const size_t n = hundredths(num, v, sep);
            std::memcpy(&t.fields[raw * 12 + 12 - n], num, n);
        }
        t.sep = sep;
    }
    return t.fields.data();
}

// A right-aligned 12-character decimal field (inside a line) that counts up in steps of 10.
struct time_field {
    char* f;
    int lead = 11;  // position of the first digit

    void set(uint64_t v)
    {
        char num[24];
        const size_t n = size_t(std::to_chars(num, num + sizeof num, v).ptr - num);
        std::memset(f, ' ', 12);
        lead = n > 12 ? 0 : int(12 - n);
        std::memcpy(f + lead, num + (n > 12 ? n - 12 : 0), n > 12 ? 12 : n);
    }
    void add10(uint64_t next)
    {
        for (int i = 10; i >= 0; --i) {
            if (i < lead) {
                f[i] = '1';
                lead = i;
                return;
            }
            if (f[i] != '9') {
                ++f[i];
                return;
            }
            f[i] = '0';
        }
        set(next);  // beyond 12 digits
    }
};

// Appends the lines of samples [first, first + n), time continuing from `first`. One line is
// kept and patched: the time counts up in place, the value comes from the table.
template <typename Sample>
void sample_lines(std::string& out, const Sample* s, size_t n, size_t first, char sep)
{
    if (n == 0)
        return;
    const char* fields = value_fields(std::is_signed<Sample>::value, sep);
    const size_t at = out.size();
    out.resize(at + n * sample_line);
    char* p = &out[at];
    char line[sample_line];
    line[0] = '"';
    std::memcpy(line + 13, "\";\"", 3);
    std::memcpy(line + 28, "\";\r\n", 4);
    time_field time{line + 1};
    time.set(uint64_t(first) * 10);
    for (size_t k = 0; k < n; ++k) {
        if (k)
            time.add10(uint64_t(first + k) * 10);
        std::memcpy(line + 16, fields + size_t(uint16_t(s[k])) * 12, 12);
        std::memcpy(p, line, sample_line);
        p += sample_line;
    }
}

bool fail(const QString& why)
{
    last_error() = why;
    return false;
}

// Puts the file in place through a temporary file: the head (key lines and, for record and
// curve files, the data block's header), then the sample lines made piece by piece. A target
// that exists and is not a regular file (a device, a FIFO) is refused: nothing must ever
// replace it.
template <typename Sample>
bool put_file(const QString& path, const std::string& head, const Sample* samples, size_t count)
{
    QString target = path;
    const QFileInfo fi(path);
    if (fi.isSymLink())
        target = fi.symLinkTarget();
    struct stat st {};
    const QByteArray native = QFile::encodeName(target);
    if (::stat(native.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return fail(QStringLiteral("%1 is not a regular file").arg(target));
        if (::access(native.constData(), W_OK) != 0)
            return fail(QStringLiteral("%1: no write permission").arg(target));
    }
    constexpr size_t piece = 16384;  // samples per piece: half a megabyte of text
    const char sep = decimal_separator();
    bool head_given = false;
    size_t done = 0;
    std::string lines;
    const write_source source = [&](const char*& p, size_t& n) {
        if (!head_given) {
            head_given = true;
            p = head.data();
            n = head.size();
            return true;
        }
        const size_t take = std::min(count - done, piece);
        lines.clear();
        sample_lines(lines, samples + done, take, done, sep);
        done += take;
        p = lines.data();
        n = lines.size();
        return true;
    };
    // Exports can be made again: the rename still never leaves a half-written file in place.
    const file_write_result r = replace_file(target, source, write_durability::unsynced);
    if (!r.ok)
        return fail(QStringLiteral("%1: %2").arg(target, r.error_text));
    last_error().clear();
    return true;
}

}  // namespace

const QString& pm_csv_last_error() { return last_error(); }

QString pm_record_name(bool isRecording, const uint8_t* record)
{
    const const_byte_view r(record, tool_record_size);
    const std::string name = r.text(tr::name, tr::name_size);
    char b[96];
    std::snprintf(b, sizeof b, " DN%03u PN%05u [%05d-%05d-%08X]", unsigned(r.u16(tr::dn)), unsigned(r.u16(tr::pn)),
                  r.i32(tr::counter_teach), isRecording ? r.i32(tr::counter_value) : 0, r.u32(tr::data_crc32));
    return QString::fromLatin1(name.data(), int(name.size())) + QLatin1String(b);
}

QString pm_record_file_name(bool isRecording, const uint8_t* record)
{
    return safe_file_name(pm_record_name(isRecording, record), QStringLiteral("Record")) + QStringLiteral(".csv");
}

QString pm_tooltype_file_name(const uint8_t* tooltype_record)
{
    const const_byte_view r(tooltype_record, tool_type_record_size);
    const std::string name = r.text(ttr::name, ttr::name_size);
    return safe_file_name(QString::fromLatin1(name.data(), int(name.size())),
                          QStringLiteral("ToolType_%1").arg(r.i16(ttr::number))) +
           QStringLiteral(".csv");
}

bool write_tooltype_csv(uint32_t, const uint8_t* sector512, const QString& path)
{
    std::string out;
    out.reserve(2200);
    file_head(out);
    key_lines(out, const_byte_view(sector512 + L::record_offset, tool_type_record_size), tool_type_record_fields(),
              k_tooltype_keys, std::size(k_tooltype_keys), pm_csv_tooltype_key_width, false);
    return put_file<uint16_t>(path, out, nullptr, 0);
}

bool write_curve_csv(const std::vector<int16_t>& samples, const uint8_t* record, const QString& path)
{
    std::string out;
    out.reserve(2600);
    file_head(out);
    key_lines(out, const_byte_view(record, tool_record_size), tool_record_fields(), k_record_keys,
              std::size(k_record_keys), pm_csv_record_key_width, true);
    data_head(out);
    return put_file(path, out, samples.data(), samples.size());
}

bool write_record_csv(bool isRecording, uint32_t index, const uint8_t* sector512, const QString& path)
{
    const const_byte_view rec(sector512 + L::record_offset, tool_record_size);
    const int32_t count = L::clamp_count(rec.i32(tr::data_cnt));
    std::string out;
    out.reserve(2600);
    file_head(out);
    key_lines(out, rec, tool_record_fields(), k_record_keys, std::size(k_record_keys), pm_csv_record_key_width, false);
    data_head(out);
    std::vector<uint16_t> samples;
    if (!sdcard_read_samples(isRecording, int32_t(index), count, samples))
        return fail(QStringLiteral("the samples of %1 %2 cannot be read: %3")
                        .arg(isRecording ? QStringLiteral("recording") : QStringLiteral("tool"))
                        .arg(index)
                        .arg(QString::fromStdString(sdcard_last_reason())));
    return put_file(path, out, samples.data(), samples.size());
}

// ---- reading

namespace {

// One ";"-separated part with quotes as blanks and commas as points, trimmed, into `buf`.
// False when it does not fit (no number is that long).
bool clean_part(const char* b, const char* e, char* buf, size_t size, size_t& n)
{
    n = 0;
    for (const char* p = b; p < e; ++p) {
        char c = *p == '"' ? ' ' : (*p == ',' ? '.' : *p);
        if (n == 0 && (c == ' ' || c == '\t'))
            continue;
        if (n == size)
            return false;
        buf[n++] = c;
    }
    while (n > 0 && (buf[n - 1] == ' ' || buf[n - 1] == '\t'))
        --n;
    return true;
}

bool read_int(const char* b, size_t n, int64_t& v, int base = 10)
{
    if (n > 0 && *b == '+') {
        ++b;
        --n;
        if (n > 0 && *b == '-')
            return false;
    }
    const auto r = std::from_chars(b, b + n, v, base);
    return n > 0 && r.ec == std::errc() && r.ptr == b + n;
}

// A number as hundredths, rounded half away from zero; false for anything but a finite number
// within the 32-bit range.
bool read_hundredths(const char* b, size_t n, int64_t& v)
{
    if (n > 0 && *b == '+') {
        ++b;
        --n;
        if (n > 0 && *b == '-')
            return false;
    }
    if (n == 0)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (!std::strchr("0123456789.-eE+", b[i]))  // no inf, nan or hex
            return false;
    double x = 0;
    const auto r = std::from_chars(b, b + n, x, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != b + n || !std::isfinite(x))
        return false;
    const double h = x * 100.0;
    if (!(std::fabs(h) < 2147483648.0))
        return false;
    v = std::llround(h);
    return true;
}

// The whole file, regular files only and at most 256 MB (a full record file is about 57 MB).
bool slurp(const QString& path, std::string& out)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = platform::open_regular_file(std::string(native.constData()));
    if (fd < 0 && errno != EINVAL && errno != EISDIR)
        return fail(QStringLiteral("%1 cannot be opened: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (fd < 0)
        return fail(QStringLiteral("%1 is not a process-data file").arg(path));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size > (off_t(256) << 20)) {
        ::close(fd);
        return fail(QStringLiteral("%1 is not a process-data file").arg(path));
    }
    out.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t r = ::read(fd, &out[got], out.size() - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += size_t(r);
    }
    ::close(fd);
    out.resize(got);
    return true;
}

bool is_word(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

}  // namespace

bool pm_csv_parse(const QString& line, uint8_t* record)
{
    if (line.size() < 2 || !line[1].isLetter())
        return false;
    const csv_key* key = nullptr;
    for (const csv_key& k : k_record_keys) {
        const int n = int(std::strlen(k.name));
        if (line.size() > n && line[0] == QLatin1Char('"') && line.midRef(1, n) == QLatin1String(k.name) &&
            (line.size() == n + 1 || !is_word(line[n + 1]))) {
            key = &k;
            break;
        }
    }
    if (!key)
        return false;
    const QVector<QStringRef> parts = line.splitRef(QLatin1Char(';'));
    if (parts.size() < 2)
        return false;
    QString value = parts[1].toString();
    value.remove(QLatin1Char('"'));
    value = value.trimmed();
    value.replace(QLatin1Char(','), QLatin1Char('.'));
    const field_desc& f = field_of(tool_record_fields(), key->name);
    const byte_view rec(record, tool_record_size);
    if (key->format == fmt::s) {
        const QByteArray latin = value.toLatin1();
        rec.set_text(f.offset, f.width, std::string(latin.constData(), size_t(latin.size())));
        return true;
    }
    const QByteArray a = value.toLatin1();
    int64_t v = 0;
    bool ok = false;
    switch (key->format) {
    case fmt::x:
    case fmt::crc: ok = read_int(a.constData(), size_t(a.size()), v, 16) && v >= 0 && v <= 0xFFFFFFFFll; break;
    case fmt::d: ok = read_int(a.constData(), size_t(a.size()), v) && v >= INT32_MIN && v <= INT32_MAX; break;
    case fmt::f2: ok = read_hundredths(a.constData(), size_t(a.size()), v); break;
    case fmt::s: break;
    }
    if (ok)
        rec.set(f, v);
    return ok;
}

bool pm_read_csv(std::vector<int16_t>& samples, uint8_t* record, bool& parametersOk, const QString& path)
{
    parametersOk = true;
    std::string text;
    if (!slurp(path, text)) {
        samples.resize(0);
        return false;
    }
    samples.resize(0);
    last_error().clear();
    const char* p = text.data();
    const char* const end = p + text.size();
    size_t line_no = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* le = nl ? nl : end;
        const char* b = p;
        p = nl ? nl + 1 : end;
        ++line_no;
        if (le > b && le[-1] == '\r')
            --le;
        if (le - b < 1 || *b != '"')
            continue;
        const char second = le - b >= 2 ? b[1] : '\0';
        if (!((second >= '0' && second <= '9') || second == ' ')) {
            if (record && le - b >= 2 && QChar::fromLatin1(second).isLetter() &&
                !pm_csv_parse(QString::fromLatin1(b, int(le - b)), record))
                parametersOk = false;
            continue;
        }
        // A data line: the time (not used) and the value.
        const char* s1 = static_cast<const char*>(std::memchr(b, ';', size_t(le - b)));
        char part[64];
        size_t n = 0;
        int64_t time = 0;
        if (!clean_part(b, s1 ? s1 : le, part, sizeof part, n) || !read_int(part, n, time) || time < INT32_MIN ||
            time > INT32_MAX)
            continue;
        const char* vb = s1 ? s1 + 1 : le;
        const char* s2 = s1 ? static_cast<const char*>(std::memchr(vb, ';', size_t(le - vb))) : nullptr;
        int64_t h = 0;
        if (!s1 || !clean_part(vb, s2 ? s2 : le, part, sizeof part, n) || !read_hundredths(part, n, h))
            return fail(QStringLiteral("%1, line %2: the sample value cannot be read").arg(path).arg(line_no));
        samples.push_back(int16_t(uint16_t(uint64_t(h) & 0xFFFF)));
    }
    return true;
}

// ---- the curve folder of a program file

void pm_csv_file_name(const QString& programPath, const config_image& image, bool& folderExists, bool present[500])
{
    const QString folder = curve_folder_for(programPath);
    folderExists = QFileInfo(folder).isDir();
    for (uint32_t i = 0; i < image_layout::tool_count; ++i) {
        const const_tool_slot s = image.tool(i);
        present[i] = folderExists && s.in_use() &&
                     QFileInfo(folder + QLatin1Char('/') + pm_record_file_name(false, s.record().data())).isFile();
    }
}

bool pm_read_curve_in_folder(const QString& folder, bool isRecording, const uint8_t* record,
                             std::vector<int16_t>& samples, int& status)
{
    status = QFileInfo(folder).isDir() ? 0 : 1;
    bool parametersOk = true;
    if (!pm_read_csv(samples, nullptr, parametersOk,
                     folder + QLatin1Char('/') + pm_record_file_name(isRecording, record)))
        status = 2;
    return status == 0;
}

bool pm_csv_file_name_for(bool isRecording, const QString& programPath, const uint8_t* record,
                          std::vector<int16_t>& samples, int& status)
{
    return pm_read_curve_in_folder(curve_folder_for(programPath), isRecording, record, samples, status);
}
