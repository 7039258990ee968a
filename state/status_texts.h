// The texts of the controller's error state: one per error group (by its detail code when
// the details could be read) and one per set bit of the status flag word. The status panel
// and the manual page's error buffer build their lists here.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

// The status-text number for error group `group` (0..6) and its detail code.
int status_text_for_detail(int group, uint8_t code);

// Appends one text per error group: the groups set in `mask`, or, with `by_value`, the groups
// whose detail code is not 0. With `detailed` the text is chosen by the group's detail code
// (byte g of low32 for groups 0-3, byte g-4 of high32 for 4-6) and written "%s [%d]" with
// the code; otherwise it is status text g + 1.
void status_texts_from_bits(QStringList& out, uint8_t mask, bool detailed, uint32_t low32, uint32_t high32,
                            bool by_value);

// The message label's list: the error byte's groups (or status text 9 with the byte when no
// group gave a text), then the texts of the status flag word's bits 0, 1, 4, 5, 6, 7.
QStringList device_status_texts(uint8_t error_byte, bool details_read, uint32_t detail1, uint32_t detail2,
                                uint16_t flag_word);

// The message label's text and tool tip for a list: nothing, the only text, or "%d* %s"
// with the count and the first text; the tip is message 22 and every text on a line.
QString status_label_text(const QStringList& texts);
QString status_label_tip(const QStringList& texts);

QString status_text(long n);
