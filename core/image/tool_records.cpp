#include "core/image/tool_records.h"

#include <iterator>

namespace {

constexpr auto S = field_kind::signed_int;
constexpr auto U = field_kind::unsigned_int;
constexpr auto R = field_kind::reserved;
constexpr auto T = field_kind::text;
constexpr uint8_t H = 2;  // hundredths

const field_desc k_tool_type[] = {
    {"Number", 0, 2, S},
    {"Name", 2, 32, T},
    {"X_ToleranceOptions", 34, 4, U},
    {"X_ToleranceFineRewind", 38, 1, U},
    {"X_ToleranceFineForward", 39, 1, U},
    {"X_ToleranceMediumRewind", 40, 1, U},
    {"X_ToleranceMediumForward", 41, 1, U},
    {"X_ToleranceHighRewind", 42, 1, U},
    {"X_ToleranceHighForward", 43, 1, U},
    {"reserved", 44, 8, R},
    {"ToleranceOptions", 52, 4, U},
    {"ToleranceFine", 56, 2, S, H},
    {"ToleranceMedium", 58, 2, S, H},
    {"ToleranceHigh", 60, 2, S, H},
    {"reserved", 62, 8, R},
    {"MissingOptions", 70, 4, U},
    {"MissingMode", 74, 1, S},
    {"MissingLimit", 75, 2, S, H},
    {"MissingTime", 77, 4, S},
    {"MissingRange", 81, 2, S, H},
    {"reserved", 83, 8, R},
    {"BluntOptions", 91, 4, U},
    {"BluntMode", 95, 1, S},
    {"BluntLimit", 96, 2, S, H},
    {"BluntTime", 98, 4, S},
    {"BluntWork", 102, 2, S, H},
    {"BluntRange", 104, 2, S, H},
    {"reserved", 106, 8, R},
    {"BreakOptions", 114, 4, U},
    {"BreakMode", 118, 1, S},
    {"BreakLimit", 119, 2, S, H},
    {"BreakTime", 121, 4, S},
    {"BreakRange", 125, 2, S, H},
    {"reserved", 127, 8, R},
    {"DelayOptions", 135, 4, U},
    {"DelayTime", 139, 4, S},
    {"reserved", 143, 8, R},
    {"IdleOptions", 151, 4, U},
    {"reserved", 155, 8, R},
    {"CounterOptions", 163, 4, U},
    {"CounterLimit", 167, 4, S},
    {"reserved", 171, 8, R},
};

const field_desc k_tool[] = {
    {"MonitoringStatus", 0, 2, U},
    {"MonitoringErrors", 2, 2, U},
    {"MonitoringWork", 4, 2, S, H},
    {"reserved", 6, 8, R},
    {"Number", 14, 2, S},
    {"Name", 16, 32, T},
    {"DN", 48, 2, U},
    {"PN", 50, 2, U},
    {"ToolType", 52, 2, S},
    {"Tolerance", 54, 1, S},
    {"X_ToleranceOptions", 55, 4, U},
    {"X_ToleranceRewind", 59, 1, U},
    {"X_ToleranceForward", 60, 1, U},
    {"reserved", 61, 8, R},
    {"MissingOptions", 69, 4, U},
    {"MissingMode", 73, 1, S},
    {"MissingLimit", 74, 2, S, H},
    {"MissingTolerance", 76, 2, S, H},
    {"MissingTime", 78, 4, S},
    {"MissingRange", 82, 2, S, H},
    {"reserved", 84, 8, R},
    {"BluntOptions", 92, 4, U},
    {"BluntMode", 96, 1, S},
    {"BluntLimit", 97, 2, S, H},
    {"BluntTolerance", 99, 2, S, H},
    {"BluntTime", 101, 4, S},
    {"BluntWork", 105, 2, S, H},
    {"BluntDuration", 107, 4, S},
    {"BluntRange", 111, 2, S, H},
    {"reserved", 113, 8, R},
    {"BreakOptions", 121, 4, U},
    {"BreakMode", 125, 1, S},
    {"BreakLimit", 126, 2, S, H},
    {"BreakTolerance", 128, 2, S, H},
    {"BreakTime", 130, 4, S},
    {"BreakRange", 134, 2, S, H},
    {"reserved", 136, 8, R},
    {"DelayOptions", 144, 4, U},
    {"DelayTime", 148, 4, S},
    {"reserved", 152, 8, R},
    {"IdleOptions", 160, 4, U},
    {"IdleLimit", 164, 2, S, H},
    {"reserved", 166, 8, R},
    {"CounterOptions", 174, 4, U},
    {"CounterTeach", 178, 4, S},
    {"CounterValue", 182, 4, S},
    {"CounterLimit", 186, 4, S},
    {"reserved", 190, 8, R},
    {"DataOptions", 198, 4, U},
    {"DataCnt", 202, 4, S},
    {"DataMin", 206, 2, S, H},
    {"DataMax", 208, 2, S, H},
    {"DataCRC32", 210, 4, U},
    {"reserved", 214, 6, R},
    {"Trailer", 220, 2, U},
};

}  // namespace

const field_table& tool_type_record_fields()
{
    static const field_table t{k_tool_type, std::size(k_tool_type), tool_type_record_size};
    return t;
}

const field_table& tool_record_fields()
{
    static const field_table t{k_tool, std::size(k_tool), tool_record_size};
    return t;
}

int16_t tool_index_to_number(int index, int vendor_count)
{
    if (index < vendor_count)
        return int16_t(index);
    return int16_t(index - vendor_count + 128);
}

int tool_number_to_index(int number, int vendor_count)
{
    if (number & 0x80)
        return vendor_count + (number & 0x7F);
    return number;
}
