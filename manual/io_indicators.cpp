#include "manual/io_indicators.h"

#include "core/protocol/device_protocol.h"

namespace dp = device_protocol;

io_status io_status_from_data(const uint8_t* d)
{
    io_status s;
    s.inputs = uint16_t(d[dp::status_inputs] | (d[dp::status_inputs + 1] << 8));
    s.outputs = d[dp::status_outputs];
    s.dip = d[dp::status_dip];
    s.switches = uint16_t(d[dp::status_switches] | (d[dp::status_switches + 1] << 8));
    return s;
}

io_view compute_io_view(const io_status& s, const io_variant& v)
{
    io_view out;
    out.switches_set = (s.switches & 0x0F) != 0;
    static const char hexdigits[] = "0123456789ABCDEF";
    if (v.io_module) {
        for (int i = 0; i < 8; ++i)
            out.dip += (s.dip >> i) & 1 ? QLatin1Char('1') : QLatin1Char('0');
        for (int i = 0; i < 3; ++i)
            out.hex[size_t(i)] = QString(QLatin1Char(hexdigits[(s.switches >> (4 * i)) & 0xF]));
    } else {
        out.dip = QStringLiteral("--------");
        out.hex.fill(QStringLiteral("-"));
    }
    auto bit = [](uint32_t w, int i) { return (w >> i) & 1 ? led_view::lit : led_view::clear; };
    out.outputs[0] = bit(s.outputs, 0);
    out.outputs[1] = bit(s.outputs, 1);
    if (v.io_module) {
        out.outputs[2] = bit(s.outputs, 2);
        out.outputs[3] = v.family_flag ? led_view::dark : bit(s.outputs, 3);
    } else if (v.variant_bit2) {
        out.outputs[2] = bit(s.outputs, 2);
        out.outputs[3] = led_view::disabled;
    } else {
        out.outputs[2] = out.outputs[3] = led_view::dark;
    }
    for (int i = 0; i < 14; ++i) {
        bool takes;
        if (v.variant_bit2)
            takes = i < 10;
        else
            takes = (v.io_module && !v.family_flag) || i < 3 || (v.io_module && v.family_flag && (i < 5 || i == 12));
        out.inputs[size_t(i)] = takes ? bit(s.inputs, i) : led_view::dark;
    }
    out.inputs[13] = v.input13_flag ? led_view::dark : bit(s.inputs, 13);
    return out;
}

std::array<bool, 4> error_leds_red(uint8_t error_byte, uint8_t e)
{
    const bool active = (error_byte & 0x04) != 0;
    std::array<bool, 4> red{};
    red[0] = active && ((e >= 1 && e <= 8) || (e >= 20 && e <= 37 && e != 29));
    red[1] = (error_byte & 0x0B) != 0 || (active && e == 29);
    red[2] = active && (e == 9 || e == 11 || (e >= 15 && e <= 18) || (e >= 38 && e <= 41));
    red[3] = active && (e == 14 || e == 19);
    return red;
}

QString input_function_name(int32_t code)
{
    static const char* const names[] = {"No Function", "Teach",     "Start",       "Stop",  "Function Selector",
                                        "Reset",       "Preposition", "GoPos", "Rereference", "Softscan"};
    if (code < 0 || code >= int32_t(sizeof names / sizeof names[0]))
        return QStringLiteral("-");
    return QString::fromLatin1(names[code]);
}
