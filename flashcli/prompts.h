// The console questions of a run: what the settings did not give is asked for, what they
// gave is printed instead. Every question reads one line, scans it and drops the rest; an
// answer that does not scan or lies out of range asks again. Each returns 0, or the result
// that ends the run (end of input: 0xF006, "Error in configuration file!").
#pragma once
#include <cstdint>
#include <string>

namespace flashcli {

// The text of the run's language: English or German.
const char* in_language(const char* english, const char* german);

// Prints through the formatted-output routine to the console.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Flushes the console, then reads one line (at most 1023 characters kept, the rest of the
// line dropped). False at the end of input.
bool read_answer(std::string& line);

// Asks `question` (printed before every read) until the answer scans as a number of the
// base and `accept` takes it.
uint16_t ask_number(const std::string& question, int base, bool (*accept)(uint32_t), uint32_t& value);

// Asks `question` until the answer holds a word.
uint16_t ask_word(const std::string& question, std::string& word);

// Transport values.
uint16_t ask_can_baudrate();
uint16_t ask_id_scheme();
uint16_t ask_node_id();

// Values of the transfers.
uint16_t ask_flash_parameters();
uint16_t ask_start_address();
uint16_t ask_leave_bootloader();
uint16_t ask_file_name(bool binary);
uint16_t ask_upload_size();
void show_megabyte_slot();
void show_external_space();

}  // namespace flashcli
