#!/usr/bin/env bash
# The layer check of the whole tree. Fails, naming file, line and header, when a file includes
# a header of a folder above its own or of another folder on its own floor (two pages), and
# keeps core/'s own sub-layers.
#
# Folders from the bottom up; a folder includes its own headers and those of the floors below.
# Folders named on one line share a floor and never include each other.
#   platform          the operating system's services: files, threads, processes, HID, ports
#   core              the controller's protocol, link, image, devices, files and transfer
#   resources         images and icons compiled into the program
#   widgets           the program's own widgets, message and progress dialogs
#   state             the running program's shared state and the calls the pages make on the
#                     shell (directories, window mode, document, link session, status hooks and
#                     texts); holds no window, app/ fills it
#   procmon           the process monitor's files: memory card reader, CSV files, limits
#   page_common       what two pages share: stop and manual commands, tool views and tool data,
#                     kept values, the plotter and its filter, source dialog, scanner finder
#   program_dialogs   the program page's dialogs and state; they never include the page
#   program manual scanner procmon/windows   the pages
#   app               the shell: the main window, which makes the pages and fills state/
# Beside the product, above app/ so that nothing of it includes them, each taking only what it
# names in `takes` below:
#   candrv            the CAN driver libraries (platform/)
#   flashlink         the downloader library (platform/, candrv/)
#   flashcli          the downloader's command line (platform/, flashlink/)
#   sim               the simulated controller and hardware (platform/, core/, candrv/)
#   tests bench       may include anything
#
# Sub-layers of core/, from the bottom up:
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
  done < <(grep -n -e '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
                   -e '^[[:space:]]*#[[:space:]]*include[[:space:]]*<core/' "$file" |
           sed 's/^\([0-9]*\):[^"<]*["<]\([^">]*\)[">].*/\1:\2/')
done < <(find core -type f \( -name '*.cpp' -o -name '*.h' \) | sort)

if [ "$status" -ne 0 ]; then
  echo "core/ layer check failed"
else
  echo "core/ layers: no file includes a higher layer"
fi

# ---- the folders of the whole tree ------------------------------------------------------------
# One floor per entry, from the bottom up (see the head of this file).
floors=(
  "platform"
  "core"
  "resources"
  "widgets"
  "state"
  "procmon"
  "page_common"
  "program_dialogs"
  "program manual scanner procmon/windows"
  "app"
  "candrv"
  "flashlink"
  "flashcli"
  "sim"
  "tests bench"
)
# The folders beside the product take only what they name (and nothing of the product includes
# them, as they stand above app/).
declare -A takes=(
  [candrv]="platform"
  [flashlink]="platform candrv"
  [flashcli]="platform flashlink"
  [sim]="platform core candrv"
)

