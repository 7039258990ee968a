#include "flashlink/fl_console.h"

#include <atomic>

#include "platform/console_keys.h"

namespace {

bool terminal_key_pressed() { return platform::console_key_pressed(); }
int terminal_read_key() { return platform::console_read_key(); }

const fl_console terminal{&terminal_key_pressed, &terminal_read_key};
std::atomic<const fl_console*> g_console{&terminal};

}  // namespace

const fl_console& fl_current_console() { return *g_console.load(); }

const fl_console* fl_set_console(const fl_console* console) { return g_console.exchange(console ? console : &terminal); }
