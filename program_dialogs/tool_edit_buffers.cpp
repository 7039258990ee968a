#include "program_dialogs/tool_edit_buffers.h"

tool_type_edit_record& tool_type_edit_buffer()
{
    static tool_type_edit_record b;
    return b;
}

tool_edit_record& tool_edit_buffer()
{
    static tool_edit_record b;
    return b;
}
