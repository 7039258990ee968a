#include "core/files/parameter_files.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/file_paths.h"
#include "core/files/scanner_params.h"
#include "core/text/user_seam.h"

scanner_param_state& g_scanner_params()
{
    static scanner_param_state s;
    return s;
}
customer_config_state& g_customer_config()
{
    static customer_config_state s;
    return s;
}

namespace {
constexpr int records36_size = 36 * 56;

struct scanner_params_init {
    scanner_params_init() { reset_scanner_params(); }
} init_scanner_params;
}  // namespace

QString default_scanner_title()
{
    return QStringLiteral("123456789012345");
}

void reset_scanner_params()
{
    g_scanner_params() = scanner_param_state{};
    g_scanner_params().file_name = app_file(QStringLiteral("cd_data\\123456789012345.sp"));
    g_scanner_params().title = default_scanner_title();
}

void file_error_message(const QString& file_name, bool writing, int code, const QString& message)
{
    const QString text = QStringLiteral("Host: Error %1 file\n\"%2\"!\nCode: %3; Message: \"%4\" ")
                             .arg(writing ? QStringLiteral("writing") : QStringLiteral("reading"), file_name)
                             .arg(code)
                             .arg(message);
    ui::critical(text);
}

void file_error_message(const QFile& file, bool writing)
{
    file_error_message(file.fileName(), writing, static_cast<int>(file.error()), file.errorString());
}

bool update_current_file_base_name()
{
    const QFileInfo fi(resolve_path(g_scanner_params().file_name));
    if (fi.isFile()) {
        g_scanner_params().title = fi.completeBaseName();
        return true;
    }
    g_scanner_params().title = default_scanner_title();
    return false;
}

bool rename_current_scanner_file()
{
    const QFileInfo fi(resolve_path(g_scanner_params().file_name));
    if (!fi.isFile())
        return false;
    g_scanner_params().file_name = fi.absolutePath() + QLatin1Char('/') + g_scanner_params().title + QLatin1Char('.') +
                                 fi.suffix();
    return true;
}

bool check_configuration_file_size(int& error_code)
{
    scanner_param_state& s = g_scanner_params();
    s.user.clear();
    error_code = 0;
    bool ok = true;
    const QString path = resolve_path(s.file_name);
    QFile f;
    if (!QFileInfo::exists(path)) {
        s.no_file = true;
    } else if (open_regular_file(f, path) && f.size() == scanner_record::size &&
               f.read(reinterpret_cast<char*>(s.user.bytes.data()), scanner_record::size) == scanner_record::size) {
        s.no_file = false;
    } else {
        s.user.clear();
        error_code = 2;
        ui::current().message(ui::box_kind::warning, QStringLiteral("Warning"),
                              QStringLiteral("Konfig-File has illegal size!"));
        ok = false;
    }
    update_current_file_base_name();
    s.device_copy = s.user;
    return ok;
}

bool send_scanner_parameters(bool clear, error_record& err)
{
    scanner_param_state& s = g_scanner_params();
    err.clear();
    if (s.source == 1) {
        if (!g_device_calls().wait_idle(err)) {
            err.set(err_type_host, 4);
        } else {
            ui::current().progress_begin(QStringLiteral("Sending data to Tarvix. Please wait ..."));
            ui::current().progress_set(0);
            const uint8_t set = static_cast<uint8_t>(0x80 | (s.user_set & 0x7F));
            if (clear) {
                g_device_calls().clear_scanner_set(set, err);
            } else {
                for (int block = 0; block < 4; ++block) {
                    ui::current().progress_set(block * 20);
                    if (!g_device_calls().write_scanner_block(set, static_cast<uint8_t>(block),
                                                            s.user.bytes.data() + block * scanner_record::block_size,
                                                            err))
                        break;
                    dev_event_pass();
                }
            }
            ui::current().progress_end();
        }
        if (err.failed())
            g_host_context().show_error(err);
        else
            ui::information(QStringLiteral("Save Data to Tarvix successfull!"));
    } else {
        const QByteArray data(reinterpret_cast<const char*>(s.user.bytes.data()), scanner_record::size);
        const file_write_result r = replace_file(resolve_path(s.file_name), data);
        if (!r.ok) {
            if (!r.opened)
                err.set(err_type_host, 63, err_severity_error, err_arg_once, r.sys_errno);
            else
                err.set(err_type_host, 3);
            g_host_context().show_error(err);
        } else {
            ui::information(QStringLiteral("File save successfull!"));
        }
    }
    g_host_context().change_flags() &= ~uint32_t{0x0A};
    if (!err.failed())
        s.device_copy = s.user;
    return !err.failed();
}

QString customer_config_path(const QString& name)
{
    return app_file(QStringLiteral("tvx_Config/") + name + QStringLiteral(".bin"));
}

bool send_scanner_configuration_file()
{
    error_record err;
    QFile f;
    if (!open_regular_file(f, resolve_path(g_customer_config().path))) {
        err.set(err_type_host, 42);
        g_host_context().show_error(err);
        return false;
    }
    const QByteArray block = f.read(records36_size);
    if (block.size() != records36_size) {
        err.set(err_type_host, 59);
        g_host_context().show_error(err);
        return false;
    }
    if (!g_device_calls().write_records36(reinterpret_cast<const uint8_t*>(block.constData()), g_customer_config().name,
                                        err)) {
        if (!err.failed())
            err.set(err_type_host, 5);
        g_host_context().show_error(err);
        return false;
    }
    return true;
}

bool load_file_buffer(const QString& path, file_buffer& buf, error_record* err)
{
    if (path.isEmpty())
        return false;
    QFile f;
    if (!open_regular_file(f, resolve_path(path)))
        return false;
    if (f.size() > file_buffer::max_size) {
        if (err)
            err->set(err_type_host, 31);
        return false;
    }
    buf.data = f.read(file_buffer::max_size);
    buf.length = static_cast<uint32_t>(buf.data.size());
    buf.position = 0;
    return true;
}

qint64 file_size(const QFile& file)
{
    return file.size();
}
