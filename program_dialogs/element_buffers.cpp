#include "program_dialogs/element_buffers.h"

cluster_edit_buffer& g_cluster_edit_buffer()
{
    static cluster_edit_buffer b;
    return b;
}

area_record& g_area_record()
{
    static area_record a;
    return a;
}

void program_dialogs_reset_for_tests()
{
    g_cluster_edit_buffer().reset();
    g_area_record().reset();
}
