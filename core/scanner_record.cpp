#include "scanner_record.h"

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
    const uint32_t v = uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
                       uint32_t(bytes[offset + 3]) << 24;
    return static_cast<int32_t>(v);
}

void scanner_record::set_word(int offset, int32_t value)
{
    if (offset < 0 || offset + 4 > size)
        return;
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

const std::array<scanner_field, 40>& scanner_record::fields()
{
    static const std::array<scanner_field, 40> table{{
        {"KsFactor", 16},       {"KsFactorShift", 20},  {"KsFactorBack", 24},   {"KvFactor", 28},
        {"KvFactorShift", 32},  {"PulsePerRound", 36},  {"PulseZeroDif", 40},   {"PulseMin", 44},
        {"Pulse4Deg", 48},      {"PulseMax", 52},       {"PulseSlowDown", 56},  {"MaxTo", 60},
        {"MaxBack", 64},        {"Inc", 68},            {"IntensityMin", 72},   {"IntensityMax", 76},
        {"V_MaxTo", 104},       {"V_MaxBackStart", 108}, {"V_MaxBackEnd", 112}, {"V_MaxBackInc", 116},
        {"V_Accelerate", 120},  {"V_MaxIdle", 124},     {"V_MaxPpms", 128},     {"V_IntensityMin", 132},
        {"V_IntensityMax", 136}, {"StartTime", 164},    {"StopTime", 168},      {"StopIdleTime", 172},
        {"I_MaxTime", 176},     {"I_Max", 180},         {"Options", 184},       {"Reserved188", 188},
        {"PWM", 192},           {"V_Min", 196},         {"V_Max", 200},         {"Reserved204", 204},
        {"Reserved208", 208},   {"Reserved212", 212},   {"Reserved216", 216},   {"Reserved220", 220},
    }};
    return table;
}

const scanner_field* scanner_record::field(const char* name)
{
    for (const scanner_field& f : fields())
        if (std::strcmp(f.name, name) == 0)
            return &f;
    return nullptr;
}
