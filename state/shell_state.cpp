#include "state/shell_state.h"

shell_directories& g_dirs()
{
    static shell_directories d;
    return d;
}

shell_state& g_shell()
{
    static shell_state s;
    return s;
}

program_document& g_program_document()
{
    static program_document r;
    return r;
}

update_state& g_update()
{
    static update_state s;
    return s;
}

shell_objects& g_objects()
{
    static shell_objects o;
    return o;
}

void shell_reset_for_tests()
{
    g_dirs().reset();
    g_shell().reset();
    g_program_document().reset();
    g_objects().reset();
    g_update().reset();
}
