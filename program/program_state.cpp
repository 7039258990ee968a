#include "program/program_state.h"

program_page_state& g_program_page()
{
    static program_page_state s;
    return s;
}

void program_reset_for_tests() { g_program_page().reset(); }
