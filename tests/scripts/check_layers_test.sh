#!/usr/bin/env bash
# The layer check catches an include that runs up or sideways however it is written: with the
# folder, by bare file name, through "../" or in angle brackets; and it places every folder
# with sources. Each probe goes into a copy of the tree; the check must fail and name the
# file, the line and the header.
set -uo pipefail
src=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -C "$src" --exclude='./build*' --exclude=./Testing --exclude=./.git -cf - . | tar -C "$work" -xf -
cd "$work"
failed=0

out=$(bash scripts/check_layers.sh 2>&1) || { echo "the tree itself fails:"; echo "$out"; exit 1; }

# probe <file> <line to add> <text the check must print>
probe() {
  local file=$1 line=$2 want=$3
  cp "$file" "$work/saved"
  sed -i "1i $line" "$file"
  out=$(bash scripts/check_layers.sh 2>&1)
  local rc=$?
  cp "$work/saved" "$file"
  if [ "$rc" -eq 0 ] || ! grep -qF -- "$want" <<<"$out"; then
    echo "FAILED: $line in $file: exit $rc, expected \"$want\" in:"
    echo "$out"
    failed=1
  else
    echo "ok: $line in $file"
  fi
}

m=manual/c_dlgw_manualx.cpp
probe $m '#include "program/c_dlgw_program.h"' \
  "$m:1: includes \"program/c_dlgw_program.h\": manual/ and program/ share a floor"
probe $m '#include "c_dlgw_program.h"' "$m:1: includes \"c_dlgw_program.h\": manual/ and program/ share a floor"
probe $m '#include "../program/c_dlgw_program.h"' "$m:1: includes \"../program/c_dlgw_program.h\""
probe $m '#include <program/c_dlgw_program.h>' "$m:1: includes \"program/c_dlgw_program.h\""
probe $m '#include "app/c_frm_main.h"' "$m:1: includes \"app/c_frm_main.h\": manual/ lies below app/"
probe $m '#include "c_frm_main.h"' "$m:1: includes \"c_frm_main.h\": manual/ lies below app/"
probe widgets/c_my_led.cpp '#include "state/shell_state.h"' "widgets/c_my_led.cpp:1: includes \"state/shell_state.h\""
probe sim/profiles.cpp '#include "procmon/sdcard_reader.h"' "sim/ takes only platform/, core/, candrv/"
probe core/protocol/error_record.h '#include <core/transfer/config_read.h>' \
  "protocol layer includes the higher transfer layer"
# one sub-layer up, the nearest a comparison off by one would let through
probe core/image/range_checks.cpp '#include "core/device/device_exchange.h"' \
  "core/image/range_checks.cpp:1: image layer includes the higher device layer"

mkdir -p newfolder/inner && echo 'int probe;' >newfolder/inner/probe.cpp
if out=$(bash scripts/check_layers.sh 2>&1) || ! grep -qF "newfolder/: a source folder without a place" <<<"$out"; then
  echo "FAILED: a folder with sources only in a subfolder is not placed:"; echo "$out"; failed=1
else
  echo "ok: a new folder must be placed"
fi
exit "$failed"
