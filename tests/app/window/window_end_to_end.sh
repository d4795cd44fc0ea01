#!/usr/bin/env bash
# Drives the real UpdateOvexZNP window the way an operator does, on a private
# X server, against a sandbox client installation with a real database server:
#   1. 升级, confirm, then 备份 while the upgrade runs: the busy box, then
#      the done box; the client runs again and the upgrade's results are in
#      place, with one data backup only.
#   2. In the same window, 备份 and at once 升级: the busy box, then the
#      success box; two new identical archives and the server running again.
# The boxes all carry the same caption. Which box is which follows from the
# state on disk while each box is open, and the two busy boxes must show the
# same picture (screenshots kept in OUTDIR).
#   window_end_to_end.sh TOOL OVEX_SANDBOX MAKE_PACKAGE OUTDIR
# (MAKE_PACKAGE: scripts/make-package)
# TOOL is the Linux build's executable, or with OVEX_TOOL_DRIVER=wine the
# Windows build's UpdateOvexZNP.exe, run under Wine in the Windows sandbox
# (OVEX_WIN_BUILD and WINEPREFIX as the sandbox wants them). What differs
# between the two lives in a driver beside this script (driver-linux.sh,
# driver-wine.sh), which defines:
#   driver_tools            further commands the run needs
#   driver_begin            called first on the private X server
#   driver_end              called last, also after a failure
#   start_tool              starts the tool in W, in the background; sets pid
#   pids_running HOSTPATH   the processes running that program, one a line
#   start_server            starts the server stand-in again
#   ok_button WIDTH HEIGHT  "x y" of a message box's OK button
# Exit status 77 (skipped) when the X tools are missing.
set -euo pipefail

tool=$(realpath "$1")
sandbox_cli=$(realpath "$2")
make_package=$(realpath "$3")
out=$4
box_title='^Updateovexznp$'  # the application title of the executable's name
here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=driver-linux.sh
source "$here/driver-${OVEX_TOOL_DRIVER:-linux}.sh"

if [[ ${5:-} != --inside ]]; then
  for t in xvfb-run xdotool xwininfo import compare python3 unzip md5sum $(driver_tools); do
    command -v "$t" >/dev/null || { echo "missing $t: skipped"; exit 77; }
  done
  # -a picks a free display number: another server may hold :99.
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$tool" "$sandbox_cli" "$make_package" "$out" --inside
fi

scratch=$(mktemp -d)
root=$scratch/sandbox
W='' K='' backups=''  # the sandbox's folders, as it reports them
pid=
failures=0

cleanup() {
  local status=$?
  if [[ -n $pid ]]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  "$sandbox_cli" destroy "$root" >/dev/null 2>&1 || true
  driver_end
  rm -rf "$scratch"
  exit "$status"
}
trap cleanup EXIT

source "$here/../pinned-text.sh"
pin_window_text "$scratch"
driver_begin

fail() {
  echo "FAIL: $*"
  if [[ -f $K/db/ovexsqld.err ]]; then
    echo "-- end of the server's log:"
    tail -5 "$K/db/ovexsqld.err"
  fi
  exit 1
}
# A check that lets the run go on, so that one run shows every difference.
expect() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}

