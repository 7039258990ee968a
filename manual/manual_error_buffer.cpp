#include "manual/manual_error_buffer.h"

#include "state/status_texts.h"

namespace {

uint32_t u32(const uint8_t* d, size_t k)
{
    return uint32_t(d[k]) | (uint32_t(d[k + 1]) << 8) | (uint32_t(d[k + 2]) << 16) | (uint32_t(d[k + 3]) << 24);
}
uint16_t u16(const uint8_t* d, size_t k) { return uint16_t(d[k] | (d[k + 1] << 8)); }

constexpr uint32_t power_on_bit = 0x80000000u;

}  // namespace

error_buffer_state& g_error_buffer()
{
    static error_buffer_state s;
    return s;
}

QString error_time_text(uint32_t low, uint32_t high)
{
    uint64_t t = (uint64_t(high & ~power_on_bit) << 32) | low;
    const uint64_t ms = t % 1000;
    t /= 1000;
    const uint64_t s = t % 60, m = (t / 60) % 60, h = (t / 3600) % 24, days = t / 86400;
    return QString::asprintf("(%02u) %02u:%02u:%02u.%03u", unsigned(uint16_t(days)), unsigned(uint16_t(h)),
                             unsigned(uint16_t(m)), unsigned(uint16_t(s)), unsigned(uint16_t(ms)));
}

QString error_scode_text(uint16_t bits)
{
    QString t;
    for (int b = 15; b >= 0; --b) {
        t += (bits >> b) & 1 ? QLatin1Char('1') : QLatin1Char('0');
        if (b == 8)
            t += QLatin1Char('-');
    }
    return t;
}

QString error_source_text(uint8_t source)
{
    static const char* const names[] = {"TVX",  "Inputs", "PB Local",  "PB Table", "PB 9",
                                        "USB",  "Auto",   "Next Func", "DN Local", "DN Table"};
    return source < 10 ? QString::fromLatin1(names[source]) : QString::asprintf("%02Xh", source);
}

QString error_code_text(uint8_t code)
{
    struct entry {
        uint8_t code;
        const char* text;
    };
    static const entry texts[] = {
        {2, " Waiting position, (wand is in HomePos)"},  {14, " Rereference error, no HomePos found"},
        {26, " Scanner error (scanner could not move)"}, {27, " Minimum teach angle not reached"},
        {28, " Teach without a tool/object"},             {29, " Move To HomePos problem"},
        {36, " Stop before tool"},                        {37, " No Object at set position"},
        {43, " Preposition not reached"},                 {63, " Go Position not reached"},
        {70, " Cable broken or scanner error -> power off"},
    };
    for (const entry& e : texts)
        if (e.code == code)
            return QString::fromLatin1(e.text);
    return QStringLiteral("Common error");
}

std::vector<error_buffer_row> error_buffer_rows(const error_buffer_entry* entries, int count, bool advanced)
{
    std::vector<error_buffer_row> rows;
    int number = 1;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = entries[i].data();
        const int32_t counter = int32_t(u32(e, 0));
        if (u32(e, 8) & power_on_bit) {
            error_buffer_row p;
            p.power_on = true;
            p.cells << QString::number(number++) << QString::number(counter) << QStringLiteral("PowerOn");
            for (int c = 0; c < 8; ++c)
                p.cells << QString();
            rows.push_back(p);
        }
        error_buffer_row r;
        const QString text = error_code_text(e[12]);
        r.ecode_detail = QString::asprintf("%03d-%08lX-%04X\n", e[12], static_cast<unsigned long>(u32(e, 14)),
                                           unsigned(u16(e, 32))) + text;
        QString hex = QString::asprintf("%02X-%02X-%02X-%02X-%02X-%02X-%02X-%02X", e[36], e[37], e[38], e[39], e[40],
                                        e[41], e[42], e[43]);
        QStringList texts;
        status_texts_from_bits(texts, 0x7F, true, u32(e, 36), u32(e, 40), true);
        r.fcode_detail = hex;
        for (const QString& t : texts)
            r.fcode_detail += QLatin1Char('\n') + t;
        const QString joined = texts.join(QLatin1Char('\n'));
        const QString fcell = advanced ? (texts.isEmpty() ? hex : hex + QLatin1Char('\n') + joined) : joined;
        const uint16_t fn = u16(e, 34);
        r.cells << QString::number(number++) << QString::number(counter) << error_time_text(u32(e, 4), u32(e, 8))
                << error_source_text(e[13])
                << (fn == 0xFFFF ? QStringLiteral("---") : QString::asprintf("%03d", fn))
                << QString::asprintf("%.2f", int32_t(u32(e, 18)) / 100.0)
                << QString::asprintf("%.2f", int32_t(u32(e, 22)) / 100.0)
                << QString::asprintf("%.2f", int32_t(u32(e, 26)) / 100.0) << error_scode_text(u16(e, 30))
                << (advanced ? r.ecode_detail : text) << fcell;
        r.ecode_tip = text;
        r.fcode_tip = joined;
        rows.push_back(r);
    }
    return rows;
}

