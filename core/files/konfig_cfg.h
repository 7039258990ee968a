// The settings file konfig.cfg of the data directory: keys A, C, M and L, one per line.
#pragma once
#include <QByteArray>
#include <cstdint>

struct konfig_settings {
    uint16_t a = 50;        // kept and written back
    uint16_t c = 1;         // kept and written back
    int m = 3;              // 2 or 3, kept and written back
    int language = 0;       // L: 0 to 4, the language index
};

konfig_settings& g_konfig();

// Applies the lines of a konfig.cfg text (LF or CR LF) to the settings.
void parse_konfig_cfg(const QByteArray& text, konfig_settings& s);
// One line of it, without its line end.
void parse_konfig_line(const QByteArray& line, konfig_settings& s);
// The file as written: exactly four lines "A:%d", "C:%d", "M:%d", "L:%d", each ended by CR LF.
QByteArray format_konfig_cfg(const konfig_settings& s);

// Sets M to 3 and L to 0, then reads <data directory>/konfig.cfg; true when it could be opened.
bool read_konfig_cfg();
// Replaces the file; when it cannot be written shows host error 63 with errno; false.
bool write_konfig_cfg();

void reset_konfig_for_tests();
