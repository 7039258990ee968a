// Feeds arbitrary bytes to the readers of program files, konfig.cfg, scannerx.lst and trace
// files. The first byte picks the reader; a program file is laid out at one of the three
// accepted sizes with the input over its start, where the header and the functions are.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/files/konfig_cfg.h"
#include "core/files/program_file.h"
#include "core/files/scanner_lists.h"
#include "core/files/trace_file.h"
#include "core/image/config_image.h"
#include "core/text/user_seam.h"

namespace {
class silent_ui final : public ui::services {
public:
    int message(ui::box_kind, const QString&, const QString&, int buttons, int default_button) override
    {
        return ui::default_answer(buttons, default_button);
    }
    void progress_begin(const QString&) override {}
    void progress_set(int) override {}
    int progress_value() const override { return 0; }
    void progress_end() override {}
    void process_events() override {}
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return {}; }
    int run_modal(QWidget*) override { return 0; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static silent_ui quiet;
    ui::install(&quiet);
    if (size == 0)
        return 0;
    const uint8_t pick = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    switch (pick % 4) {
    case 0: {
        static const int sizes[] = {274008, 94760, 24104};
        QByteArray file(sizes[(pick >> 2) % 3], '\0');
        // The reset image under the input, so that unfuzzed bytes hold sensible defaults.
        config_image defaults;
        reset_config_image(defaults);
        std::memcpy(file.data(), defaults.data(), static_cast<size_t>(file.size()));
        std::memcpy(file.data(), rest.constData(), std::min<size_t>(rest.size(), file.size()));
        if (pick & 0x80)  // reach the functions too
            std::memcpy(file.data() + 552, rest.constData(), std::min<size_t>(rest.size(), file.size() - 552));
        config_image image;
        reset_config_image(image);
        uint32_t flags = 0;
        decode_program_file(file, image, flags);
        if (pick & 0x40)
            decode_program_file(rest, image, flags);  // any size at all
        (void)encode_program_file(image);
        break;
    }
    case 1: {
        konfig_settings s;
        parse_konfig_cfg(rest, s);
        break;
    }
    case 2: {
        scanner_list_state s;
        error_record e;
        parse_scanner_list(rest, s, e);
        if (s.count > scanner_list_state::max_codes)
            __builtin_trap();
        break;
    }
    default:
        (void)next_trace_number(rest);
        break;
    }
    return 0;
}