namespace {

const char* const column_format = "%-4s%-9s%-20s%-12s%-9s%-10s%-10s%-9s%-18s%-18s%-18s";

QByteArray columns(const QStringList& c)
{
    QByteArray parts[11];
    for (int i = 0; i < 11; ++i)
        parts[i] = i < c.size() ? c[i].toUtf8() : QByteArray();
    return QString::asprintf(column_format, parts[0].constData(), parts[1].constData(), parts[2].constData(),
                             parts[3].constData(), parts[4].constData(), parts[5].constData(), parts[6].constData(),
                             parts[7].constData(), parts[8].constData(), parts[9].constData(), parts[10].constData())
        .toUtf8();
}

QByteArray field(const QString& name, const QString& value)
{
    return name.leftJustified(30).toUtf8() + ' ' + value.toUtf8() + "\r\n";
}

QByteArray continuation(const char* label, const QString& detail)
{
    const QStringList lines = detail.split(QLatin1Char('\n'));
    if (lines.size() < 2)
        return QByteArray();
    QByteArray b = QByteArray("             ") + label + ":";
    for (int i = 1; i < lines.size(); ++i)
        b += lines[i].toUtf8() + "; ";
    return b + "\r\n";
}

}  // namespace

QByteArray error_report_text(const error_report_head& h, const QStringList& header, const std::vector<QStringList>& rows,
                             const QStringList& ecode_details, const QStringList& fcode_details)
{
    QByteArray b = "Tarvix Error Buffer\r\n";
    b += field(QStringLiteral("Date:"), h.date);
    b += field(h.cu_label, h.control_unit);
    b += field(h.cu_id_label, h.control_unit_id);
    b += field(h.scanner_label, h.scanner_id);
    b += field(QStringLiteral("I/O Module:"), h.io_module);
    b += field(QStringLiteral("FW_Version:"), h.firmware);
    b += field(QStringLiteral("Firmld Version:"), h.loader);
    b += QString::asprintf("%-30s V%s %s", "Host-Software Version:", "01.34   ", "07.08.2019").toUtf8() + "\r\n\r\n";
    b += field(QStringLiteral("Optional info text ..."), h.info_text) + "\r\n";
    b += columns(header) + "\r\n";
    for (size_t r = 0; r < rows.size(); ++r) {
        const QString e = r < size_t(ecode_details.size()) ? ecode_details[int(r)] : QString();
        const QString f = r < size_t(fcode_details.size()) ? fcode_details[int(r)] : QString();
        QStringList c = rows[r].mid(0, 9);
        while (c.size() < 9)
            c << QString();
        c << e.section(QLatin1Char('\n'), 0, 0) << f.section(QLatin1Char('\n'), 0, 0);
        b += columns(c) + "\r\n";
        b += continuation("E-Code", e);
        b += continuation("F-Code", f);
        b += "\r\n";
    }
    return b;
}
