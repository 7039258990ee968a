// The console keys the download sequences read (a key ends a step without time-out; the
// answer to the Ethernet retry question), behind a seam so that tests can type them.
#pragma once

struct fl_console {
    bool (*key_pressed)();  // never blocks
    int (*read_key)();      // one key, or -1 when there is no console
};

// The keys in use: the controlling terminal unless a test installed others.
const fl_console& fl_current_console();
// Installs keys (null: back to the terminal). Returns the previous ones.
const fl_console* fl_set_console(const fl_console* console);
