#!/usr/bin/env bash
# The Windows build: cross-compiled with mingw-w64, its tests run under Wine
# with the zh-CN locale (code pages 936), the window checked under Xvfb with
# a screenshot, and the release artefact checked to be one static exe.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
BUILD=$ROOT/build-win
JOBS=$(nproc)
EXE=$BUILD/src/UpdateOvexZNP.exe
export WINEPREFIX=$BUILD/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# ---- the release artefact: one exe that needs system DLLs only ----
check_artefact() {
  local dll dlls
  dlls=$(x86_64-w64-mingw32-objdump -p "$EXE" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $dlls; do
    case $dll in
      advapi32.dll | bcrypt.dll | comctl32.dll | crypt32.dll | gdi32.dll | kernel32.dll | msvcrt.dll | \
        ole32.dll | oleaut32.dll | psapi.dll | secur32.dll | shell32.dll | shlwapi.dll | user32.dll | ws2_32.dll) ;;
      *) echo "UpdateOvexZNP.exe needs $dll: not statically linked" >&2; return 1 ;;
    esac
  done
  wine "$EXE" --version | grep '^UpdateOvexZNP ' >/dev/null
  echo "UpdateOvexZNP.exe: $(stat -c %s "$EXE") bytes, imports: $(echo $dlls)"
}

# ---- an archive the Windows build wrote, tested by the Linux peers ----
# The util_win_tests case on attributes keeps it: read-only flag, a folder
# and file with Chinese names (code page 936).
check_archive() {
  local zip=$BUILD/win-written.zip
  [[ -s $zip ]] || { echo "the Windows tests kept no archive ($zip)" >&2; return 1; }
  unzip -tq "$zip" >/dev/null
  7z t "$zip" >/dev/null
  LANG=C.UTF-8 bsdtar --options hdrcharset=CP936 -tf "$zip" | grep -x '数据/表一.frm' >/dev/null
  unzip -Z "$zip" | grep '^-r--a-- .* ro\.txt$' >/dev/null
  echo "archive written by the Windows build: accepted by unzip, 7z and bsdtar"
}

# Inside of a control, from the "rect NAME x y w h" lines of the window check.
crop_control() {  # screenshot, check output, name
  local x y w h
  read -r _ _ x y w h < <(grep "^rect $3 " "$2")
  convert "$1" -crop "$((w - 8))x$((h - 8))+$((x + 4))+$((y + 4))" +repage "$BUILD/window-$3.png"
}

# ---- the window: caption, client size, controls, texts; a screenshot ----
# The two button captions must differ on screen: missing glyphs would draw
# the same boxes for both.
check_window() {
  local out=$BUILD/window-check.txt shot=$BUILD/window.png differ
  rm -f "$out" "$shot"
  wine "$BUILD/tests/app/win32/window_check.exe" "$EXE" 5000 >"$out.raw" &
  local checker=$!
  for _ in $(seq 150); do
    grep -q '^rect client' "$out.raw" 2>/dev/null && break
    sleep 0.2
  done
  sleep 0.5
  import -window root "$shot"
  local status=0
  wait "$checker" || status=$?
  tr -d '\r' <"$out.raw" >"$out"
  ((status == 0)) || { cat "$out"; return 1; }
  grep -v '^rect' "$out"
  crop_control "$shot" "$out" updatBtn
  crop_control "$shot" "$out" bfBtn
  differ=$(compare -metric AE "$BUILD/window-updatBtn.png" "$BUILD/window-bfBtn.png" null: 2>&1 || true)
  if [[ ${differ%% *} -le 20 ]]; then
    echo "the button captions look alike ($differ pixels differ): boxes instead of Chinese?" >&2
    return 1
  fi
  echo "screenshot: $shot (the two button captions differ in $differ pixels)"
}

