// The two files the console downloader reads its settings from: the language line of
// KONFIG.CFG and the letter settings of a .DAT settings file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace flashcli {

// Both readers take regular files only: anything else (a FIFO, a device, a directory) is
// treated as a missing file, so that nothing can block or read without end.

// The language that the first line of the file asks for: English when its first character
// is "L" and its third "E" (either case); German otherwise and when the file is missing.
int read_konfig_language(const std::string& path = "KONFIG.CFG");

// Applies every setting line of the settings file; 0, 0xF005 when it cannot be opened, or
// 0xF006 when it is longer than the bound or cannot be read.
uint16_t read_dat_file(const std::string& path);

// The longest settings file taken.
constexpr size_t k_settings_file_bound = 1024 * 1024;

// Applies every setting line of an open settings file; 0, or 0xF006 (nothing applied) when
// more than the bound can be read from it or reading fails.
uint16_t read_dat_stream(FILE* file);

}  // namespace flashcli
