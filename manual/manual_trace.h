// The trace of monitoring results: the entry latched from the status replies, the page's
// trace state, and the table and file texts of one trace line.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

class config_image;

// One monitoring result as the status replies report it.
struct trace_entry {
    uint16_t function = 0;     // data 14-15
    int32_t value1 = 0;        // data 34-37, hundredths
    int32_t value2 = 0;        // data 42-45, hundredths (second side of an R/L cluster)
    uint8_t result_flags = 0;  // data byte 0, OR-ed since the previous entry: bit 3 OK, bit 4 KO
    uint8_t side_bits = 0;     // data 46 bits 2-3: 4 or 8 = one side only
    uint8_t status_byte = 0;   // data byte 1, OR-ed since the previous entry
};

struct trace_state {
    bool active = false;        // a trace file is open and takes lines
    QString file_name;          // the last chosen *.trc path
    int32_t line_counter = 0;   // running number of the next line
    uint16_t row_limit = 40;    // rows the trace table keeps
    // The latch, kept by the status decode while a trace is active.
    bool latched = false;
    trace_entry entry;
    uint8_t reference = 0;      // bit 6 of data 46 as last seen
    uint8_t flags_or = 0, status_or = 0;

    void reset() { *this = trace_state(); }
};
trace_state& g_trace_state();

// The status decode's share: ORs flags and status byte, latches an entry when bit 6 of data
// 46 changes against the reference. After a reconnect the first reply only re-takes the
// reference. Nothing happens while no trace is active.
void trace_latch_status(const uint8_t* status_data, bool reconnected);
// Takes the reference from the status data (at the start of a trace).
void trace_take_reference(const uint8_t* status_data);

struct trace_line_text {
    QStringList cells;   // the table row
    QString file_line;   // without the line end
    uint16_t shown_function = 0;
};
// The table row and file line of `entry` as line `number`, with the function records of
// `image`.
trace_line_text format_trace_line(int32_t number, const trace_entry& entry, const config_image& image);
