#include "manual/manual_state.h"

#include "core/files/trace_file.h"
#include "manual/manual_trace.h"

manual_panel_state& g_manual_panel()
{
    static manual_panel_state s;
    return s;
}

manual_tick_state& g_manual_tick()
{
    static manual_tick_state s;
    return s;
}

void manual_reset_for_tests()
{
    g_manual_panel().reset();
    g_manual_tick().reset();
    g_trace_state().reset();
    close_trace_file();
}
