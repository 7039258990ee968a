#include "page_common/tool_cells.h"

#include <cstring>

#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"

namespace {

// The record starts after the slot's in-use word.
const_byte_view record_of_slot(const void* slot, uint32_t size)
{
    return const_byte_view(static_cast<const uint8_t*>(slot) + slot::record, size);
}

QString mode_text(int v) { return v == 1 ? QStringLiteral("Si") : v == 2 ? QStringLiteral("En") : QStringLiteral("--"); }
QString centi(int v) { return QString::asprintf("%3.2f", v / 100.0); }
QString centi_ar(int v, bool relative) { return QString::asprintf("%3.2f %c", v / 100.0, relative ? 'R' : 'A'); }
QString number(long long v) { return QString::number(v); }

// A name field read up to its first zero, never past its end.
QString field_name(const_byte_view r, uint32_t off, uint32_t size)
{
    const char* p = reinterpret_cast<const char*>(r.data() + off);
    return QString::fromLatin1(p, int(strnlen(p, size)));
}

}  // namespace

void tool_type_cells(int index, const void* slot, QStringList* texts)
{
    const const_byte_view r = record_of_slot(slot, tool_type_record_size);
    QStringList& t = *texts;
    t << QString::asprintf("%03d", index) << field_name(r, ttr::name, ttr::name_size);
    t << mode_text(r.i8(118)) << centi_ar(r.i16(119), r.u32(114) & 1) << centi(r.i16(125)) << number(r.i32(121));
    t << mode_text(r.i8(95)) << centi_ar(r.i16(96), r.u32(91) & 1) << centi(r.i16(104)) << number(r.i32(98))
      << centi(r.i16(102));
    t << mode_text(r.i8(74)) << centi_ar(r.i16(75), r.u32(70) & 1) << centi(r.i16(81)) << number(r.i32(77));
    const uint32_t tol = r.u32(52);
    t << QString::asprintf("%2.2f %c", r.i16(56) / 100.0, (tol & 1) ? 'R' : 'A')
      << QString::asprintf("%2.2f %c", r.i16(58) / 100.0, (tol & 2) ? 'R' : 'A')
      << QString::asprintf("%2.2f %c", r.i16(60) / 100.0, (tol & 4) ? 'R' : 'A');
    for (uint32_t off : {38u, 40u, 42u})
        t << QString::asprintf("%d - %d", r.u8(off), r.u8(off + 1));
    t << number(r.i32(139)) << number(r.u32(151) & 1) << number(r.i32(167));
}

void custom_tool_type_cells(int index, const void* tool_record, QStringList* texts)
{
    const const_byte_view r(static_cast<const uint8_t*>(tool_record), tool_record_size);
    QStringList& t = *texts;
    t << QString::asprintf("%03d", index) << QStringLiteral("Custom");
    const uint32_t brk = r.u32(121), blunt = r.u32(92), miss = r.u32(69);
    t << mode_text(r.i8(125)) << centi_ar(r.i16(126), brk & 1) << centi_ar(r.i16(128), brk & 2) << centi(r.i16(134))
      << number(r.i32(130));
    t << mode_text(r.i8(96)) << centi_ar(r.i16(97), blunt & 1) << centi_ar(r.i16(99), blunt & 2) << centi(r.i16(111))
      << number(r.i32(101)) << centi(r.i16(105));
    t << mode_text(r.i8(73)) << centi_ar(r.i16(74), miss & 1) << centi_ar(r.i16(76), miss & 2) << centi(r.i16(82))
      << number(r.i32(78));
    t << QString::asprintf("%d - %d", r.u8(59), r.u8(60));
    t << number(r.i32(148)) << number(r.u32(160) & 1) << number(r.i32(186));
}

void tool_view_display_cb1(int index, const void* slot, QStringList* texts)
{
    const const_byte_view r = record_of_slot(slot, tool_record_size);
    QStringList& t = *texts;
    t << QString() << QString::asprintf("%03d", index) << field_name(r, tr::name, tr::name_size)
      << number(r.u16(tr::dn)) << number(r.u16(tr::pn));
    // The tool-type number comes from the controller or a file: outside the slots no name.
    const int type = r.i16(tr::tool_type);
    if (type >= 0 && type < int(image_layout::tool_type_count)) {
        const const_tool_type_slot s = g_config_image().tool_type(uint32_t(type));
        t << field_name(s.record(), ttr::name, ttr::name_size);
    } else {
        t << QStringLiteral("----");
    }
    static const char* const tolerance[] = {"----", "Fine", "Medium", "High"};
    const int tol = r.i8(54);
    t << QString::fromLatin1(type != 0 && tol >= 1 && tol <= 3 ? tolerance[tol] : tolerance[0]);
    t << QString::asprintf("%02xH", r.u16(tr::monitoring_status)) << QString::asprintf("%02xH", r.u16(2))
      << centi(r.i16(4)) << number(r.i32(tr::counter_teach)) << number(r.i32(tr::counter_value))
      << number(r.i32(tr::data_cnt)) << centi(r.i16(206)) << centi(r.i16(208));
}
