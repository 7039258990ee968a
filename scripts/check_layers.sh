#!/usr/bin/env bash
# Fails when a file of core/ includes a header of a higher layer, or names a core header
# other than as core/<layer>/<file>. Layers from the bottom up:
#   protocol  frame layout and codes of the device protocol, the error record
#   text      text tables, safe formatting, error texts, the user seam, constant tables
#   link      the HID link to the controller and its receive thread
#   image     the configuration image, its records and range checks, core's image state
#   device    exchanges, the command mailbox, device commands, information and calls
#   files     program, konfig, parameter, scanner and trace files, paths, app folders
#   transfer  reading and writing the configuration over the link
#   (core/ itself: what reaches into every layer, such as the reset for tests)
set -uo pipefail
cd "$(dirname "$0")/.."
layers=(protocol text link image device files transfer)

rank_of() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo ""
}

status=0
while IFS= read -r file; do
  rel=${file#core/}
  if [[ $rel == */* ]]; then
    own=$(rank_of "${rel%%/*}")
    if [ -z "$own" ]; then
      echo "$file: core/${rel%%/*} is not a layer"
      status=1
      continue
    fi
  else
    own=${#layers[@]}
  fi
  while IFS=: read -r line inc; do
    if [[ $inc != core/* ]]; then
      # a core header named by its bare file name
      if [ -e "core/$inc" ] || [ -e "$(dirname "$file")/$inc" ]; then
        echo "$file:$line: includes \"$inc\"; write it as core/<layer>/<file>"
        status=1
      fi
      continue
    fi
    sub=${inc#core/}
    if [[ $sub != */* ]]; then
      echo "$file:$line: includes \"$inc\"; write it as core/<layer>/<file>"
      status=1
      continue
    fi
    theirs=$(rank_of "${sub%%/*}")
    if [ -z "$theirs" ]; then
      echo "$file:$line: includes \"$inc\" from no layer"
      status=1
    elif [ "$theirs" -gt "$own" ]; then
      echo "$file:$line: ${rel%%/*} layer includes the higher ${sub%%/*} layer (\"$inc\")"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find core -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [ "$status" -ne 0 ]; then
  echo "core/ layer check failed"
else
  echo "core/ layers: no file includes a higher layer"
fi
exit "$status"
