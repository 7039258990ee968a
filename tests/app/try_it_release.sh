#!/usr/bin/env bash
# By hand, not under ctest: the road of a newcomer with the released program. Starts ./run.sh
# (release build, tvxsim, the update images, TarvixStudio) on an Xvfb display of its own, then
# chooses FW Update, Create Clone and Program Clone from the menus and answers the program's
# dialogs with xdotool, as a user would with the keyboard. For Program Clone the first
# simulated controller quits and a second one takes its place in the same folder. Screenshots
# of the answered dialogs go to the folder given (default /tmp/try-it-release).
# Needs xdotool, socat and ImageMagick's import (Debian: xdotool socat imagemagick).
set -euo pipefail
cd "$(dirname "$0")/../.."
out=${1:-/tmp/try-it-release}
mkdir -p "$out"
rm -f "$out"/*.png

# A display number no one else uses: Xvfb picks it and names it on descriptor 3.
rm -f "$out/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
xvfb=$!
timeout 30 bash -c "until [ -s '$out/display' ]; do sleep 0.1; done"
export DISPLAY=:$(cat "$out/display")
export TARVIX_HID_SIM=$(mktemp -d /tmp/tarvix-hid-XXXXXX)
export PROGRAMDATA=$(mktemp -d /tmp/tarvix-data-XXXXXX)  # a fresh data directory
run=""
second=""
finish() {
  [ -n "$second" ] && kill "$second" 2>/dev/null || true
  [ -n "$run" ] && kill -- -"$run" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$TARVIX_HID_SIM" "$PROGRAMDATA"
}
trap finish EXIT

ctl() { echo "$*" | socat - "UNIX-CONNECT:$TARVIX_HID_SIM/control"; }
shot=0
snap() { shot=$((shot + 1)); import -window root "$out/$(printf %02d $shot)-$1.png"; }
# The visible window titled exactly $1 (waits up to 60 s).
window() { timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -1; }
# Answers the box titled $1 with keys $3..., after a screenshot named $2. A box of the title
# that stays open for 2 s is the one meant (the wait dialogs of the transfers are titled
# "Information" too, and go by themselves).
answer() {
  local title=$1 name=$2 w="" seen=0
  shift 2
  while [ "$seen" -lt 4 ]; do
    local now
    now=$(window "$title") || { echo "no window \"$title\""; snap "missing-$name"; return 1; }
    if [ "$now" = "$w" ]; then seen=$((seen + 1)); else w=$now; seen=0; fi
    sleep 0.5
  done
  snap "$name"
  xdotool windowfocus --sync "$w" key --delay 100 "$@"
}
type_into() {
  local w
  w=$(window "$1")
  sleep 0.5
  xdotool windowfocus --sync "$w" type --delay 20 "$2"
  snap "$3"
  xdotool key Return
}
menu() {  # keys that open the menu entry, with the main window focused
  xdotool windowfocus --sync "$main" key --delay 200 "$@"
}
versions() { ctl versions | cut -d' ' -f2-7; }

setsid ./run.sh >"$out/run.log" 2>&1 &
run=$!
main=$(timeout 900 xdotool search --sync --onlyvisible --name '^Tarvix$' | head -1)
ctl ping >/dev/null
echo "first controller: $(versions)"
# Connected: the Tarvix menu is enabled once the controller answers.
sleep 3

# ? > FW Update (the ? menu is the one right of Options)
menu alt+o Right Down Return
answer WARNING 67-warning Return
answer Confirm newer-firmware Return
type_into 'Select Tarvix firmware file ...' F252_117.06.012.hex firmware-file
answer Confirm hex-file-ok Return
answer Information update-successful Return
echo "after FW Update: $(versions)"

# A program of its own in the first controller, which the clone must carry
ctl program demo >/dev/null
ctl area-save 3 "$out/a-device-memory.bin" >/dev/null

# Tarvix > Create Clone
menu alt+t c
answer Information clone-data Return
type_into 'Save clone data to ...' first.clns save-clone
type_into 'Create Clone ...' 'tried from run.sh' clone-comment
answer Information clone-created Return
clone=$PROGRAMDATA/Tarvix/Tarvix_QT/tvx_clones/first.clns
echo "clone file: $clone ($(stat -c %s "$clone") bytes), header:"
head -c 224 "$clone" | tr -d '\000' | sed 's/^/  /'

# Another controller in the first one's place
ctl quit >/dev/null
build/release/app/tvxsim --dir "$TARVIX_HID_SIM" --profile premium --pace >"$out/second.log" 2>&1 &
second=$!
timeout 30 bash -c "until grep -q ready '$out/second.log'; do sleep 0.2; done"
echo "second controller: $(versions)"
sleep 3

# Tarvix > Program Clone
menu alt+t p
answer Information program-clone Return
answer WARNING 67-warning-program Return
type_into 'Program clone data from file ...' first.clns clone-file
# Loader and firmware go in, then device memory and flash configuration, then the controller
# resets with its new data.
timeout 120 bash -c "until echo versions | socat - UNIX-CONNECT:$TARVIX_HID_SIM/control | grep -q 'firmware 1.17.06.012'; do sleep 0.5; done"
# Done when neither a wait dialog nor the reset message has been up for 5 s.
timeout 120 bash -c 'quiet=0; while [ $quiet -lt 10 ]; do
  if xdotool search --onlyvisible --name "^(Information|Sending data to Tarvix. Please wait ...)\$" >/dev/null; then quiet=0; else quiet=$((quiet + 1)); fi
  sleep 0.5; done'
snap after-program-clone
echo "second controller after Program Clone: $(versions)"
if xdotool search --onlyvisible --name '^ERROR$' >/dev/null; then
  snap error
  echo "an ERROR box is up"
  exit 1
fi

# File > Open, "Tarvix": the second controller now holds the first one's program
ctl area-save 3 "$out/b-device-memory.bin" >/dev/null
cmp -s "$out/a-device-memory.bin" "$out/b-device-memory.bin" || { echo "the device memory differs"; exit 1; }
menu alt+f o
answer 'Load Data from ...' load-from alt+t
# Read when the main window's title names the program's source
timeout 60 bash -c "until xdotool search --onlyvisible --name '^Tarvix ?/' >/dev/null; do sleep 0.5; done" || true
sleep 2
snap second-controller-program
if xdotool search --onlyvisible --name '^ERROR$' >/dev/null; then
  snap error
  echo "an ERROR box is up"
  exit 1
fi
