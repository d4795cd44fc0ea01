# shellcheck shell=bash
# The window test's driver for the Windows build under Wine: the tool is
# UpdateOvexZNP.exe, the sandbox is the Windows one on drive D: of the
# prefix. A Wine process runs Wine's loader; the first field of its command
# line is the Windows path it was started by.

: "${WINEPREFIX:?the Windows tool needs WINEPREFIX (the Wine prefix of the tests)}"
: "${OVEX_WIN_BUILD:?the Windows sandbox needs OVEX_WIN_BUILD (the Windows build folder)}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

driver_tools() { echo wine wineserver; }

# Wine keeps the display of its first program for the whole wineserver
# session: end the prefix's session, so that this one opens on this display.
driver_begin() {
  export LC_ALL=zh_CN.UTF-8  # code page 936: Chinese window text
  wineserver -k >/dev/null 2>&1 || true
  # A new prefix is complete only once its session has ended.
  [[ -e $WINEPREFIX/system.reg ]] || { wineboot -i && wineserver -w; } >/dev/null 2>&1
}
driver_end() { wineserver -k >/dev/null 2>&1 || true; }

start_tool() {
  (cd "$W" && exec wine "$tool") &
  pid=$!
}

# D:\... of a host path below the sandbox's root.
windows_path() {
  local rest=${1#"$(dirname "$K")"} backslash='\'
  echo "D:${rest//\//$backslash}"
}

pids_running() {
  local want p first
  want=$(windows_path "$1")
  for p in /proc/[0-9]*; do
    [[ $(readlink "$p/exe" 2>/dev/null) == */wine* ]] || continue
    IFS= read -r -d '' first <"$p/cmdline" 2>/dev/null || continue
    [[ ${first,,} == "${want,,}" ]] && echo "${p#/proc/}"
  done
  return 0
}

start_server() {
  (cd "$K" && exec setsid wine "$(windows_path "$K/db/bin/ovexsqld.exe")" </dev/null >/dev/null 2>&1 &)
}

# MessageBoxW: OK centred at the bottom.
ok_button() { echo $(($1 / 2)) $(($2 - 24)); }
