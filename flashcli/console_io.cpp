#include "console_io.h"

namespace flashcli {
namespace {
console_io g_console;
}

console_io& console()
{
    return g_console;
}

void reset_console()
{
    g_console = console_io{};
}

}  // namespace flashcli
