#include "cli_settings.h"

#include "platform/os_family.h"

namespace flashcli {
namespace {
cli_settings g_settings;
}

cli_settings& settings()
{
    return g_settings;
}

void reset_settings()
{
    g_settings = cli_settings{};
    g_settings.nt_flag = platform::is_nt_family() ? 1 : 0;
}

}  // namespace flashcli
