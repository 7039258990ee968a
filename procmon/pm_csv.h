// The process-monitor CSV files: tool types and records read from the memory card, curves read
// from the controller (the curve cache and the curve folder of a program file), and the reader
// that brings their samples back. Semicolon-separated, lines ended CR LF, the user's decimal
// separator in the two-decimal values. Records are the packed 222-byte tool record and the
// 179-byte tool-type record (core/tool_records.h).
//
// Every writer builds the whole file and puts it in place through a temporary file: a failure
// returns false and leaves no file, an older file of the name stays as it was.
#pragma once
#include <QString>
#include <cstdint>
#include <vector>

class config_image;

// Key widths and the data block's column header.
constexpr int pm_csv_tooltype_key_width = 25;
constexpr int pm_csv_record_key_width = 20;

// "%s DN%03d PN%05d [%05d-%05d-%08X]": Name, DN, PN, CounterTeach, CounterValue of a recording
// (0 for a tool), DataCRC32. No folder, no extension.
QString pm_record_name(bool isRecording, const uint8_t* record);
// The file a record or curve is written to: the title made safe, then ".csv".
QString pm_record_file_name(bool isRecording, const uint8_t* record);
// A tool-type file: its Name made safe ("ToolType_<Number>" for an empty one), then ".csv".
QString pm_tooltype_file_name(const uint8_t* tooltype_record);

// A tool-type sector of the card (flag byte, then the record); `index` is not used.
bool write_tooltype_csv(uint32_t index, const uint8_t* sector512, const QString& path);
// A tool data header (isRecording false, `index` the tool) or a recording header (true, `index`
// the logical recording) with its samples read from the open card. A failed data read fails
// the file.
bool write_record_csv(bool isRecording, uint32_t index, const uint8_t* sector512, const QString& path);
// A curve read from the controller with its record.
bool write_curve_csv(const std::vector<int16_t>& samples, const uint8_t* record, const QString& path);

// Reads the samples of a record or curve file (and, with `record`, its parameters; a key line
// that cannot be taken clears parametersOk). False when the file cannot be opened (empty
// samples) or a sample cannot be read (the samples before it stay).
bool pm_read_csv(std::vector<int16_t>& samples, uint8_t* record, bool& parametersOk, const QString& path);
// One key line into the record; true when its value was taken.
bool pm_csv_parse(const QString& line, uint8_t* record);

// Which of the 500 tool slots in use have a curve file in the program file's curve folder.
void pm_csv_file_name(const QString& programPath, const config_image& image, bool& folderExists, bool present[500]);
// Reads the curve of a record from the program file's curve folder. status: 0 read, 1 the
// folder does not exist, 2 the file cannot be read. True when status is 0.
bool pm_csv_file_name_for(bool isRecording, const QString& programPath, const uint8_t* record,
                          std::vector<int16_t>& samples, int& status);
// The same with the curve folder given.
bool pm_read_curve_in_folder(const QString& folder, bool isRecording, const uint8_t* record,
                             std::vector<int16_t>& samples, int& status);

// Why the last writer or reader failed ("" after a success).
const QString& pm_csv_last_error();
