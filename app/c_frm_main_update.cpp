// "FW Update": the loader exchange when the installed loader is newer, the firmware the user
// picks, a prepared customer configuration, the logic and the PROFINET firmware, each
// transfer followed by a wait for the controller to answer again; and the firmware download
// that clone programming uses.
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>
#include <QProgressDialog>
#include <QThread>
#include <cstdio>

#include "app/c_frm_main.h"
#include "app/flashcli_command.h"
#include "app/update_files.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/parameter_files.h"
#include "core/image/core_state.h"
#include "core/image/function_rows.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"
#include "core/text/safe_format.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"

namespace {

QString message(long n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(long n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString filled(long n, std::initializer_list<format_arg> args)
{
    return QString::fromLatin1(safe_format(txt_message(n), args).c_str());
}

void host_error(int code, int32_t argument = 0, int16_t kind = err_arg_none)
{
    show_error_code(int16_t(code), err_severity_error, err_type_host, kind, argument);
}

int compare3(int a, int b, int c, int d, int e, int f)
{
    const uint8_t x[3] = {uint8_t(a), uint8_t(b), uint8_t(c)};
    const uint8_t y[3] = {uint8_t(d), uint8_t(e), uint8_t(f)};
    return compare_version_triples(x, y);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text after the first `separator` of a base name.
QByteArray after_first(const QString& base, char separator)
{
    const int at = base.indexOf(QLatin1Char(separator));
    return at < 0 ? QByteArray() : base.mid(at + 1).toLatin1();
}

}  // namespace

bool c_frm_main::version_at_least(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t f) const
{
    if (!g_device_info().valid)
        return false;
    return compare3(a, b, c, d, e, f) >= 0;
}

int c_frm_main::ask_warning()
{
    return ::ui::current().message(::ui::box_kind::warning, ::ui::title_warning(), message(41) + message(42),
                                   ::ui::yes | ::ui::cancel);
}

bool c_frm_main::check_firmware_file_name(const QByteArray& base)
{
    const device_info_state& d = g_device_info();
    if (!d.valid || g_device().loader_state || d.firmware.hw_revision == 0x9120)
        return true;
    if (base.size() >= 8 && base[0] == 'F' && is_digit(base[1]) && is_digit(base[2]) && is_digit(base[3]) &&
        base[4] == '_') {
        int a = 0, b = 0, c = 0;
        const char* v = base.constData() + 5;
        const bool readable = (base.size() > 9 && is_digit(base[9])) ? std::sscanf(v, "%1d%2d.%2d", &a, &b, &c) == 3
                                                                       : std::sscanf(v, "%1d%2d", &a, &b) == 2;
        if (!readable) {
            ::ui::critical(QStringLiteral("The fileversion could not be extracted from the filename!"));
            return true;
        }
        if (version_at_least(uint8_t(a), uint8_t(b), uint8_t(c), 1, 17, 6) || compare3(a, b, c, 1, 15, 50) == 0 ||
            compare3(a, b, c, 1, 16, 50) == 0)
            return true;
        ::ui::critical(QStringLiteral("The selected firmware-file is not compatible with new Tarvix controller, revision H"));
        return false;
    }
    return ask_warning() == ::ui::yes;
}

QString c_frm_main::chosen_file(QFileDialog& files)
{
    if (::ui::current().run_modal(&files) != QDialog::Accepted || files.selectedFiles().isEmpty())
        return QString();
    return files.selectedFiles().first();
}

bool c_frm_main::select_download_firmware(const QString&, bool& cancelled)
{
    cancelled = true;
    const bool x = g_device_info().redesign;
    QString path;
    {
        QFileDialog files(this);
        files.setWindowTitle(QStringLiteral("Select Tarvix firmware file ..."));
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setAcceptMode(QFileDialog::AcceptOpen);
        files.setFileMode(QFileDialog::ExistingFile);
        files.setDefaultSuffix(QStringLiteral("hex"));
        files.setDirectory(installed_dir(QStringLiteral("tvx_fsw")));
        files.setNameFilter(x ? QStringLiteral("Tarvix redesign firmware files (*.hexx)")
                              : QStringLiteral("Tarvix firmware files (*.hex)"));
        path = chosen_file(files);
    }
    if (path.isEmpty())
        return true;
    const QByteArray line = flashcli_command_head() + (x ? "\"./tvx_fsw/dl_hex\" A:4 E:10 N:\"" : "\"./tvx_fsw/dl_hex\" A:1 E:7 N:\"") +
                            path.toUtf8() + "\"";
    if (!check_firmware_file_name(QFileInfo(path).completeBaseName().toLatin1()))
        return false;
    if (::ui::current().message(::ui::box_kind::question, ::ui::title_confirm(), filled(11, {path.toUtf8().toStdString()}),
                                ::ui::yes | ::ui::cancel) != ::ui::yes)
        return true;
    cancelled = false;
    return run_flashcli(line, true);
}

bool c_frm_main::wait_device_progress()
{
    QProgressDialog dialog(nullptr);
    dialog.setWindowTitle(::ui::title_information());
    dialog.setLabelText(message(65));
    dialog.setRange(0, 10);
    dialog.setValue(0);
    dialog.setCancelButton(nullptr);
    dialog.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    dialog.setMinimumDuration(0);
    if (auto* bar = dialog.findChild<QProgressBar*>())
        bar->setFormat(QStringLiteral("%v sec"));
    dialog.show();
    hid_drop_report();
    bool answered = false;
    for (int poll = 1; poll <= waitPolls && !answered; ++poll) {
        QThread::msleep(100);
        error_record e;
        answered = dev_read_system_info(e);
        if (poll == 1 || poll % 10 == 0) {
            dialog.setValue(std::min(poll / 10, 10));
            dev_event_pass();
        }
    }
    dialog.hide();
    return answered;
}

bool c_frm_main::download_clone_firmware(const QString& path)
{
    const QByteArray line =
        flashcli_command_head() + " \"./tvx_fsw/dl_hex\"  J:20100 W:FFFFFF N:\"" + path.toUtf8() + "\"";
    if (!run_flashcli(line, true))
        return false;
    if (!wait_device_progress()) {
        host_error(4);
        return false;
    }
    return true;
}

void c_frm_main::on_ac_FW_Update_triggered()
{
    // 1. Nothing else on the link; the link timer neither sends nor polls until the end.
    if (!link_idle_or_said())
        return;
    update_in_progress_guard updating;
    device_info_state& d = g_device_info();
    const bool loader_only = g_device().loader_state;

    // 2.
    if (::ui::current().message(::ui::box_kind::warning, ::ui::title_warning(), message(67), ::ui::ok | ::ui::cancel) !=
        ::ui::ok)
        return;

    // 3. The loader version.
    version_record loader;
    if (loader_only) {
        if (!read_loader_version(loader)) {
            ::ui::critical(message(71));
            return;
        }
        d.loader.major = loader.major;
        d.loader.minor = loader.minor;
        d.loader.patch = loader.patch;
    } else {
        error_record e;
        if (!dev_read_system_info(e)) {
            qDebug("system information: error %d type %d", e.code, e.type);
            ::ui::critical(message(70));
            return;
        }
        loader = d.loader;
        if (!d.redesign && compare3(loader.major, loader.minor, 0, 1, 2, 0) < 0 && windows_version_class() == 2) {
            ::ui::critical(message(72) + message(73));
            return;
        }
    }
    const bool x = d.redesign;
    bool transferred = false;

    // 4. The loader exchange.
    {
        QString base, path;
        int error = 0;
        bool failed = false;
        int fmajor = 0, fminor = 0;
        const QString suffix = x ? QStringLiteral(".binx") : QStringLiteral(".bin");
        if (!find_installed_file(x ? QStringLiteral("tvx_firmLoadx") : QStringLiteral("tvx_firmLoad"),
                                 x ? QStringLiteral("F356_*") : QStringLiteral("F251_*"), suffix, base, path))
            error = 47;
        else if (std::sscanf(after_first(base, '_').constData(), "%1d%2d", &fmajor, &fminor) != 2)
            error = 43;
        else if (compare3(loader.major, loader.minor, 0, fmajor, fminor, 0) < 0) {
            failed = !download_fld(base + suffix, false);
            if (!failed) {
                transferred = true;
                if (!wait_device_progress()) {
                    host_error(4);
                    return;
                }
            }
        }
        if (error || failed) {
            if (error)
                host_error(error);
            ::ui::critical(label(441));
            return;
        }
    }

    // 5. The firmware offer.
    int firmware_error = 0;
    bool offer = false;
    if (loader_only) {
        ::ui::current().message(::ui::box_kind::question, ::ui::title_confirm(), message(68), ::ui::ok);
        offer = true;
    } else {
        QString base, path;
        uint8_t a = 0, b = 0, c = 0;
        uint16_t build = 0;
        if (!find_installed_file(QStringLiteral("tvx_fsw"), x ? QStringLiteral("f355_*") : QStringLiteral("f252_*"),
                                 x ? QStringLiteral(".hexx") : QStringLiteral(".hex"), base, path)) {
            firmware_error = 47;
            offer = true;
        } else if (!parse_version_string(after_first(base, '_'), a, b, c, build)) {
            firmware_error = 43;
            offer = true;
        } else {
            const version_record& f = d.firmware;
            QString text;
            if (fw_version_at_least4(a, b, c, build))
                text = filled(63, {f.major, f.minor, f.patch, f.build});
            else
                text = filled(62, {f.major, f.minor, f.patch, f.build, a, b, c, build}) + message(83);
            offer = ::ui::current().message(::ui::box_kind::question, ::ui::title_confirm(), text,
                                            ::ui::yes | ::ui::no) == ::ui::yes;
        }
    }

    // 6. and 7.
    if (offer) {
        bool cancelled = true;
        const bool ok = select_download_firmware(QString(), cancelled);
        if (loader_only && cancelled) {
            ::ui::warning(message(69));
            return;
        }
        transferred = true;
        if (ok && !wait_device_progress()) {
            host_error(4);
            return;
        }
        if (!ok || firmware_error) {
            if (ok)
                host_error(firmware_error);
            ::ui::critical(label(440));
            return;
        }
    }

    // 8. The logic (not on the redesigned hardware).
    uint8_t family = 0;
    bool family_known = false;
    if (!x) {
        qDebug("Logic Update HW_Redesign: %d", 0);
        QString base, path;
        int code = 0;
        uint32_t position = 0, length = 0;
        uint8_t major = 0, minor = 0;
        if (!find_installed_file(QStringLiteral("tvx_logic"), QStringLiteral("Logic_*"), QStringLiteral(".bin"), base,
                                 path)) {
            code = 47;
        } else {
            qDebug("Logic File: %s", qPrintable(base));
            code = check_logic_file(base + ".bin", position, length, major, minor, family);
            family_known = true;
        }
        if (code) {
            // A failed read of the family has shown its own error already.
            if (code == 48)
                host_error(48, family, err_arg_once);
            else if (code == 41 || code == 44 || code == 45 || code == 46 || code == 47)
                host_error(code);
            ::ui::critical(label(439));
            return;
        }
        if (compare3(d.logic_major, d.logic_minor * 10, 0, major, minor, 0) < 0) {
            if (!download_logic(base + ".bin", position, length)) {
                ::ui::critical(label(439));
                return;
            }
            transferred = true;
            if (!wait_device_progress()) {
                host_error(4);
                return;
            }
            if (compare3(d.logic_major, d.logic_minor * 10, 0, major, minor, 0) != 0)
                ::ui::critical(filled(66, {major, minor, d.logic_major, d.logic_minor * 10}));
        }
    }

    // 9. A prepared customer configuration.
    customer_config_state& customer = g_customer_config();
    if (customer.pending) {
        customer.pending = false;
        if (!send_scanner_configuration_file())
            return;
        transferred = true;
        if (!wait_device_progress()) {
            host_error(4);
            return;
        }
    }

    // 10. The PROFINET firmware of a PROFINET controller. Without the logic step the family
    // is read here.
    if (!family_known) {
        error_record e;
        family = read_device_variant(e);
    }
    if ((family & 0x0F) == 4) {
        QString base, path;
        int numbers[4] = {};
        int error = 0;
        if (!find_installed_file(QStringLiteral("tps_fsw"), QStringLiteral("4418062-*"), QStringLiteral(".img"), base,
                                 path))
            error = 47;
        else if (!parse_logic_version(after_first(base, '-'), numbers))
            error = 43;
        if (error) {
            host_error(error);
            ::ui::critical(label(514));
            return;
        }
        const auto& pn = d.profinet_version;
        if (compare3(pn[0], pn[1], pn[2], numbers[0], numbers[1], numbers[2]) < 0) {
            g_update().profinet_path = path;
            if (write_profinet_image(path) != 0) {
                ::ui::critical(label(514));
                return;
            }
            transferred = true;
        }
    }

    // 11.
    if (transferred) {
        ::ui::information(label(452));
        refresh_device_info(true);
    }
}