folders=()  # every declared folder
roots=()    # the top-level ones, which hold every file once
for f in "${floors[@]}"; do
  for d in $f; do
    [ -d "$d" ] || { echo "scripts/check_layers.sh: declared folder $d/ does not exist"; status=1; }
    folders+=("$d")
    [[ $d == */* ]] || roots+=("$d")
  done
done
# Every folder with sources has its place.
while IFS= read -r d; do
  found=0
  for x in "${folders[@]}"; do [ "$x" = "$d" ] && found=1; done
  if [ "$found" -eq 0 ]; then
    echo "$d/: a source folder without a place in the declared order"
    status=1
  fi
done < <(find . -mindepth 2 -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
           -not -path './build*' -not -path './Testing/*' -not -path './.git/*' | cut -d/ -f2 | sort -u)

tree_status=0
# Every file's includes as file:line:header, then the generated form headers (ui_<form>.h) and
# the tree's headers by file name for includes written without a folder.
{
  printf 'FLOORS'; for f in "${floors[@]}"; do printf '\t%s' "$f"; done; printf '\n'
  for d in "${!takes[@]}"; do printf 'TAKES\t%s\t%s\n' "$d" "${takes[$d]}"; done
  find "${roots[@]}" -type f \( -name '*.ui' -o -name '*.h' \) | sed 's/^/FILE\t/'
  find "${roots[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
    xargs -0 grep -Hn -e '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
                      -e '^[[:space:]]*#[[:space:]]*include[[:space:]]*<[^>]*/' |
    sed -n -e 's/^\([^:]*\):\([0-9]*\):[^"<]*"\([^"]*\)".*/INC\t\1\t\2\t\3/p' \
           -e 's/^\([^:]*\):\([0-9]*\):[^"<]*<\([^>]*\)>.*/INC\t\1\t\2\t\3/p'
} | awk -F'\t' '
  function folder_of(path,   best, i) {
    best = ""
    for (i = 1; i <= nf; i++)
      if ((path == fold[i] || index(path, fold[i] "/") == 1) && length(fold[i]) > length(best))
        best = fold[i]
    return best
  }
  function dir_of(path) { sub(/\/[^\/]*$/, "", path); return path }
  function takes_text(d,   t, k, parts) {
    t = ""
    for (k in allowed) { split(k, parts, SUBSEP); if (parts[1] == d) t = t (t == "" ? "" : ", ") parts[2] "/" }
    return t
  }
  function base_of(path) { sub(/.*\//, "", path); return path }
  # a path with "." and ".." parts taken away ("" when it leaves the tree)
  function normal(path,   n, parts, out, k, m) {
    n = split(path, parts, "/")
    m = 0
    for (k = 1; k <= n; k++) {
      if (parts[k] == "" || parts[k] == ".") continue
      if (parts[k] == "..") { if (m == 0) return ""; m--; continue }
      out[++m] = parts[k]
    }
    path = ""
    for (k = 1; k <= m; k++) path = path (k > 1 ? "/" : "") out[k]
    return path
  }
  $1 == "FLOORS" {
    for (i = 2; i <= NF; i++) {
      n = split($i, names, " ")
      for (j = 1; j <= n; j++) { fold[++nf] = names[j]; floor[names[j]] = i - 1 }
    }
    next
  }
  $1 == "TAKES" {
    n = split($3, names, " ")
    limited[$2] = 1
    for (j = 1; j <= n; j++) allowed[$2 SUBSEP names[j]] = 1
    next
  }
  $1 == "FILE" {
    exists[$2] = 1
    b = base_of($2)
    if ($2 ~ /\.ui$/) { sub(/\.ui$/, "", b); form["ui_" b ".h"] = folder_of($2) }
    else {
      # (looked up before the assignment: some awks make the element before they read the right side)
      f = folder_of($2)
      seen = (b in byname)
      byname[b] = (seen && byname[b] != f) ? "?" : f
    }
    next
  }
  $1 == "INC" {
    file = $2; line = $3; inc = $4
    own = folder_of(file)
    if (floor[own] == floor["tests"]) next
    rel = normal(dir_of(file) "/" inc)
    if (rel in exists) {                               # beside the file, below it or by "../"
      theirs = folder_of(rel)
    } else if (index(inc, "/")) {
      theirs = folder_of(normal(inc))
      if (theirs == "") next                           # not a header of this tree
    } else if (inc in form) {
      theirs = form[inc]
    } else if ((inc in byname) && byname[inc] != "?") {
      theirs = byname[inc]
    } else next
    if (theirs == own) next
    if (own in limited) {
      if ((own SUBSEP theirs) in allowed) next
      printf "%s:%s: includes \"%s\": %s/ takes only %s\n", file, line, inc, own, takes_text(own)
      bad = 1
      next
    }
    if (floor[theirs] < floor[own]) next
    if (floor[theirs] == floor[own])
      printf "%s:%s: includes \"%s\": %s/ and %s/ share a floor and never include each other\n", file, line, inc, own, theirs
    else
      printf "%s:%s: includes \"%s\": %s/ lies below %s/ and never includes it\n", file, line, inc, own, theirs
    bad = 1
  }
  END { exit bad ? 1 : 0 }
' || tree_status=1

if [ "$tree_status" -ne 0 ]; then
  status=1
  echo "folder layer check failed: an include runs up or sideways"
else
  echo "folder layers: every include runs down the declared order"
fi
exit "$status"
