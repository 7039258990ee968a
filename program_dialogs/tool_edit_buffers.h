// The exchange records between the program window and the tool-type and tool dialogs: the
// slot being edited and one record. The window fills a buffer before a dialog opens and takes
// it back after the dialog closed.
#pragma once
#include <array>
#include <cstdint>

#include "core/image/tool_records.h"

struct tool_type_edit_record {
    int32_t index = -1;  // the tool-type number; -1 for a new one until the dialog takes it over
    std::array<uint8_t, tool_type_record_size> record{};
};

struct tool_edit_record {
    int32_t index = -1;  // the tool slot
    std::array<uint8_t, tool_record_size> record{};
};

tool_type_edit_record& tool_type_edit_buffer();
tool_edit_record& tool_edit_buffer();
