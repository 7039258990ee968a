// The tool tables' operations that manual mode shares with the program window: the set-up of
// a tool view, the column filter of its filter row, the listed and checked tools of a view,
// the used tools of an image, and the export of tool curves as CSV files.
#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

class QLabel;
class QWidget;
class c_qtableview_functab;
class config_image;

// Where a tool table's records live: 0 the working image's tools, 1 the process-monitor
// record store.
enum tool_source : int { tool_source_image = 0, tool_source_records = 1 };

// The record (222 bytes, after the in-use word) of row `index` of a tool table, or null
// past its end.
const uint8_t* tool_source_record(int source, int index);

// The rows of a tool view that pass its filters, the checked ones among them, and the sums
// of their data counts.
struct tool_selection {
    QVector<int> listed;
    QVector<int> checked;
    long long listedCount = 0;
    long long checkedCount = 0;
};
void collect_checked_tools(int source, c_qtableview_functab* view, tool_selection* out);
// "%d rows, %d cnt" of the listed tools on `all` and of the checked ones on `checked`.
void show_tool_counts(int source, c_qtableview_functab* view, QLabel* all, QLabel* checked);

// The used tool slots of an image and the sum of their data counts.
int count_used_tools(const config_image& image, long long* dataCount);

// A click into the filter row of a tool view: column 0 switches filtering, any other column
// opens its filter (or tells the user to switch filtering on). The caller shows its counts
// afterwards.
void setup_pm_status_columns(QWidget* parent, c_qtableview_functab* view, int fixRow, int column);

// The export of the listed (`all`) or checked tools of a view: asks for the file name and
// writes one CSV file per tool into the folder named after it. True on success.
bool export_tools_of_image(QWidget* parent, int source, bool all, c_qtableview_functab* view);
// The status line under the shared progress bar, when the program has one.
void progress_label(const QString& text, bool visible);
// The save dialog of the export; true with `name` set when the user accepted.
bool ask_export_file_name(QWidget* parent, QString& name);
// Writes the curves of `indices` into the export folder of `name` (<path>/<base> for
// <path>/<base>.cdx): kept when the file is there, copied from the curve cache, else read
// from the controller. Shows the outcome; true on success.
bool export_tool_curves_to_csv(QWidget* parent, int source, const QVector<int>& indices, const QString& name,
                               int toolCount, long long dataCount);

// Sets up a process-monitor view of tool slots (the program window's tools, manual mode's
// tools and records) and its header-only group view: columns, widths, colours, the filter
// row and the check column. The caller gives it its array.
void setup_pm_tool_view(c_qtableview_functab* view, c_qtableview_functab* group);

// The pieces of a table view's set-up that the program window's other tables use as well:
// a slot is in use when its first word is not 0; the header colours of the column groups;
// a group header view (one header row of group titles, scrolled with its data view); the
// first `n` titles of `list`, padded with empty ones.
bool record_in_use(int, const void* record);
const QVector<QColor>& header_colours();
void setup_group_view(c_qtableview_functab* group, c_qtableview_functab* data, const QStringList& titles,
                      const quint16* widths, const quint16* colours);
QStringList titles_or(const QStringList& list, int n);
