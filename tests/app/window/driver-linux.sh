# shellcheck shell=bash
# The window test's driver for the Linux build: the tool and the sandbox's
# stand-ins are Linux programs, found by the executable they run.

driver_tools() { :; }
driver_begin() { :; }
driver_end() { :; }

start_tool() {
  (cd "$W" && exec "$tool") &
  pid=$!
}

pids_running() {
  local exe=$1 p
  for p in /proc/[0-9]*; do
    [[ $(readlink "$p/exe" 2>/dev/null) == "$exe" ]] && echo "${p#/proc/}"
  done
  return 0
}

start_server() { (setsid "$K/db/bin/ovexsqld.exe" </dev/null >/dev/null 2>&1 &); }

# Qt's message box: OK at the bottom right.
ok_button() { echo $(($1 - 50)) $(($2 - 23)); }
