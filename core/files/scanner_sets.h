// Reading the controller's scanner parameter sets: the chosen user set into the scanner
// page's record, the number of standard scanners, and the auto-detected scanner's text.
#pragma once
#include "core/files/scanner_record.h"
#include "core/protocol/error_record.h"

// Reads one set through the device calls: block 0 only (`blocks` 1) or all four. The set
// byte is 0..127 or 0x80 | k. `exists` false when the controller has no such set.
bool read_scanner_set(uint8_t set, int blocks, scanner_record& rec, bool& exists, error_record& err,
                      bool with_progress = false);

// Set -1: the chosen user set (all four blocks, with progress) into the user record; any
// other set: its name (block 0) into the user record. True on success.
bool read_user_controller_params(int set, error_record& err);
// The number of scanner sets before the first missing, reserved or user set (at most 128).
// `err` is set when a read failed (the count then stands for the sets read before it).
int count_supported_scanners(error_record& err);
// Sets the scanner list's auto-detect text from set 0.
void probe_scanner_text();

// The name of a controller set as the lists show it: blanks replaced by "_".
QString scanner_set_list_name(const scanner_record& rec);
