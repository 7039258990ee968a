// The scanner list: the codes read from scannerx.lst (the application directory's list of
// scanners with their family bits) and the rows of the scanner combo boxes, built from the
// file or from the scanner sets the controller offers.
#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

#include "core/protocol/error_record.h"

class QAbstractItemModel;
class QSortFilterProxyModel;

struct scanner_list_state {
    static constexpr int max_codes = 50;
    // 50 scanner codes and room for the two user-set entries that follow them.
    std::array<uint32_t, max_codes + 2> codes{};
    uint16_t count = 0;
    QStringList texts;              // the texts of all counted entries, shown or not
    QString auto_detect_text;
    int32_t auto_detect_set = 1;
    std::array<uint8_t, 2> user_set_flags{};
    // The names of the two user sets as the lists show them ("USER_0_NotDef" when empty).
    std::array<QString, 2> user_set_names{QStringLiteral("USER_0_NotDef"), QStringLiteral("USER_1_NotDef")};
};

scanner_list_state& g_scanner_lists();

// Reads the lines of a scannerx.lst text into the code list (count first 0); on a format
// error fills `err` (host error 27 or 62) and keeps the codes read before.
void parse_scanner_list(const QByteArray& text, scanner_list_state& s, error_record& err);
// Reads <application directory>/scannerx.lst; a missing file leaves the list empty quietly.
void read_scanner_list();

// The family filter and row insertion: true when the row was added at the top of the model.
bool add_scanner_row(QAbstractItemModel* model, const QString& text, int id);

// Rebuilds the scanner lists from scannerx.lst (data source 2) or from the controller's
// scanner sets; sets `model` as the proxy's source. False when the file is needed and
// missing, else true when at least 5 entries were counted.
bool rebuild_scanner_lists(QAbstractItemModel* model, QSortFilterProxyModel* proxy, error_record& err);

void reset_scanner_lists_for_tests();
