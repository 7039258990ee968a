// What the status panel of the manual page shows for the controller's inputs, outputs and
// switches, and which control-unit error indicators are red: pure rules over the status
// data and the controller variant, drawn by the page.
#pragma once
#include <QString>
#include <array>
#include <cstdint>

// The I/O part of the status data (data bytes 24..29).
struct io_status {
    uint16_t inputs = 0;    // bit i = input LED i
    uint8_t outputs = 0;    // bit i = output LED i
    uint8_t dip = 0;
    uint16_t switches = 0;  // nibbles 0..2: the three hex switches
};
io_status io_status_from_data(const uint8_t* status_data);

struct io_variant {
    bool io_module = false;
    bool family_flag = false;
    bool variant_bit2 = false;
    bool input13_flag = false;
};

// lit and clear: the LED shows its bit (colour 1 or colour 0); dark: the off picture, for an
// LED that stands for nothing on this controller; disabled: greyed out.
enum class led_view : uint8_t { dark, lit, disabled, clear };

struct io_view {
    bool switches_set = false;  // the switch labels are green
    QString dip;                // 8 characters, bit 0 first
    std::array<QString, 3> hex;
    std::array<led_view, 4> outputs{};
    std::array<led_view, 14> inputs{};
};
io_view compute_io_view(const io_status& s, const io_variant& v);

// Power supply, scanner, control unit, fieldbus: true = red.
std::array<bool, 4> error_leds_red(uint8_t error_byte, uint8_t error_code);

// The name of an input-function code of the settings header ("-" for a code outside the
// list); element 4 names the general inputs.
QString input_function_name(int32_t code);
