#include "core/files/program_file.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "core/device/device_calls.h"
#include "core/files/file_helpers.h"
#include "core/files/file_paths.h"
#include "core/files/parameter_files.h"
#include "core/image/core_state.h"
#include "core/image/range_checks.h"
#include "core/image/working_image.h"

program_file_state& g_program_file()
{
    static program_file_state s;
    return s;
}

namespace {
constexpr uint32_t host_code = image_layout::format_code;  // 0x344B
constexpr int first_default_field = 120;
constexpr int last_default_field = 300;

struct stored_default {
    uint32_t offset;
    int32_t value;
};
// Fields stored as -1 while they hold their default.
constexpr stored_default minus_one_fields[] = {{hdr::in_func1, 1}, {hdr::in_func3, 3}, {hdr::in_func_key, 1},
                                               {hdr::in_func13, 4}};

bool accepted_size(qint64 n)
{
    return n == image_layout::image_size || n == image_layout::size_without_tools ||
           n == image_layout::size_128_functions;
}

int32_t exchange_mac_id(int32_t v)
{
    return v == 0 ? 63 : v == 63 ? 0 : v;
}
}  // namespace

QByteArray encode_program_file(const config_image& image)
{
    // Encoded in a copy: the image in memory never holds the file encoding.
    config_image copy = image;
    settings_header h = copy.header();
    for (const stored_default& f : minus_one_fields)
        if (h.field(f.offset) == f.value)
            h.set_field(f.offset, -1);
    h.set_field(hdr::mac_id, exchange_mac_id(h.field(hdr::mac_id)));
    return QByteArray(reinterpret_cast<const char*>(copy.data()), static_cast<int>(copy.size()));
}

error_record decode_program_file(const QByteArray& bytes, config_image& image, uint32_t& change_flags)
{
    error_record err;
    if (!accepted_size(bytes.size())) {
        err.set(err_type_host, 22);
        return err;
    }
    std::memcpy(image.data(), bytes.constData(), static_cast<size_t>(bytes.size()));
    settings_header h = image.header();

    // The code is compared on its low 16 bits: the host keeps it as 0x3233344B.
    uint32_t file_code = static_cast<uint32_t>(h.field(hdr::format_code)) & 0xFFFF;
    if ((file_code & 0xFF00) == 0) {
        err.set(err_type_host, 19);
        file_code = 0;
    }
    if (host_code < file_code)
        change_flags |= 0x01;
    change_flags |= 0x10;
    if (err.failed())
        return err;

    // The variant word "reads as 0" when -1; taken before the range check, which refuses
    // any bit above bit 3.
    if (h.field(hdr::variant_bits) == -1)
        h.set_field(hdr::variant_bits, 0);
    for (uint32_t off = first_default_field; off <= last_default_field; off += 4) {
        const int32_t v = h.field(off);
        if (off == hdr::mac_id)
            h.set_field(off, v == -1 ? 63 : exchange_mac_id(v));
        else if (v == -1)
            h.set_field(off, settings_default(off));
    }

    if (file_code > host_code) {
        // Fields of the newer host that this one does not know must hold nothing; they can
        // reach no further than the header.
        const uint32_t field_count = file_code & 0xFF;
        const uint32_t end = std::min<uint32_t>(4 + 4 * field_count, image_layout::header_size);
        bool zero = true;
        for (uint32_t off = hdr::reserved; off < end; ++off)
            zero = zero && image.data()[off] == 0;
        if (!zero || !reserved_words_valid(image)) {
            err.set(err_type_host, 20, err_severity_warning);
            change_flags |= 0x02;
        } else {
            change_flags &= ~uint32_t{0x02};
        }
    }
    if (file_code < host_code)
        h.set_field(hdr::format_code, static_cast<int32_t>(host_code));

    uint8_t mode_flag = 0;
    if (!check_configuration_ranges(image, mode_flag)) {
        err.set(err_type_host, mode_flag ? 29 : 21);
        change_flags |= 0x03;
    }
    return err;
}

bool load_configuration_file(bool reset_only, error_record& err)
{
    reset_working_image();
    err.clear();
    config_image& image = g_config_image();
    bool shown = false;
    if (reset_only) {
        g_images().no_file_loaded = true;
    } else {
        const QString path = resolve_path(g_program_file().current_file);
        QFile f;
        int open_error = 0;
        if (!QFileInfo::exists(path)) {
            g_images().no_file_loaded = true;
        } else if (!open_regular_file(f, path, &open_error)) {
            // Loading the defaults here would let a later save overwrite the program.
            file_error_message(path, false, QFileDevice::OpenError,
                               QString::fromLocal8Bit(std::strerror(open_error)));
            err.set(err_type_host, 33);
            shown = true;
        } else if (!accepted_size(f.size())) {
            err.set(err_type_host, 22);
        } else {
            const QByteArray bytes = f.read(f.size());
            if (bytes.size() != f.size())
                err.set(err_type_host, 33);
            else
                err = decode_program_file(bytes, image, g_host_context().change_flags());
        }
    }
    const bool ok = !err.failed() || err.code == 20;
    if (ok)
        variant_from_image();
    if (err.failed() && !shown)
        g_host_context().show_error(err);
    return ok;
}

int write_file_with_permissions(const QString& file_name)
{
    const QString path = resolve_path(file_name);
    const file_write_result r = replace_file(path, encode_program_file(g_config_image()));
    if (r.ok)
        return 0;
    file_error_message(path, true, r.file_error, r.error_text);
    return 3;
}