# ---- a MariaDB server on this side for the Windows database client ----
# Port from the system (never a fixed one), an account with a password that
# logs in over TCP, a GBK database; ended when the script ends.
DB_DIR=""
start_db() {
  DB_DIR=$(mktemp -d /tmp/ovex-win-db.XXXXXX)
  local root=() port
  [[ $(id -u) -eq 0 ]] && root=(--user=root)
  mariadb-install-db --no-defaults "${root[@]}" --datadir="$DB_DIR/data" \
    --auth-root-authentication-method=normal --skip-test-db >"$DB_DIR/install.log" 2>&1
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mariadbd --no-defaults "${root[@]}" --datadir="$DB_DIR/data" --port="$port" --bind-address=127.0.0.1 \
    --socket="$DB_DIR/sock" --pid-file="$DB_DIR/pid" --log-error="$DB_DIR/err" --skip-log-bin \
    --skip-name-resolve --performance-schema=OFF --innodb-buffer-pool-size=8M --innodb-log-file-size=4M \
    --innodb-buffer-pool-dump-at-shutdown=0 --innodb-buffer-pool-load-at-startup=0 &
  for _ in $(seq 100); do
    mariadb-admin --no-defaults --socket="$DB_DIR/sock" -uroot ping >/dev/null 2>&1 && break
    sleep 0.2
  done
  mariadb --no-defaults --socket="$DB_DIR/sock" -uroot -e "
    CREATE DATABASE ovexdb CHARACTER SET gbk;
    CREATE USER 'ovex'@'127.0.0.1' IDENTIFIED VIA mysql_native_password USING PASSWORD('ovex-pw');
    GRANT ALL ON ovexdb.* TO 'ovex'@'127.0.0.1';"
  export OVEX_WIN_DB_PORT=$port
}
stop_db() {
  [[ -n $DB_DIR && -e $DB_DIR/pid ]] && kill "$(cat "$DB_DIR/pid")" 2>/dev/null && wait 2>/dev/null
  [[ -n $DB_DIR ]] && rm -rf "$DB_DIR"
  return 0
}

# ---- the command tests of the Linux build, driving the Windows executable ----
# One set of cases: the Linux build's test program with the Wine driver,
# on a Windows sandbox in this prefix (drive D:, Chinese folder names).
LINUX_BUILD=$ROOT/build
wine_command_tests() {
  local tests=$LINUX_BUILD/tests/app/commands/app_command_tests
  if [[ ! -x $tests || ! -x $LINUX_BUILD/tests/fixtures/ovex-sandbox ]]; then
    cmake -S "$ROOT" -B "$LINUX_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$LINUX_BUILD" -j"$JOBS" --target app_command_tests ovex-sandbox
  fi
  OVEX_TOOL_DRIVER=wine OVEX_WIN_BUILD=$BUILD "$tests" --gtest_filter='BackupCommand.*:UpgradeCommand.*:VerifyCommand.*:RestoreCommand.*' \
    --gtest_brief=1
}

# The window test of the Linux build, driving the Windows executable in the
# same sandbox; it brings an X server of its own.
window_end_to_end() {
  local status=0
  [[ -x $LINUX_BUILD/tests/fixtures/ovex-sandbox ]] || cmake --build "$LINUX_BUILD" -j"$JOBS" --target ovex-sandbox
  OVEX_TOOL_DRIVER=wine OVEX_WIN_BUILD=$BUILD bash tests/app/window/window_end_to_end.sh "$EXE" \
    "$LINUX_BUILD/tests/fixtures/ovex-sandbox" scripts/make-package "$BUILD/window-end-to-end" ||
    status=$?
  ((status != 77)) || echo "the window test was skipped: its X tools are missing" >&2
  return "$status"
}

# Every Wine program of a run shares one Xvfb display: Wine keeps the
# display of its first program for the whole session.
wine_phase() {
  export LC_ALL=zh_CN.UTF-8
  trap 'wineserver -k >/dev/null 2>&1 || true; stop_db' EXIT
  [[ -e $WINEPREFIX/system.reg ]] || wineboot -i >/dev/null 2>&1
  check_artefact
  start_db
  rm -f "$BUILD/win-written.zip"
  (cd "$BUILD" && OVEX_WIN_KEEP_ARCHIVE=$BUILD/win-written.zip ctest --output-on-failure -j"$JOBS")
  check_archive
  check_window
  stop_db  # the sandbox's server takes port 53306 for itself
  wine_command_tests
  window_end_to_end
  echo "== Windows build passed"
}

if [[ ${1:-} == --wine-phase ]]; then
  wine_phase
  exit 0
else
  scripts/build-windows
  wineserver -k >/dev/null 2>&1 || true
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$ROOT/scripts/test.d/50-windows.sh" --wine-phase
fi
# Only an aborted command (an expansion error) gets here.
echo "the Windows test stopped early" >&2
exit 1
