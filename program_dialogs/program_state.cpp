#include "program_dialogs/program_state.h"

#include "program_dialogs/tool_edit_buffers.h"

program_page_state& g_program_page()
{
    static program_page_state s;
    return s;
}

void program_reset_for_tests()
{
    g_program_page().reset();
    tool_type_edit_buffer() = tool_type_edit_record();
    tool_edit_buffer() = tool_edit_record();
}
