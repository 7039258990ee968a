// Create Clone and Program Clone: a controller read into a clone file, and a clone file
// written into a controller (also what waiting mode runs with the file of the command line).
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "app/c_dlg_createclone.h"
#include "app/c_frm_main.h"
#include "app/c_qfiledialog_clone.h"
#include "app/clone_file.h"
#include "app/clone_firmware_check.h"
#include "app/flashcli_command.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/image/core_state.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "platform/regular_file.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlg_createclone.h"

namespace dp = device_protocol;

namespace {

QString message(int n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString clones_file(const char* name) { return data_file(QStringLiteral("tvx_clones/") + QLatin1String(name)); }
QByteArray native(const QString& path) { return QFile::encodeName(path); }

// The article number a controller of a logic family carries when its device information
// holds none, by the family code's high nibble (0x1x .. 0x7x).
constexpr int32_t family_articles[7] = {5206250, 5206252, 5206253, 5206254, 5206255, 5206256, 5206257};

QByteArray article_text(uint8_t family_code)
{
    const std::string& text = g_device_info().cu_article_text;
    if (!text.empty() && text[0] != '-')
        return QByteArray(text.c_str());
    const int n = (family_code >> 4) - 1;
    return QByteArray::number(family_articles[n >= 0 && n < 7 ? n : 1]);
}

bool version_below(int major, int minor, int patch, int m, int n, int p)
{
    return major != m ? major < m : minor != n ? minor < n : patch < p;
}

void host_error(int code) { show_error_code(int16_t(code), err_severity_error, err_type_host, err_arg_none, 0); }

}  // namespace

bool c_frm_main::upload_flashconfig(const QByteArray& settings)
{
    const QByteArray dir = native(g_app_dirs().data);
    return run_flashcli(flashcli_command_head() + "\"" + dir + "/tvx_clones/flashconfig\" N:\"" + dir +
                            "/tvx_clones/flashconfig.bin\" " + settings,
                        false);
}

// --- Create Clone --------------------------------------------------------------------------

void c_frm_main::on_ac_CreateClone_triggered()
{
    error_record e;
    if (!link_idle_or_said())
        return;
    update_in_progress_guard updating;
    if (ui::current().message(ui::box_kind::information, ui::title_information(), message(32), ui::ok | ui::cancel) !=
        ui::ok)
        return;
    device_info_state& d = g_device_info();
    if (!dev_read_system_info(e)) {
        ui::critical(message(70));
        return;
    }
    if (version_below(d.firmware.major, d.firmware.minor, d.firmware.patch, 1, 17, 6)) {
        ui::critical(message(76));
        return;
    }
    if (version_below(d.loader.major, d.loader.minor, d.loader.patch, 1, 5, 0)) {
        ui::critical(message(77));
        return;
    }

    // 4, 5. The file, by the controller's kind.
    const bool redesign = d.redesign;
    const QString suffix = redesign ? QStringLiteral("clnsx") : QStringLiteral("clns");
    QString path;
    {
        QFileDialog files(this);
        files.setWindowTitle(QStringLiteral("Save clone data to ..."));
        files.setOption(QFileDialog::DontUseNativeDialog);
        // An existing clone file is asked about by the program's own dialog below (message 33),
        // with its comment offered: the file dialog does not ask a second time.
        files.setOption(QFileDialog::DontConfirmOverwrite);
        files.setViewMode(QFileDialog::Detail);
        files.setDefaultSuffix(suffix);
        files.setNameFilter(QStringLiteral("Tarvix Clonefiles (*.%1)").arg(suffix));
        files.setDirectory(data_file(QStringLiteral("tvx_clones")));
        files.setFileMode(QFileDialog::AnyFile);
        files.setAcceptMode(QFileDialog::AcceptSave);
        path = chosen_file(files);
    }
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;  // the dialog's default suffix
    dev_wait_idle();
    if (QFileInfo(path).suffix().toLower() != suffix) {
        host_error(30);
        return;
    }

    // 6, 7. The comment, offered from the file it replaces.
    const bool existing = QFileInfo::exists(path);
    QByteArray old_comment("FI:");
    if (existing) {
        // Only a regular file that may be written is replaced: a FIFO would block the read
        // below, a device such as /dev/zero would never end the backup copy, and a file
        // nobody may write stays read-only even for root, as on Windows.
        int sys = writable_file_error(path);
        QFile old;
        const int fd = sys ? -1 : platform::open_regular_file(native(path).toStdString(), true);
        if (!sys && fd < 0)
            sys = errno == EINVAL ? ENODEV : errno ? errno : EACCES;
        if (!sys && !old.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            sys = EIO;
        }
        if (sys) {
            show_error_code(63, err_severity_error, err_type_host, err_arg_once, sys);
            return;
        }
        uint8_t header[clone_header_size] = {};
        const qint64 got = old.read(reinterpret_cast<char*>(header), clone_header_size);
        old_comment = old_comment_line(header, got);
    }
    QString comment;
    {
        c_dlg_createclone dialog(this);
        dialog.setWindowTitle(QStringLiteral("Create Clone ..."));
        dialog.form()->eb_Comment->setText(old_comment.size() > 3 ? QString::fromLatin1(old_comment.mid(3)) : QString());
        dialog.form()->eb_Comment->selectAll();
        dialog.form()->l_Hint->setText(message(existing ? 33 : 34).replace(QStringLiteral("%s"), QFileInfo(path).fileName()));
        const int answer = ui::current().run_modal(&dialog);
        dev_wait_idle();
        if (answer != QDialog::Accepted)
            return;
        comment = dialog.form()->eb_Comment->text();
    }

    // 8. A copy of the old file, as it has always been kept.
    const QString backup = clones_file("bupclonefile.bin");
    if (existing) {
        QFile::remove(backup);
        if (!QFile::copy(path, backup)) {
            host_error(3);
            return;
        }
    }

    // 9 - 15. The new file is written under a temporary name beside the clone file (the
    // target of a link, the link kept) and takes its place only once it is complete and
    // checks as a clone file; until then the old file is not touched.
    QString failed_part;
    replacement_file out;
    if (!out.open(path)) {
        e.set(err_type_host, 3);
    } else {
        QFile file;
        if (!file.open(out.handle(), QIODevice::ReadWrite, QFileDevice::DontCloseHandle)) {
            e.set(err_type_host, 3);
        } else {
            create_clone_body(file, comment, e, failed_part);
            if (!e.failed() && !finish_clone_file(file))
                e.set(err_type_host, 3);
            file.close();
        }
        if (!e.failed() && !out.finish())
            e.set(err_type_host, 3);
    }

    // 16. A file is announced only once it checks as a clone file.
    if (!e.failed()) {
        uint8_t header[clone_header_size];
        if (!check_clone_file(out.temporary_path(), header))
            e.set(err_type_host, 55);
        else if (out.commit()) {
            ui::information(label(309));
            return;
        } else {
            e.set(err_type_host, 3);
        }
    }
    // The failed file is kept as corruptedclonefile.bin when there is one; the old clone
    // file was never changed.
    QString text = QString::fromLatin1(error_record_text(e).c_str()) + failed_part;
    if (out.has_file()) {
        const QString corrupted = clones_file("corruptedclonefile.bin");
        QFile::remove(corrupted);
        if (!out.keep_as(corrupted))
            text += QStringLiteral("\n\nThe failed clone file could not be kept as %1 (%2).\nThe old clone file is unchanged.")
                        .arg(corrupted, out.result().error_text);
    }
    ui::critical(text);
}

void c_frm_main::create_clone_body(QFile& file, const QString& comment, error_record& e, QString& failed_part)
{
    // 10, 11. The header.
    device_info_state& d = g_device_info();
    if (!dev_read_system_info(e))
        return;
    uint32_t va = 0;
    if (!dev_read_param_u32(dp::param_variant, va, e))
        return;
    error_record variant_error;
    const uint8_t family = read_device_variant(variant_error);
    clone_header_source s;
    // Only the DA line takes the family's article number when the controller has none.
    s.article = QByteArray(d.cu_article_text.c_str());
    s.da = article_text(family);
    s.fw_major = d.firmware.major, s.fw_minor = d.firmware.minor, s.fw_patch = d.firmware.patch;
    s.fw_build = d.firmware.build;
    s.redesign = d.redesign;
    s.comment = comment;
    s.fld_major = d.loader.major, s.fld_minor = d.loader.minor, s.fld_patch = d.loader.patch;
    s.va = va;
    s.logic_major = d.logic_major, s.logic_minor = d.logic_minor;
    const QByteArray header = build_clone_header(s);
    if (file.write(header) != header.size()) {
        e.set(err_type_host, 3);
        return;
    }
    const QString firmware = g_app_dirs().application + QStringLiteral("/tvx_fsw/") + QString::fromLatin1(clone_firmware_name(s));
    const QString loader = app_file(clone_loader_name(s));

    // 12. The device memory, block by block.
    ui::current().progress_begin(label(118));
    uint8_t block[clone_layout::block_size];
    for (int b = 0; b < clone_layout::block_count && !e.failed(); ++b) {
        ui::current().progress_set(b * 100 / clone_layout::block_count);
        dev_event_pass();
        if (!dev_read_block(dp::memory_area_clone, block, uint32_t(b * clone_layout::block_size),
                            uint32_t(clone_layout::block_size), e))
            break;
        if (file.write(reinterpret_cast<const char*>(block), sizeof block) != qint64(sizeof block))
            e.set(err_type_host, 3);
    }
    ui::current().progress_end();
    if (e.failed())
        return;

    // 13. The flash configuration, through the boot loader.
    if (!upload_flashconfig(d.redesign ? QByteArray("V:0 F:80 L:E000:0000") : QByteArray("V:0 F:0  L:8000:0000"))) {
        e.set(err_type_host, 50);
        return;
    }
    // 14. The parts the controller's versions name.
    for (const QString& part : {clones_file("flashconfig.bin"), loader, firmware}) {
        if (!append_clone_part(file, part)) {
            e.set(err_type_host, 52);
            failed_part = part;
            return;
        }
    }
}

// --- Program Clone -------------------------------------------------------------------------

void c_frm_main::on_ac_ProgramClone_triggered()
{
    const bool waiting = g_shell().waiting_state != 0;
    {
        update_in_progress_guard updating;
        program_clone(waiting);
    }
    // Waiting mode has done its one job, whatever came of it.
    if (waiting)
        close();
}

void c_frm_main::program_clone(bool waiting)
{
    g_clone_header().reset();
    if (!link_idle_or_said())
        return;
    if (g_device().loader_state) {
        ui::critical(message(78));
        return;
    }
    const QString info = waiting ? message(82).replace(QStringLiteral("%s"), g_shell().clone_file) : message(36);
    if (ui::current().message(ui::box_kind::information, ui::title_information(), info, ui::ok | ui::cancel) != ui::ok)
        return;
    if (ui::current().message(ui::box_kind::warning, ui::title_warning(), message(67), ui::ok | ui::cancel) != ui::ok)
        return;

    const bool redesign = g_device_info().redesign;
    QString path = g_shell().clone_file;
    if (!waiting) {
        c_qfiledialog_clone dialog(this);
        dialog.set_preview(clone_preview, 100);
        dialog.setWindowTitle(QStringLiteral("Program clone data from file ..."));
        dialog.setDefaultSuffix(redesign ? QStringLiteral("clnsx") : QStringLiteral("clns"));
        dialog.setNameFilter(redesign ? QStringLiteral("Tarvix Clonefiles (*.clnsx)") : QStringLiteral("Tarvix Clonefiles (*.clns)"));
        dialog.setDirectory(data_file(QStringLiteral("tvx_clones")));
        dialog.setFileMode(QFileDialog::ExistingFile);
        const int answer = ui::current().run_modal(&dialog);
        dev_wait_idle();
        if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().first();
    }
    const int code = program_clone_file(path, redesign);
    if (code > 0)
        host_error(code);
}

int c_frm_main::program_clone_file(const QString& path, bool redesign)
{
    // 6. The file: a clone file, and one that holds every part, before anything is written.
    uint8_t header[clone_header_size];
    if (!check_clone_file(path, header))
        return 30;
    QStringList lines;
    file_text_header(header, lines);
    if (!clone_firmware_is_intel_hex(path))
        return 31;
    const clone_header_values h = g_clone_header();

    // 7 - 9. The controller must be of the clone's kind.
    int family = 1;
    error_record e;
    if (!read_device_family_code(family) || !dev_read_system_info(e))
        return 6;
    device_state& D = g_device();
    D.family_flag = family == 1;
    D.pm_capable = (family & 2) != 0;
    D.variant_bit2 = (family & 4) != 0;
    const uint32_t va_family = h.va & 0xF0;
    if (D.family_flag) {
        if (va_family > 0x10)
            return 35;
    } else if (!((family == 0 && va_family == 0x20) || (family == 2 && va_family == 0x30) ||
                 (family == 4 && va_family == 0x40))) {
        return 36;
    }
    error_record variant_error;
    if (article_text(read_device_variant(variant_error)) != h.da)
        return 53;

    device_info_state& d = g_device_info();
    const QByteArray clone_path = native(path);
    // 10. The loader, when it is another.
    if (h.vb_major != d.loader.major || h.vb_minor != d.loader.minor || h.vb_patch != d.loader.patch) {
        if (!download_fld(path, true))
            return 54;
        if (!wait_device_progress()) {
            host_error(4);
            return 54;
        }
    }
    // 11. The firmware, when it is another (the redesign always takes the clone's).
    const version_record& fw = d.firmware;
    if (redesign || h.vf_major != fw.major || h.vf_minor != fw.minor || h.vf_patch != fw.patch ||
        h.vf_build != fw.build) {
        const bool exempt_release = (h.vf_major == 1 && h.vf_minor == 15 && h.vf_patch == 50) ||
                                    (h.vf_major == 1 && h.vf_minor == 16 && h.vf_patch == 50);
        if (!redesign && fw.hw_revision != 0x9120 && version_below(h.vf_major, h.vf_minor, h.vf_patch, 1, 17, 6) &&
            !exempt_release) {
            ui::critical(QStringLiteral("The firmware in the selected clone-file is not compatible with new Tarvix "
                                        "controller, revision H"));
            return -1;
        }
        if (!download_clone_firmware(path))
            return 54;
    }

    // 12. The device memory.
    {
        QFile file;
        if (!open_regular_file(file, path) || !file.seek(clone_layout::device_memory))
            return 31;
        ui::current().progress_begin(label(119));
        char block[clone_layout::block_size];
        bool written = true;
        for (int b = 0; b < clone_layout::block_count && written; ++b) {
            ui::current().progress_set(b * 100 / clone_layout::block_count);
            dev_event_pass();
            if (file.read(block, sizeof block) != qint64(sizeof block)) {
                ui::current().progress_end();
                return 31;
            }
            if (!dev_write_block(dp::memory_area_clone, reinterpret_cast<const uint8_t*>(block),
                                 uint32_t(b * clone_layout::block_size), uint32_t(sizeof block), e)) {
                show_error_record(e);
                written = false;
            }
        }
        ui::current().progress_end();
        if (!written)
            return 54;
    }

    // 13. The clone's flash configuration with the controller's own value at 8 and 0x2008.
    if (!upload_flashconfig(redesign ? QByteArray("V:1 W:10 F:80 L:E000:0000") : QByteArray("V:1 W:10 F:0  L:8000:0000"))) {
        host_error(50);
        return 54;
    }
    uint32_t own = 0;
    {
        QFile current;
        if (!open_regular_file(current, clones_file("flashconfig.bin")))
            return 32;
        uint8_t v[4] = {};
        if (!current.seek(8) || current.read(reinterpret_cast<char*>(v), 4) != 4)
            return 31;
        own = uint32_t(v[0]) | uint32_t(v[1]) << 8 | uint32_t(v[2]) << 16 | uint32_t(v[3]) << 24;
        if (own == 0xFFFFFFFFu)
            own = 0;
    }
    QByteArray config;
    {
        QFile file;
        if (!open_regular_file(file, path) || !file.seek(clone_layout::flash_configuration))
            return 32;
        config = file.read(clone_layout::flash_configuration_size);
        if (config.size() != clone_layout::flash_configuration_size)
            return 31;
    }
    for (int at : {8, 0x2008})
        for (int i = 0; i < 4; ++i)
            config[at + i] = char((own >> (8 * i)) & 0xFF);
    const QString sent = clones_file("flashconfig1.bin");
    // Written like every other file, so that a FIFO or a device in its place is refused at
    // once instead of blocking the program after the device memory was written.
    if (!replace_file(sent, config).ok)
        return 41;

    // 14. Into the controller's flash configuration bank.
    const QByteArray dir = native(g_app_dirs().data);
    const QByteArray line = flashcli_command_head() + "\"" + dir + "/tvx_clones/dl_config\" " +
                            (redesign ? "A:11 E:11 V:0 F:80 L:E000:0000" : "A:8 E:11 V:0  L:8000:0000") + " N:\"" +
                            native(sent) + "\"";
    if (!run_flashcli(line, false))
        return 54;

    // 15, 16. The controller starts again with the clone's data.
    const bool answered = wait_device_progress();
    if (!answered)
        host_error(4);
    if (g_shell().waiting_state != 0) {
        if (answered)
            ui::information(message(39));
        return answered ? 0 : 54;
    }
    send_reset(3);
    g_link().factory_reset_count = 1;
    return answered ? 0 : 54;
}
