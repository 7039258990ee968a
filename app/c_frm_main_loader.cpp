// The smaller transfers of the update flows: the loader version of a controller that runs
// only its loader, the exchange of the firmware loader, the logic package's check and
// download, and the PROFINET image with its menu command.
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include "app/c_frm_main.h"
#include "app/flashcli_command.h"
#include "app/update_files.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/file_paths.h"
#include "core/files/parameter_files.h"
#include "core/text/error_texts.h"
#include "core/text/user_seam.h"

namespace {

QByteArray quoted(const QString& s) { return "\"" + s.toUtf8() + "\""; }

bool redesign() { return g_device_info().redesign; }

}  // namespace

bool c_frm_main::read_loader_version(version_record& loader)
{
    const QString file = g_app_dirs().data + (redesign() ? "/pm_cache/fldversion.binx" : "/pm_cache/fldversion.bin");
    // A file left from an earlier controller must not pass for this one's answer.
    QFile::remove(file);
    const QByteArray line = flashcli_command_head() +
                            (redesign() ? "\"./tvx_firmloadx/rd_binx\" N:" : "\"./tvx_firmload/rd_bin\" N:") + quoted(file);
    if (!run_flashcli(line, true))
        return false;
    QFile f;
    if (!open_regular_file(f, file))
        return false;
    return decode_loader_version(f.read(7), loader);
}

bool c_frm_main::download_fld(const QString& name, bool with_offset)
{
    const QByteArray head = flashcli_command_head();
    QList<QByteArray> lines;
    if (!redesign()) {
        lines << head + "\"./tvx_firmload/dl_hexr\" N:\"./tvx_firmload/IntHook\"";
        lines << (with_offset ? head + "\"./tvx_firmload/dl_bmr\" J:18100 W:8000 N:" + quoted(name)
                              : head + "\"./tvx_firmload/dl_bmr\" N:" + quoted("./tvx_firmload/" + name));
        lines << head + "\"./tvx_firmload/dl_hexr\" N:\"./tvx_firmload/JmpHook\"";
        lines << head + "\"./tvx_firmload/dl_hexr\" N:\"./tvx_firmload\\PrgFld\"";
    } else {
        lines << (with_offset ? head + "\"./tvx_firmloadx/dl_bmrx\" J:18100 W:8000 N:" + quoted(name)
                              : head + "\"./tvx_firmloadx/dl_bmrx\" N:" + quoted("./tvx_firmloadx/" + name));
        lines << head + "\"./tvx_firmloadx/dl_hexr\" N:\"./tvx_firmloadx\\PrgFld.hexx\"";
    }
    for (const QByteArray& line : lines)
        if (!run_flashcli(line, true))
            return false;
    return true;
}

int c_frm_main::check_logic_file(const QString& name, uint32_t& position, uint32_t& length, uint8_t& major,
                                 uint8_t& minor, uint8_t& family)
{
    error_record e;
    family = read_device_variant(e);
    if (e.failed()) {
        show_error_record(e);
        return e.code;
    }
    const int record = logic_record_for_family(family);
    if (record < 0)
        return 48;
    QFile f;
    if (!open_regular_file(f, installed_dir(QStringLiteral("tvx_logic")) + "/" + name))
        return 41;
    if (file_sum_is_zero(f) != 0)
        return 45;
    const QByteArray magic = f.read(2);
    if (magic.size() != 2 || uint8_t(magic[0]) != 0x44 || uint8_t(magic[1]) != 0xBB)
        return 46;
    // Every header and every record's data must lie inside the file: a package cut short
    // must never send what lies beyond it.
    const qint64 size = f.size();
    for (int r = 0; r <= record; ++r) {
        const QByteArray h = f.read(6);
        if (h.size() != 6)
            return 44;
        length = uint32_t(uint8_t(h[0])) << 8 | uint8_t(h[2]);
        minor = uint8_t(h[1]);
        major = uint8_t(h[3]);
        position = uint32_t(f.pos());
        if (qint64(position) + length > size || !f.seek(qint64(position) + length))
            return 44;
    }
    return 0;
}

bool c_frm_main::download_logic(const QString& name, uint32_t position, uint32_t length)
{
    const QByteArray head = flashcli_command_head();
    const QByteArray first = head + "\"./tvx_logic/dl_bmr\" F:40 L:1000:5000 J:" + QByteArray::number(position, 16) +
                             " W:" + QByteArray::number(length, 16) + "  N:" + quoted("./tvx_logic/" + name);
    if (!run_flashcli(first, false))
        return false;
    return run_flashcli(head + "\"./tvx_logic/dl_hexr\" N:\"./tvx_logic/ispProg\"", false);
}

int c_frm_main::write_profinet_image(const QString& path)
{
    file_buffer buffer;
    // A missing, empty or oversized image is refused whole: a cut firmware must never reach
    // the chip.
    if (!load_file_buffer(path, buffer) || buffer.length == 0) {
        show_error_code(56, err_severity_error, err_type_host, err_arg_none, 0);
        return 56;
    }
    // A status request of the link timer still in flight would answer the first piece.
    dev_wait_idle();
    dev_event_pass();
    error_record e;
    if (!dev_write_stream(reinterpret_cast<const uint8_t*>(buffer.data.constData()), buffer.length, e)) {
        show_error_record(e);
        return e.code ? e.code : -1;
    }
    dev_event_pass();
    wait_device_progress();
    ::ui::information(QStringLiteral("Update of PROFINET-FW with file\n\"%1\"\nsuccessfull!").arg(path));
    return 0;
}

void c_frm_main::on_ac_TPS_Update_triggered()
{
    const QString path = ::ui::current().open_file_name(this, QStringLiteral("Please select the file to send to the TVX-PM"),
                                                         QDir::currentPath() + QStringLiteral("/tps_fsw"),
                                                         QStringLiteral("TPS1 FSW-Image-Files (*.img)"));
    g_update().profinet_path = path;
    if (path.isEmpty()) {
        ::ui::critical(QStringLiteral("Filename ist empty"));
        return;
    }
    write_profinet_image(path);
}
