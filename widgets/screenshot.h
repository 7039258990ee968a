// A hook for unattended runs: when TARVIX_SCREENSHOT names a file, the screen is saved
// there after TARVIX_RUN_SECONDS (default 5) and the application quits.
#pragma once

namespace ui {
void schedule_screenshot_from_environment();
}
