#include "core/files/scanner_sets.h"

#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/protocol/device_protocol.h"
#include "core/text/user_seam.h"

namespace {
using device_protocol::host_revision;

// The common start of every set read: no status reply in flight, fresh device information.
bool prepare_read(error_record& err)
{
    if (!g_device_calls().wait_idle(err)) {
        if (!err.failed())
            err.set(err_type_host, 4);
        return false;
    }
    g_device_calls().refresh_device_info();
    return true;
}

// Reads a set's name into a scratch record, so that the scanner page's record keeps its edits.
bool read_set_name(uint8_t set, scanner_record& rec, error_record& err)
{
    bool exists = false;
    rec.bytes[0] = 0;
    if (!prepare_read(err))
        return false;
    return read_scanner_set(set, 1, rec, exists, err) && exists && !rec.name().isEmpty();
}
}  // namespace

bool read_scanner_set(uint8_t set, int blocks, scanner_record& rec, bool& exists, error_record& err, bool with_progress)
{
    err.clear();
    exists = false;
    for (int block = 0; block < blocks && block < 4; ++block) {
        if (with_progress)
            ui::current().progress_set(block * 20);
        bool here = false;
        if (!g_device_calls().read_scanner_block(set, static_cast<uint8_t>(block),
                                               rec.bytes.data() + block * scanner_record::block_size, here, err))
            return false;
        if (!here) {
            rec.bytes[0] = 0;
            return true;
        }
        if (with_progress)
            dev_event_pass();
    }
    exists = true;
    return true;
}

bool read_user_controller_params(int set, error_record& err)
{
    scanner_record& rec = g_scanner_params().user;
    rec.bytes[0] = 0;
    err.clear();
    if (!prepare_read(err)) {
        g_host_context().show_error(err);
        return false;
    }
    const bool chosen = set < 0;
    const uint8_t set_byte =
        chosen ? static_cast<uint8_t>(0x80 | (g_scanner_params().user_set & 0x7F)) : static_cast<uint8_t>(set);
    bool exists = false;
    if (chosen)
        ui::current().progress_begin(QStringLiteral("Reading data from Tarvix. Please wait ..."));
    const bool ok = read_scanner_set(set_byte, chosen ? 4 : 1, rec, exists, err, chosen);
    if (chosen)
        ui::current().progress_end();
    if (!ok) {
        if (chosen)
            g_host_context().show_error(err);
        return false;
    }
    if (!chosen)
        return true;
    if (!exists) {
        ui::warning(QStringLiteral("Keine User-Reglerparameter %1 im TVX vorhanden!").arg(g_scanner_params().user_set));
        return false;
    }
    const uint32_t rev = g_host_context().revision_code();
    if (((rev >> 16) & 0xFF) > ((host_revision >> 16) & 0xFF)) {
        for (int off = 204; off <= 220; off += 4) {
            if (rec.word(off) != 0) {
                error_record w;
                w.set(err_type_host, 23, err_severity_warning);
                g_host_context().show_error(w);
                break;
            }
        }
    }
    return true;
}

QString scanner_set_list_name(const scanner_record& rec)
{
    QString n = rec.name();
    n.replace(QLatin1Char(' '), QLatin1Char('_'));
    return n;
}

int count_supported_scanners(error_record& err)
{
    scanner_record rec;
    err.clear();
    int count = 0;
    for (int set = 0; set < 128; ++set) {
        // A set the controller does not have ends the count with `err` clear; a read that fails
        // leaves its error there (a controller gone would otherwise count no scanner at all).
        if (!read_set_name(static_cast<uint8_t>(set), rec, err))
            break;
        const QString name = rec.name();
        if (name == QLatin1String("ZP Reserved") || name.startsWith(QLatin1String("USER"), Qt::CaseInsensitive))
            break;
        ++count;
    }
    return count;
}

void probe_scanner_text()
{
    scanner_record rec;
    error_record err;
    if (read_set_name(0, rec, err))
        g_scanner_lists().auto_detect_text = rec.name() + QLatin1Char('*');
    else
        g_scanner_lists().auto_detect_text = QStringLiteral("ErrorAutoDetect");
}
