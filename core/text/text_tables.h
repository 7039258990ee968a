// The program's fixed texts: labels, messages, device status texts and the three error
// tables, all 8-bit Latin-1 and looked up by number. A lookup outside a table yields no text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class txt_table { labels, messages, status, host_errors, usb_host_errors, device_errors };

// Number of entries of a table (521, 91, 67, 64, 13, 62).
size_t txt_table_size(txt_table t);
// The raw entry, or nullptr when the index lies outside the table.
const char* txt_table_text(txt_table t, long index);

// A label; with remove_amp every "&" (mnemonic marker) is dropped. Empty when there is none.
std::string txt_label(long n, bool remove_amp = false);
// A message; empty when there is none.
std::string txt_message(long n);
// The error text of type 1 (host), 2 (USB host) or 3 (device); none for any other type or
// a code outside the table.
std::optional<std::string> txt_error(long type, long code);
// Row 0 labels, 1 messages, 2 status texts; empty for any other row or index.
std::string txt_table_entry(int row, long index);
// Clears `out` and appends the messages of the first `count` (0..4) numbers in order.
void compose_message_text(std::string& out, int count, int m1, int m2 = 0, int m3 = 0, int m4 = 0);
