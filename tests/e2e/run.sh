#!/usr/bin/env bash
# End-to-end suite: the real Setup.exe under Wine, headless, in a package
# folder of its own with our stub side programs, one fresh prefix per
# scenario. Prints one PASS/FAIL line per scenario and the summary line
# "e2e-wine: P passed, F failed"; exit status 0 only when all pass.
#
# Environment: WIN32_BUILD (default build/win32) holds Setup.exe and
# helpers/*.exe; WINE_WORK (default build) receives the prefixes. A failing
# scenario's prefix is kept under $WINE_WORK/wine/e2e/ for inspection.
set -u

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT" || exit 1
# shellcheck source=tests/e2e/wine_lib.sh
source "$ROOT/tests/e2e/wine_lib.sh"

WIN32_BUILD="${WIN32_BUILD:-build/win32}"
case "$WIN32_BUILD" in /*) ;; *) WIN32_BUILD="$ROOT/$WIN32_BUILD" ;; esac
RUN_DIR="$WINE_WORK/wine/e2e"

COMPLETION_EVENT='HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}'
CAUTION_TEXT='Please uninstall the previous version of the ARVEN software before continuing with this installation'
PDIENTRY='E2EPDI'
PRODUCT_KEY='Software\Ostrane\E2E Printer'
PRINTER='E2E Printer'
# Time limits (ms) for a launcher run that must end on its own.
END_LIMIT=15000

PASSED=0
FAILED=0
SCENARIO=""
REASONS=()

# ---- scenario bookkeeping ---------------------------------------------------

begin() {
  SCENARIO="$1"
  REASONS=()
}

# check CONDITION-TEXT ACTUAL EXPECTED: records a failure when they differ.
check() {
  if [ "$2" != "$3" ]; then
    REASONS+=("$1: got '$2', expected '$3'")
  fi
}

finish() {
  wine_stop
  if [ ${#REASONS[@]} -eq 0 ]; then
    echo "PASS $SCENARIO"
    PASSED=$((PASSED + 1))
    rm -rf "$WINEPREFIX"
  else
    local IFS=';'
    echo "FAIL $SCENARIO: ${REASONS[*]} (prefix kept: $WINEPREFIX)"
    FAILED=$((FAILED + 1))
  fi
}

# ---- running Win32 programs in the scenario's prefix -------------------------

# w PROGRAM ARGS...: runs a Win32 program, its output without carriage returns.
w() {
  timeout 60 wine "$@" 2>/dev/null | tr -d '\r'
}

# Our helpers live in C:\e2e; the package in C:\pkg unless told otherwise.
tool() {
  local name="$1"
  shift
  w "C:\\e2e\\$name.exe" "$@"
}

# new_scenario NAME RELEASE [LANG]: fresh prefix posed as RELEASE, helpers
# installed. Every Wine process of a scenario runs with the same LANG, so
# they all share one ANSI code page.
new_scenario() {
  begin "$1"
  export LANG="${3:-en_US.UTF-8}"
  export LC_ALL="$LANG"
  wine_new_prefix "$RUN_DIR/$(echo "$1" | tr -c 'A-Za-z0-9\n' '-')" || {
    REASONS+=("no prefix")
    return 1
  }
  mkdir -p "$WINEPREFIX/drive_c/e2e"
  cp "$WIN32_BUILD"/helpers/*.exe "$WINEPREFIX/drive_c/e2e/"
  wine_pose "$2"
}

# package UNIX-FOLDER LAUNCHER-NAME [no-ini]: the package layout: launcher,
# InstallInfo.ini and a logging stub in place of every program of the package.
package() {
  local dir="$1" name="$2"
  mkdir -p "$dir/Util" "$dir/Install"
  cp "$WIN32_BUILD/Setup.exe" "$dir/$name"
  local program
  for program in Util/OemHlt07.exe Util/CloseDlg.exe Util/OemAdv07.exe Install/Setup.exe Cleanup.exe; do
    cp "$WIN32_BUILD/helpers/side_stub.exe" "$dir/$program"
  done
  if [ "${3:-}" != "no-ini" ]; then
    printf '[INSTALL_INFO]\r\nRegistryPath=%s\r\nPDIENTRY=%s\r\n' "$PRODUCT_KEY" "$PDIENTRY" >"$dir/InstallInfo.ini"
  fi
}

reg_add() {
  wine reg add "$@" /f >/dev/null 2>&1
}

# The stub log: one "MODULE|COMMAND LINE" line per program started.
stub_log() {
  local log="$WINEPREFIX/drive_c/e2e-log.txt"
  [ -f "$log" ] && tr -d '\r' <"$log"
}

# Programs are started without being waited for: give them time to log.
wait_for_log_lines() {
  local want="$1" i
  for i in $(seq 1 50); do
    [ "$(stub_log | grep -c .)" -ge "$want" ] && return 0
    sleep 0.1
  done
  return 1
}

# run_to_end ARGS...: starts the launcher through the waiter and returns its
# report line ("event=... launcher=... exit=... acp=...").
run_to_end() {
  tool launch_wait --timeout "$END_LIMIT" "$@" | tail -n 1
}

field() {
  # field NAME LINE: the value of NAME=... in a report line.
  echo "$2" | tr ' ' '\n' | sed -n "s/^$1=//p"
}

# ---- scenarios ----------------------------------------------------------------

# Another copy is running: its instance event is held by the waiter. An
# earlier-edition key is present too, so a launcher that failed to notice the
# other copy would show the box and not end.
scenario_another_copy() {
  new_scenario "another copy running ends silently, event set" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local r
  r="$(run_to_end --hold "${PDIENTRY}Setup" 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  check "programs started" "$(stub_log)" ""
  finish
}

# A second launcher in removal mode still carries out the removal (the side
# program on 9x) before it ends as "another copy".
scenario_another_copy_removal() {
  new_scenario "another copy in removal mode removes first, then ends" win98 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local r
  r="$(run_to_end --hold "${PDIENTRY}Setup" 'C:\pkg\Setup.exe' "/a$PRINTER")"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 1
  check "programs started" "$(stub_log)" 'C:\pkg\Util\OemHlt07.exe|C:\pkg\Util\OemHlt07.exe'
  finish
}

# Without an information file PDIENTRY is empty: the instance event is "Setup".
scenario_no_information_file() {
  new_scenario "no InstallInfo.ini: instance event is named \"Setup\"" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe no-ini
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local r
  r="$(run_to_end --hold Setup 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  finish
}

# An earlier edition blocks with the "Caution!" box; the waiting program is
# released only after the user has closed it.
scenario_earlier_edition() {
  new_scenario "earlier edition shows \"Caution!\", event set only after OK" win98 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local out="$RUN_DIR/earlier-edition.out"
  wine 'C:\e2e\launch_wait.exe' --timeout 60000 'C:\pkg\Setup.exe' >"$out" 2>/dev/null &
  local waiter=$!
  local title
  title="$(tool wintool wait 'Caution!' 20000)"
  check "box title" "$title" 'Caution!'
  if [ "$title" = 'Caution!' ]; then
    check "box text" "$(tool wintool text 'Caution!')" "$CAUTION_TEXT"
    check "event while the box is up" "$(tool event_probe "$COMPLETION_EVENT")" unset
    check "launcher while the box is up" "$(kill -0 "$waiter" 2>/dev/null && echo running)" running
    check "pressing OK" "$(tool wintool ok 'Caution!')" pressed
  fi
  local i
  for i in $(seq 1 100); do
    kill -0 "$waiter" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$waiter" 2>/dev/null; then
    REASONS+=("launcher did not end after OK")
    wine_stop
  fi
  wait "$waiter" 2>/dev/null
  local r
  r="$(tr -d '\r' <"$out" | tail -n 1)"
  check "launcher after OK" "$(field launcher "$r")" ended
  check "completion event after OK" "$(field event "$r")" set
  check "box after OK" "$(tool wintool exists 'Caution!')" no
  finish
}

# Earlier-edition keys that exist without a subkey do not block.
scenario_earlier_key_without_subkey() {
  new_scenario "earlier-edition keys without subkeys do not block" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Tamsk'
  reg_add 'HKLM\Software\Ostrane\Varnesse' /v Note /d 'values only'
  local r
  r="$(run_to_end 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  check "box" "$(tool wintool exists 'Caution!')" no
  finish
}

# Unsupported releases end silently with the event set, in removal mode too,
# where the 9x side program must not be started either.
scenario_unsupported() {
  local release="$1" label="$2"
  new_scenario "$label ($release) ends silently, event set, nothing started" "$release" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  local r
  r="$(run_to_end 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  r="$(run_to_end 'C:\pkg\Setup.exe' "/a$PRINTER")"
  check "launcher (removal mode)" "$(field launcher "$r")" ended
  check "completion event (removal mode)" "$(field event "$r")" set
  sleep 0.5
  check "programs started" "$(stub_log)" ""
  finish
}

# Removal mode starts the side program on Windows 98, 98 SE and Me only.
scenario_removal_by_release() {
  new_scenario "removal mode starts Util\\OemHlt07.exe on 98/Me only" winme || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  local release expected r
  # win98fe last: its pose removes the NT version values for good.
  for release in winme win2k winxp win98fe; do
    wine_pose "$release"
    rm -f "$WINEPREFIX/drive_c/e2e-log.txt"
    r="$(run_to_end 'C:\pkg\Setup.exe' "/a$PRINTER")"
    check "$release: launcher" "$(field launcher "$r")" ended
    check "$release: completion event" "$(field event "$r")" set
    case "$release" in
      winme | win98fe)
        expected='C:\pkg\Util\OemHlt07.exe|C:\pkg\Util\OemHlt07.exe'
        wait_for_log_lines 1
        ;;
      *)
        expected=''
        sleep 0.5
        ;;
    esac
    check "$release: programs started" "$(stub_log)" "$expected"
  done
  finish
}

# Code page 932: the launcher's file name ends in a double-byte character
# whose second byte is a backslash (表 is 95 5C). A folder search that is not
# multibyte-aware cuts the path inside that character and finds no side program.
scenario_removal_shift_jis() {
  new_scenario "removal mode on 98 SE, launcher named Setup表.exe (cp932)" win98 ja_JP.UTF-8 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" 'Setup表.exe'
  local r
  r="$(run_to_end 'C:\pkg\Setup表.exe' "/a$PRINTER")"
  check "code page" "$(field acp "$r")" 932
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 1
  check "programs started" "$(stub_log)" 'C:\pkg\Util\OemHlt07.exe|C:\pkg\Util\OemHlt07.exe'
  finish
}

# A package folder with a blank: the side program is started by its full
# path, never by the unquoted search that would run C:\Program.exe first.
scenario_removal_folder_with_blank() {
  new_scenario "removal mode from a folder with a blank does not run C:\\Program.exe" winme || { finish; return; }
  package "$WINEPREFIX/drive_c/Program Files/E2E Pkg" Setup.exe
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  local r
  r="$(run_to_end 'C:\Program Files\E2E Pkg\Setup.exe' "/a$PRINTER")"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 1
  check "programs started" "$(stub_log)" \
    'C:\Program Files\E2E Pkg\Util\OemHlt07.exe|C:\Program Files\E2E Pkg\Util\OemHlt07.exe'
  finish
}

# Already installed: the waiting program is released before the maintenance
# dialog. Where the dialog is shown the launcher keeps running; the event must
# be set all the same.
scenario_installed() {
  new_scenario "installed product: event set before the maintenance dialog" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add "HKLM\\$PRODUCT_KEY" /v "${PDIENTRY}KEY" /d 1
  reg_add "HKLM\\Software\\Corvale\\$PDIENTRY"
  local out="$RUN_DIR/installed.out"
  wine 'C:\e2e\launch_wait.exe' --timeout 20000 'C:\pkg\Setup.exe' >"$out" 2>/dev/null &
  local waiter=$! state="" i
  for i in $(seq 1 100); do
    state="$(tool event_probe "$COMPLETION_EVENT")"
    [ "$state" = set ] && break
    kill -0 "$waiter" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$waiter" 2>/dev/null; then
    # The dialog is up (or the launcher hangs): the event must already be set.
    check "completion event while the launcher runs" "$state" set
    wine_stop
    wait "$waiter" 2>/dev/null
  else
    wait "$waiter" 2>/dev/null
    local r
    r="$(tr -d '\r' <"$out" | tail -n 1)"
    check "launcher" "$(field launcher "$r")" ended
    check "completion event" "$(field event "$r")" set
  fi
  check "programs started" "$(stub_log)" ""
  finish
}

# ---- main ----------------------------------------------------------------------

main() {
  local missing=""
  local exe
  for exe in Setup.exe helpers/launch_wait.exe helpers/event_probe.exe helpers/wintool.exe helpers/side_stub.exe; do
    [ -f "$WIN32_BUILD/$exe" ] || missing="$missing $exe"
  done
  if [ -n "$missing" ]; then
    echo "FAIL e2e-wine: not built in $WIN32_BUILD:$missing"
    suite_result e2e-wine 0 1
    return
  fi
  wine_env
  xvfb_ensure || {
    suite_result e2e-wine 0 1
    return
  }
  wine_base_prefix >/dev/null || {
    echo "FAIL e2e-wine: no base prefix"
    xvfb_stop
    suite_result e2e-wine 0 1
    return
  }
  mkdir -p "$RUN_DIR"

  scenario_another_copy
  scenario_another_copy_removal
  scenario_no_information_file
  scenario_earlier_edition
  scenario_earlier_key_without_subkey
  scenario_unsupported win95 "Windows 95"
  scenario_unsupported nt40 "Windows NT 4.0"
  scenario_unsupported win7 "Windows 7"
  scenario_removal_by_release
  scenario_removal_shift_jis
  scenario_removal_folder_with_blank
  scenario_installed

  xvfb_stop
  suite_result e2e-wine "$PASSED" "$FAILED"
}

main
