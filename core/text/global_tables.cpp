#include "core/text/global_tables.h"

namespace {

memory_card_search_fn& card_search()
{
    static memory_card_search_fn fn;
    return fn;
}

}  // namespace

global_tables& g_global_tables()
{
    static global_tables t;
    return t;
}

void set_memory_card_search(memory_card_search_fn search) { card_search() = std::move(search); }

void build_global_tables()
{
    global_tables& t = g_global_tables();
    t.reset();
    t.tool_type_column_labels = QStringList{"Nr",    "Name",  "Mo",   "Limit", "Range", "Time",  "Mo",   "Limit",
                                            "Range", "Time",  "Work", "Mo",    "Limit", "Range", "Time", "Fine",
                                            "Med",   "High",  "Fine", "Med",   "High",  "Delay", "Idle", "CntLim"};
    t.tool_group_labels =
        QStringList{"General", "Break", "Blunt", "Missing", "Tolerance", "X-Tolerance", "Others"};
    t.tool_group_labels_short = QStringList{"General", "Break", "Blunt", "Missing", "X-Tolerance", "Others"};
    t.tool_column_labels = QStringList{"Nr",    "Name",   "Mo",    "Limit", "Toler.", "Range", "Time",  "Mo",
                                       "Limit", "Toler.", "Range", "Time",  "Work",   "Mo",    "Limit", "Toler.",
                                       "Range", "Time",   "X-Tolerance", "Delay", "Idle", "CntLim"};
    t.pm_tool_column_labels = QStringList{"S",    "Nr",     "Name", "DN",   "PN",  "ToolType", "Toler.", "Stat",
                                          "Err",  "Work",   "CntTch", "CntStrt", "Cnt", "Min", "Max"};
    t.pm_group_labels = QStringList{"Programming", "Status", "Data"};

    t.table_group_colours = {{167, 168, 170, 51}, {238, 127, 0, 25},   {0, 155, 186, 25},
                             {20, 210, 10, 51},   {255, 255, 127, 51}, {153, 51, 255, 51}};
    t.plot_curve_palette = {{20, 210, 10, 204},   {0, 155, 186, 204},   {255, 255, 127, 204}, {238, 127, 0, 204},
                            {0, 204, 255, 204},   {255, 102, 255, 204}, {153, 51, 255, 204},  {200, 100, 150, 204},
                            {178, 161, 199, 204}, {196, 188, 159, 204}, {255, 255, 255, 255}};
    t.selftest_curve_palette = {{20, 210, 10, 204},  {0, 155, 186, 204},   {255, 255, 127, 204}, {238, 127, 0, 204},
                                {0, 204, 255, 204},  {255, 102, 255, 204}, {20, 210, 10, 255},   {0, 204, 255, 255},
                                {255, 255, 127, 255}, {238, 127, 0, 255},  {255, 255, 255, 255}};
    t.value_gradient_colours = {{99, 190, 123, 255},  {133, 200, 125, 255}, {168, 210, 127, 255}, {203, 220, 129, 255},
                                {237, 230, 131, 255}, {255, 228, 131, 255}, {253, 192, 124, 255}, {252, 163, 119, 255},
                                {250, 136, 113, 255}, {248, 105, 107, 255}};

    int32_t drive = 0;
    const memory_card_search_fn& search = card_search();
    t.memory_card_found = search ? search(512, &drive) != 0 : false;
    t.memory_card_flag2 = false;
    t.memory_card_drive = drive;
}
