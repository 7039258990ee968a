#!/usr/bin/env bash
# Starts the simulated controller (when built) and TarvixStudio from a built tree.
# Usage: scripts/start.sh <build dir> [TarvixStudio arguments]
set -euo pipefail
build=$(cd "$1" && pwd); shift
app="$build/app"
export TARVIX_HID_SIM=${TARVIX_HID_SIM:-$(mktemp -d /tmp/tarvix-hid-XXXXXX)}
export PROGRAMDATA=${PROGRAMDATA:-$HOME/.local/share/tarvix-programdata}
mkdir -p "$PROGRAMDATA"
if [ -x "$app/tvxupdates" ]; then
  # The installed files FW Update brings the simulated controller up to, and that a clone
  # of it takes along.
  echo "Update images in $app:"
  "$app/tvxupdates" "$app" | sed 's/^/  /'
fi
sim_pid=""
if [ -x "$app/tvxsim" ]; then
  # Paced to 1 ms per USB frame, as the controller's interrupt endpoint is.
  "$app/tvxsim" --dir "$TARVIX_HID_SIM" --profile "${TARVIX_PROFILE:-premium}" --pace &
  sim_pid=$!
  echo "Simulated controller: tvxsim (pid $sim_pid), control socket $TARVIX_HID_SIM/control"
fi
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

cd "$app"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  ./TarvixStudio "$@"
else
  export TARVIX_SCREENSHOT=${TARVIX_SCREENSHOT:-$build/screenshot-main.png}
  export TARVIX_RUN_SECONDS=${TARVIX_RUN_SECONDS:-8}
  echo "No display: running under Xvfb for $TARVIX_RUN_SECONDS s, screenshot in $TARVIX_SCREENSHOT"
  xvfb-run -a -s "-screen 0 1280x800x24" ./TarvixStudio "$@"
fi
