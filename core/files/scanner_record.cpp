#include "core/files/scanner_record.h"

#include <cstring>

QString scanner_record::name() const
{
    int n = 0;
    while (n < name_size && bytes[n] != 0)
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), n);
}

void scanner_record::set_name(const QString& name)
{
    const QByteArray b = name.toLatin1().left(name_size - 1);
    std::memset(bytes.data(), 0, name_size);
    std::memcpy(bytes.data(), b.constData(), static_cast<size_t>(b.size()));
}

int32_t scanner_record::word(int offset) const
{
    if (offset < 0 || offset + 4 > size)
        return 0;
    return view().i32(static_cast<size_t>(offset));
}

void scanner_record::set_word(int offset, int32_t value)
{
    if (offset < 0 || offset + 4 > size)
        return;
    view().set_i32(static_cast<size_t>(offset), value);
}

namespace {
constexpr field_kind s32 = field_kind::signed_int;
const field_desc scanner_fields[] = {
    {"Name", 0, 16, field_kind::text},
    {"KsFactor", 16, 4, s32},       {"KsFactorShift", 20, 4, s32},  {"KsFactorBack", 24, 4, s32},
    {"KvFactor", 28, 4, s32},       {"KvFactorShift", 32, 4, s32},  {"PulsePerRound", 36, 4, s32},
    {"PulseZeroDif", 40, 4, s32},   {"PulseMin", 44, 4, s32},       {"Pulse4Deg", 48, 4, s32},
    {"PulseMax", 52, 4, s32},       {"PulseSlowDown", 56, 4, s32},  {"MaxTo", 60, 4, s32},
    {"MaxBack", 64, 4, s32},        {"Inc", 68, 4, s32},
    {"IntensityMin", 72, 4, s32},   // intensity level 0
    {"IntensityLevel7", 76, 4, s32},
    {"IntensityLevel1", 80, 4, s32}, {"IntensityLevel2", 84, 4, s32}, {"IntensityLevel3", 88, 4, s32},
    {"IntensityLevel4", 92, 4, s32}, {"IntensityLevel5", 96, 4, s32}, {"IntensityLevel6", 100, 4, s32},
    {"V_MaxTo", 104, 4, s32},       {"V_MaxBackStart", 108, 4, s32}, {"V_MaxBackEnd", 112, 4, s32},
    {"V_MaxBackInc", 116, 4, s32},  {"V_Accelerate", 120, 4, s32},  {"V_MaxIdle", 124, 4, s32},
    {"V_MaxPpms", 128, 4, s32},
    {"V_IntensityMin", 132, 4, s32},  // speed intensity level 0
    {"V_IntensityMax", 136, 4, s32},  // speed intensity level 7
    {"V_IntensityLevel1", 140, 4, s32}, {"V_IntensityLevel2", 144, 4, s32}, {"V_IntensityLevel3", 148, 4, s32},
    {"V_IntensityLevel4", 152, 4, s32}, {"V_IntensityLevel5", 156, 4, s32}, {"V_IntensityLevel6", 160, 4, s32},
    {"StartTime", 164, 4, s32},     {"StopTime", 168, 4, s32},      {"StopIdleTime", 172, 4, s32},
    {"I_MaxTime", 176, 4, s32},     {"I_Max", 180, 4, s32},
    {"Options", 184, 4, s32},  // bits: 0 EncoderCanal, 1 MotorLaufRichtung, 2 ScannerType, 3 FastScanner, 4 KvMode
    {"Reserved188", 188, 4, field_kind::reserved},
    {"PWM", 192, 4, s32},           {"V_Min", 196, 4, s32},         {"V_Max", 200, 4, s32},
    {"Reserved204", 204, 20, field_kind::reserved},
};
}  // namespace

const field_table& scanner_record::fields()
{
    static const field_table table{scanner_fields, sizeof scanner_fields / sizeof scanner_fields[0],
                                   scanner_record::size};
    return table;
}
