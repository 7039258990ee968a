#include "state/link_state.h"

link_timer_state& g_link()
{
    static link_timer_state s;
    return s;
}

status_state& g_status()
{
    static status_state s;
    return s;
}

status_hooks& g_status_hooks()
{
    static status_hooks h;
    return h;
}

void link_reset_for_tests()
{
    g_link().reset();
    g_status().reset();
    g_status_hooks().reset();
    g_link_settings() = link_timer_settings();
}