# Polls a command until it succeeds; false after the given seconds.
wait_for() {
  local seconds=$1 deadline
  shift
  deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# ---- processes, files and the database ----

running() { [[ -n $(pids_running "$1") ]]; }
not_running() { ! running "$1"; }
client_running() { running "$K/OvexZNP.exe"; }
server_running() { running "$K/db/bin/ovexsqld.exe"; }

sql() { "$sandbox_cli" sql "$root" "$1"; }
# Up, and serving this sandbox's data rather than another run's (named
# through the drive's link, under Wine).
database_up() {
  local dir
  dir=$(sql "SELECT @@datadir" 2>/dev/null) && [[ -n $dir && $(realpath -m "$dir") == "$(realpath "$K/db/data")" ]]
}

archives_in() { [[ ! -d $1 ]] || find "$1" -maxdepth 1 -name '*.zip' -printf '%f\n' | sort; }
archive_count() { archives_in "$1" | grep -c . || true; }
# A line of its own, ended by CR LF (grep sees the CR at the line's end).
has_version() { grep -qx "CurrentVersion=${1//./\\.}"$'\r' "$K/server/conf/service.ini"; }
file_is() { [[ -f $1 && $(<"$1") == "$2" ]]; }
equal() {
  [[ $1 == "$2" ]] && return 0
  printf '  got:  %q\n  want: %q\n' "$1" "$2"
  return 1
}

# ---- the window and its message boxes ----

click() {  # click NAME X Y: a click on a button of the main window
  echo "click $1"
  xdotool mousemove --window "$wid" "$2" "$3" click 1 mousemove 0 0
}
# Both front ends place the buttons alike: 75x25 at (104, 112) and (224, 112).
click_upgrade() { click 升级 141 124; }
click_backup() { click 备份 261 124; }

seen_boxes=" "
box=
# Waits for a message box that has not been seen before and sets box.
next_box() {
  local deadline=$((SECONDS + 600)) id
  while ((SECONDS < deadline)); do
    for id in $(xdotool search --onlyvisible --name "$box_title" 2>/dev/null); do
      [[ $seen_boxes == *" $id "* ]] && continue
      seen_boxes+="$id "
      box=$id
      return 0
    done
    kill -0 "$pid" 2>/dev/null || fail "the tool ended"
    sleep 0.2
  done
  fail "no message box appeared"
}
open_boxes() { xdotool search --onlyvisible --name "$box_title" 2>/dev/null || true; }
box_closed() { ! open_boxes | grep -qx "$box"; }

# Saves a picture of the open box once two pictures in a row agree.
shoot_box() {
  local shot=$out/$1.png next=$out/$1.next.png
  import -window "$box" "$shot"
  for _ in {1..20}; do
    sleep 0.3
    import -window "$box" "$next"
    if compare -metric AE "$shot" "$next" null: 2>/dev/null; then
      rm -f "$next"
      return 0
    fi
    mv "$next" "$shot"
  done
  fail "the picture of box $1 never settled"
}

# Clicks OK in the open box and waits until the box is gone. A click,
# unlike a key, reaches only the box under the pointer, whatever has the
# keyboard focus.
confirm_box() {
  local WIDTH HEIGHT x y
  eval "$(xdotool getwindowgeometry --shell "$box" | grep -E '^(WIDTH|HEIGHT)=')"
  read -r x y <<<"$(ok_button "$WIDTH" "$HEIGHT")"
  xdotool mousemove --window "$box" "$x" "$y" click 1 mousemove 0 0
  wait_for 60 box_closed || fail "box $box stayed open"
}

same_picture() { compare -metric AE "$out/$1.png" "$out/$2.png" null: 2>/dev/null; }
other_picture() { ! same_picture "$1" "$2"; }

# ---- the sandbox ----

# The tool acts on whichever client and server run on the machine, found by
# name: wait until no other installation's programs run (another run may
# still be going away) and the server's port is free.
alone() {
  local live=D,R,S,T  # a zombie left by another run counts as gone
  ! pgrep -x -r "$live" OvexZNP.exe >/dev/null && ! pgrep -x -r "$live" ovexsqld.exe >/dev/null &&
    ! (exec 3<>/dev/tcp/127.0.0.1/53306) 2>/dev/null
}
wait_for 600 alone || fail "another client installation keeps running"
mkdir -p "$out"
rm -f "$out"/*.png
layout=$("$sandbox_cli" create "$root" --rows 2000)
while IFS=$'\t' read -r name folder; do
  case $name in
    work) W=$folder ;;
    client) K=$folder ;;
    backups) backups=$folder ;;
  esac
done <<<"$layout"
[[ -n $W && -n $K && -n $backups ]] || fail "the sandbox did not say where it lives"
python3 "$make_package" test "$W/update" 3.0.1
mkdir -p "$K/server/lib"
printf old >"$K/server/lib/plain.txt"
printf kept >"$K/server/lib/kept.txt"
client_running || fail "the sandbox client is not running"
server_running || fail "the sandbox server is not running"

start_tool
wid=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | head -1) || true
[[ -n $wid ]] || fail "no window appeared"
sleep 0.5  # let the first paint finish before the first click

# ---- 1. Upgrade, with a click on 备份 while it runs ----

echo "== upgrade"
click_upgrade
next_box
shoot_box upgrade-1-confirm
# The question comes before anything is stopped or written.
expect "client still running at the question" client_running
expect "no data backup yet at the question" equal "$(archive_count "$W/数据备份")" 0
confirm_box
click_backup
next_box
shoot_box upgrade-2-busy
expect "the upgrade is not finished at the busy box" has_version 2.1.0
confirm_box
next_box
shoot_box upgrade-3-done
expect "the version is recorded at the done box" has_version 3.0.1
expect "the client is started only after the done box" not_running "$K/OvexZNP.exe"
confirm_box
expect "the client runs again" wait_for 60 client_running
sleep 1
expect "no further box after the upgrade" equal "$(open_boxes)" ""

# Common files merged over the target, the old target copied aside.
expect "new dll in place" file_is "$K/server/lib/发票.dll" "new dll 3.0.1"
expect "file in a subfolder in place" file_is "$K/server/lib/模板/增值税.xml" "<t/>"
expect "changed file replaced" file_is "$K/server/lib/plain.txt" "new"
expect "other file kept" file_is "$K/server/lib/kept.txt" "kept"
expect "old file in lib_bak_T" file_is "$K/server/lib_bak_T/plain.txt" "old"
expect "updater entry in updater/lib" file_is "$K/updater/lib/updater.jar" "updater 3.0.1"
expect "updater/lib_bak_T made" test -d "$K/updater/lib_bak_T"
expect "no client/bin" test ! -e "$K/client/bin"
expect "updater/zip is a copy of update" diff -r "$W/update" "$K/updater/zip"
expect "updateManager.ini written" python3 - "$K/server/conf/updateManager.ini" <<'PY'
import re, sys
text = open(sys.argv[1], "rb").read().decode("gbk")
pattern = (r"#\[Update Manager Config\]\r\n#\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\r\n"
           r"updateStatus=\r\ndataFileName=\r\nzipFileName=\\u5347\\u7EA7\\u5305" r"3\.0\.1\.zip\r\n")
sys.exit(0 if re.fullmatch(pattern, text) else print(repr(text)) or 1)
PY
expect "service.ini has only the new version" bash -c "! grep -q CurrentVersion=2.1.0 '$K/server/conf/service.ini'"
client_pids=$(pids_running "$K/OvexZNP.exe")
expect "one client process" equal "$(wc -w <<<"$client_pids")" 1
# One backup from the upgrade: the click on 备份 changed nothing.
expect "one archive in 数据备份 after the upgrade" equal "$(archive_count "$W/数据备份")" 1
expect "one archive in the configured folder after the upgrade" equal "$(archive_count "$backups")" 1
upgrade_archive=$(archives_in "$W/数据备份")
expect "the upgrade leaves the server stopped" not_running "$K/db/bin/ovexsqld.exe"

# The database changes, seen after starting the server again.
start_server
wait_for 120 database_up ||
  fail "the server did not come back; port 53306 serves: $(sql "SELECT @@datadir" 2>&1 | tail -1)"
expect "scripts ran in name order" equal "$(sql "SELECT name FROM ovex_znp.run_order ORDER BY seq")" \
  "$(printf '10.sql\n2.sql\n中文值')"
expect "database version recorded" equal "$(sql "SELECT SJKBBH FROM ovex_znp.sys_rjbbxx")" 3.0.1

# ---- 2. Backup in the same window, with a click on 升级 while it runs ----

echo "== backup"
rows_before=$(sql "SELECT COUNT(*), SUM(ID) FROM ovex_znp.fp_kpxx")
click_backup
click_upgrade
next_box
shoot_box backup-1-busy
expect "no new archive at the busy box" equal "$(archive_count "$W/数据备份")" 1
confirm_box
next_box
shoot_box backup-2-done
expect "two archives in 数据备份 at the success box" equal "$(archive_count "$W/数据备份")" 2
expect "two archives in the configured folder at the success box" equal "$(archive_count "$backups")" 2
expect "server started before the success box" server_running
confirm_box
sleep 1
expect "no further box after the backup" equal "$(open_boxes)" ""
expect "the client was left alone" equal "$(pids_running "$K/OvexZNP.exe")" "$client_pids"

new=$(archives_in "$W/数据备份" | grep -vxF "$upgrade_archive" || true)
expect "the new archive carries the new version" bash -c "[[ '$new' == ovex_znp_data_离线备份_3.0.1_??????????????.zip ]]"
expect "the same archives in both folders" equal "$(archives_in "$W/数据备份")" "$(archives_in "$backups")"
expect "both copies identical" equal "$(md5sum <"$W/数据备份/$new")" "$(md5sum <"$backups/$new")"
expect "archive tests clean" unzip -tq "$W/数据备份/$new"
expect "archive holds cc and data.zip" equal "$(unzip -Z1 "$W/数据备份/$new" | sort | tr '\n' ' ')" "cc data.zip "
expect "its manifest names the upgraded database" bash -c \
  "unzip -p '$W/数据备份/$new' cc | grep -qx \$'DBVersion=3.0.1\r'"
expect "the server takes logins again" wait_for 120 database_up
expect "the server serves the same rows" equal "$(sql "SELECT COUNT(*), SUM(ID) FROM ovex_znp.fp_kpxx")" "$rows_before"

# ---- the pictures: one busy message, different from the others ----

expect "both busy boxes show the same message" same_picture upgrade-2-busy backup-1-busy
expect "the busy box differs from the question" other_picture upgrade-2-busy upgrade-1-confirm
expect "the busy box differs from the upgrade's done box" other_picture upgrade-2-busy upgrade-3-done
expect "the busy box differs from the backup's success box" other_picture upgrade-2-busy backup-2-done
expect "the two done boxes differ" other_picture upgrade-3-done backup-2-done

((failures == 0)) || fail "$failures checks failed"
echo "PASS"
