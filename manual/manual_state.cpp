#include "manual/manual_state.h"

#include "core/files/trace_file.h"
#include "manual/c_frm_selftest.h"
#include "manual/manual_error_buffer.h"
#include "manual/manual_fieldbus.h"
#include "manual/manual_selfcheck.h"
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
    g_error_buffer().reset();
    g_selfcheck().reset();
    g_fieldbus_view().reset();
    g_selftest_curves() = selftest_curves();
    close_trace_file();
}
