#!/usr/bin/env bash
# Shows the real UpdateOvexZNP window on a private X server, saves a
# screenshot and checks the window from outside the program: caption,
# client size 437 x 199, fixed size, centred on the screen.
#   window_under_xvfb.sh TOOL SCREENSHOT.png
# Exit status 77 (skipped) when the X tools are missing.
set -euo pipefail

tool=$(realpath "$1")
shot=$2
screen_w=1024
screen_h=768
caption='Parvia离线升级程序'

if [[ ${3:-} != --inside ]]; then
  for t in xvfb-run xdotool xwininfo xprop import identify; do
    command -v "$t" >/dev/null || { echo "missing $t: skipped"; exit 77; }
  done
  # -a picks a free display number: another server may hold :99.
  exec xvfb-run -a -s "-screen 0 ${screen_w}x${screen_h}x24" bash "$0" "$tool" "$shot" --inside
fi

work=$(mktemp -d)
pid=
cleanup() {
  local status=$?
  if [[ -n $pid ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../pinned-text.sh"
pin_window_text "$work"

fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && exec "$tool") &
pid=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -1) || true
[[ -n $wid ]] || fail "no window appeared"
sleep 0.5  # let the first paint finish before the picture is taken

info=$(xwininfo -id "$wid")
width=$(sed -n 's/^ *Width: //p' <<<"$info")
height=$(sed -n 's/^ *Height: //p' <<<"$info")
left=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
top=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
name=$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
hints=$(xprop -id "$wid" WM_NORMAL_HINTS)

import -window "$wid" "$shot"
echo "window $wid: \"$name\" ${width}x${height} at $left,$top; screenshot $shot"

[[ $name == "$caption" ]] || fail "caption is \"$name\""
[[ $width == 437 && $height == 199 ]] || fail "client size ${width}x${height}"
grep -q 'minimum size: 437 by 199' <<<"$hints" || fail "no fixed minimum size"
grep -q 'maximum size: 437 by 199' <<<"$hints" || fail "no fixed maximum size"
[[ $left == $(((screen_w - 437) / 2)) && $top == $(((screen_h - 199) / 2)) ]] ||
  fail "not centred: $left,$top"
[[ $(identify -format '%wx%h' "$shot") == 437x199 ]] || fail "screenshot size"

# A file dropped onto the program: an unknown argument, no terminal, no pipe
# (the desktop's streams), a display. The window opens as without arguments.
kill "$pid" && wait "$pid" 2>/dev/null || true
(cd "$work" && exec "$tool" "$work/升级包.zip" </dev/null >/dev/null 2>&1) &
pid=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -1) || true
[[ -n $wid ]] || fail "no window for a dropped file"
name=$(xprop -id "$wid" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
[[ $name == "$caption" ]] || fail "caption for a dropped file is \"$name\""
echo "a dropped file opens the window"
echo "PASS"
