// The packed tool-type (179 bytes) and tool (222 bytes) records of the process-monitoring
// controller. Their field names are also the keys of the process-monitor CSV files.
#pragma once
#include <cstdint>

#include "core/image/byte_record.h"

constexpr uint32_t tool_type_record_size = 179;
constexpr uint32_t tool_record_size = 222;

// Every byte of each record, reserved runs included ("reserved"), in offset order.
const field_table& tool_type_record_fields();
const field_table& tool_record_fields();

// Field offsets used by code beyond the tables.
namespace ttr {
enum : uint32_t { number = 0, name = 2, idle_options = 151 };
constexpr uint32_t name_size = 32;
}  // namespace ttr
namespace tr {
enum : uint32_t {
    monitoring_status = 0,
    number = 14,
    name = 16,
    dn = 48,
    pn = 50,
    tool_type = 52,
    counter_teach = 178,
    counter_value = 182,
    data_cnt = 202,
    data_crc32 = 210,
    trailer = 220,  // handed to the curve loader together with the record
};
constexpr uint32_t name_size = 32;
}  // namespace tr

// The tool dialog's tool-type list holds the vendor types first, then the custom types
// (128 and up). List index -> tool-type number (16 bits), and back.
int16_t tool_index_to_number(int index, int vendor_count);
int tool_number_to_index(int number, int vendor_count);
