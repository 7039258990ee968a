// Console key input for the console programs (the Windows key-pressed test and unbuffered
// key read): the controlling terminal is put into raw mode, without echo, only for the
// duration of one call and is always restored. Without a controlling terminal, or from a
// background job, no key is ever pressed and a read gets end of input at once, so nothing can
// hang or be stopped on a missing console.
#pragma once

namespace platform {

// Whether a key is waiting on the controlling terminal; never blocks.
bool console_key_pressed();

// Reads one key from the controlling terminal without echo, blocking until one arrives.
// Returns the key's byte (0..255), or -1 when there is no terminal or it reached its end.
int console_read_key();

}  // namespace platform
