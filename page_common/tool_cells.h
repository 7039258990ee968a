// Cell texts of the tool-type and tool tables (program window and manual mode): one call per
// row, given the slot (in-use word first) or, for the current-tool row, the tool record.
#pragma once
#include <QStringList>

// The 24 texts of a tool-type slot shown at array index `index`.
void tool_type_cells(int index, const void* slot, QStringList* texts);
// The 22 texts of the current-tool row from a tool record (no in-use word before it).
void custom_tool_type_cells(int index, const void* tool_record, QStringList* texts);
// The 15 texts of a tool slot; the tool-type name is looked up in the working image.
void tool_view_display_cb1(int index, const void* slot, QStringList* texts);
