#include "error_report.h"

#include "cli_settings.h"
#include "console_io.h"
#include "downloader.h"
#include "error_texts.h"
#include "exit_status.h"
#include "texts.h"
#include "transport.h"

#include "platform/clock.h"
#include "platform/console_keys.h"

#include <unistd.h>

namespace flashcli {

int report_error(uint16_t result)
{
    const cli_settings& s = settings();
    FILE* out = console().out;
    std::fputs("\n", out);
    const std::string text = error_text(result, s.language, current_downloader().hex_error_line());
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputs(key_prompt(s.language), out);
    std::fflush(out);
    if (s.no_key_wait)
        platform::sleep_ms(5000);
    else
        platform::console_read_key();
    close_driver();
    return flashcli_exit_status(result);
}

void report_error_and_exit(uint16_t result)
{
    const int status = report_error(result);
    std::fflush(stdout);
    // No static destructors: the download library's receive thread may still run.
    _exit(process_exit_status(status));
}

}  // namespace flashcli
