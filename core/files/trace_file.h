// The trace file that manual mode appends to: lines that begin with a running number,
// continued from the last line of an existing file. One trace file can be open at a time.
#pragma once
#include <QByteArray>
#include <QString>

// Opens the file for appending. For an existing file with lines, `running_number` is the
// number of its last line plus one (0 when that line has none) and `new_file` false; for a
// new or empty file 0 and true. True when the file could be opened; an existing file
// without any write permission is refused, whoever asks.
bool open_trace_file(const QString& path, int& running_number, bool& new_file);
// Writes the text and a line end (CR LF, as the files have always held), whole or not at
// all; false when no trace file is open or the write failed (nothing of the line is left).
bool trace_print_line(const QString& text);
// Closes the file; true when none was open or the close succeeded.
bool close_trace_file();

// The running number that follows the last non-empty line of a trace text (any line ends,
// any line lengths): its leading number + 1 when it reads as "%d %s", else 0.
int next_trace_number(const QByteArray& tail);

void reset_trace_for_tests();
