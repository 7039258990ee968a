// The text header at the start of a clone file: its parser, the values it leaves behind for
// clone programming, and the preview that the clone file dialog shows.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

constexpr int clone_header_size = 256;

// What the last parse found (overwritten by each parse, line by line).
struct clone_header_values {
    uint32_t va = 0;  // logic family and variant
    QByteArray da;    // article number text
    int vf_major = 0, vf_minor = 0, vf_patch = 0, vf_build = 0;  // firmware version
    int vb_major = 0, vb_minor = 0, vb_patch = 0;                // loader version

    void reset() { *this = clone_header_values(); }
};

clone_header_values& g_clone_header();

// Lists the "\n"-terminated lines of a 256-byte header (a line whose end lies at or beyond
// byte 256 is not listed) and takes the values of its VA, DA, VF and VB lines.
void file_text_header(const uint8_t* header, QStringList& lines);

// The preview of a clone file: its header lines, the one format-error line when the file
// does not start with a header, nothing when it cannot be opened.
void clone_preview(const QString& path, QStringList& lines);
