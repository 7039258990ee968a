// The controller's error buffer as the manual mode page shows and reports it: the table rows
// and detail texts of the entries, and the text of the error report file.
#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int error_buffer_entries = 32;
constexpr int error_buffer_entry_size = 56;
using error_buffer_entry = std::array<uint8_t, error_buffer_entry_size>;

struct error_buffer_state {
    std::array<error_buffer_entry, error_buffer_entries> entries{};
    uint16_t count = 0;            // good entries of the last load
    uint16_t power_on_rows = 0;    // rows the last fill inserted for power-on markers
    QStringList ecode_details;     // one per table row, for the report
    QStringList fcode_details;
    bool failed_on_raised_bit = false;  // the last load failed while bit 0x100 was up
    // The pause after every load; tests make it instant.
    std::function<void(int ms)> sleep;
    // The date the report is stamped with; tests fix it.
    std::function<QDate()> today;

    void reset() { *this = error_buffer_state(); }
};
error_buffer_state& g_error_buffer();

struct error_buffer_row {
    QStringList cells;       // the eleven columns
    QString ecode_detail;    // "%03d-%08lX-%04X\n<text>"; empty for a power-on row
    QString fcode_detail;
    QString ecode_tip, fcode_tip;
    bool power_on = false;
};
// The rows of the first `count` entries, power-on rows before their entries.
std::vector<error_buffer_row> error_buffer_rows(const error_buffer_entry* entries, int count, bool advanced);

QString error_time_text(uint32_t low, uint32_t high);
QString error_scode_text(uint16_t bits);
QString error_source_text(uint8_t source);
QString error_code_text(uint8_t code);

// The head of the report: what the page asks of the controller and the program.
struct error_report_head {
    QString cu_label = QStringLiteral("Control Unit:");
    QString cu_id_label = QStringLiteral("Control Unit ID:");
    QString scanner_label = QStringLiteral("Scanner ID:");
    QString date;
    QString control_unit;     // "----------" when unknown
    QString control_unit_id;
    QString scanner_id;
    QString io_module;
    QString firmware;
    QString loader;
    QString info_text;
};
// The report's lines, each ending in CR LF.
QByteArray error_report_text(const error_report_head& head, const QStringList& header,
                             const std::vector<QStringList>& rows, const QStringList& ecode_details,
                             const QStringList& fcode_details);
