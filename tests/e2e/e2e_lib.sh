# shellcheck shell=bash
# Scenario bookkeeping and package helpers shared by the end-to-end scenario
# files in tests/e2e/scenarios/. Sourced by run.sh after wine_lib.sh; expects
# ROOT, WIN32_BUILD and RUN_DIR to be set.

COMPLETION_EVENT='HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}'
PDIENTRY='E2EPDI'
PRODUCT_KEY='Software\Ostrane\E2E Printer'
PRINTER='E2E Printer'
# Time limits (ms) for a launcher run that must end on its own.
END_LIMIT=30000

PASSED=0
FAILED=0
SCENARIO=""
REASONS=()
# Scenario functions to run, in order; each scenario file appends its own.
E2E_SCENARIOS=()

# ---- scenario bookkeeping ---------------------------------------------------

begin() {
  SCENARIO="$1"
  REASONS=()
  PLAN_ARGS=()
  RUN_USER=""
  BEFORE_RUN=""
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
    [ -n "${E2E_KEEP:-}" ] || wine_drop_prefix "$WINEPREFIX"
  else
    wine_keep_prefix "$WINEPREFIX"
    local IFS=';'
    echo "FAIL $SCENARIO: ${REASONS[*]} (prefix kept: $WINEPREFIX)"
    FAILED=$((FAILED + 1))
  fi
}

# ---- running Win32 programs in the scenario's prefix -------------------------

# w PROGRAM ARGS...: runs a Win32 program, its output without carriage returns.
# The output goes through a file: the first program of a prefix starts Wine's
# own services, which would hold a pipe open for ever.
w() {
  local out
  out="$(mktemp)"
  timeout "${W_LIMIT:-60}" wine "$@" >"$out" 2>"${E2E_STDERR:-/dev/null}"
  tr -d '\r' <"$out"
  rm -f "$out"
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
  SCENARIO_RELEASE="$2"
  export LANG="${3:-en_US.UTF-8}"
  export LC_ALL="$LANG"
  wine_new_prefix "$RUN_DIR/$(echo "$1" | tr -c 'A-Za-z0-9\n' '-')" "$2" || {
    REASONS+=("no prefix")
    return 1
  }
  mkdir -p "$WINEPREFIX/drive_c/e2e"
  cp "$WIN32_BUILD"/helpers/*.exe "$WINEPREFIX/drive_c/e2e/"
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
# report line ("event=... launcher=... exit=... acp=..."); a launcher still
# running at END_LIMIT is then ended.
run_to_end() {
  W_LIMIT=$((END_LIMIT / 1000 + 45)) tool launch_wait --timeout "$END_LIMIT" --end "$@" | tail -n 1
}

# launcher_modules [TRACE]: the lower-case file names of the modules that
# the launcher (the first Setup*.exe loaded) loaded, from a WINEDEBUG=+pid,+loaddll
# trace (default: compared_run's).
launcher_modules() {
  local pid trace="${1:-$WINEPREFIX/observed.trace}"
  pid="$(grep -a -m1 'trace:loaddll:.*Loaded L".*\\Setup[^\\]*\.exe"' "$trace" | cut -d: -f1)"
  [ -n "$pid" ] || { echo "no trace"; return; }
  grep -a "^$pid:.*Loaded L" "$trace" | sed 's/.*\\//; s/".*//' | tr '[:upper:]' '[:lower:]'
}

field() {
  # field NAME LINE: the value of NAME=... in a report line.
  echo "$2" | tr ' ' '\n' | sed -n "s/^$1=//p"
}


# ---- what the stubs logged --------------------------------------------------

# The programs the stubs logged, one module path a line, sorted.
stub_programs() {
  stub_log | cut -d'|' -f1 | sort
}

# stub_entry MODULE FIELD: one field of the stub line logged by MODULE:
# "command" for its command line, or a detail field (start_us, event, ...).
stub_entry() {
  local line
  line="$(stub_log | grep -F -- "$1|" | head -n 1)"
  case "$2" in
    command) echo "$line" | cut -d'|' -f2 ;;
    *) echo "$line" | tr '|' '\n' | sed -n "s/^$2=//p" ;;
  esac
}

# ---- printer queues and windows (printer removal) ----------------------------

# lang_code_page LANG: the ANSI code page Wine gives a locale.
lang_code_page() {
  case "$1" in
    ja_JP*) echo 932 ;; zh_CN*) echo 936 ;; ko_KR*) echo 949 ;; ru_RU*) echo 1251 ;; pl_PL* | cs_CZ*) echo 1250 ;;
    *) echo 1252 ;;
  esac
}

# ansi_hex TEXT: the bytes of TEXT in the scenario's ANSI code page, in
# hexadecimal.
ansi_hex() {
  printf '%s' "$1" | iconv -f UTF-8 -t "CP$(lang_code_page "$LANG")" | od -An -tx1 | tr -d ' \n'
}

# open_window_logged HEXTITLE LOG [SECONDS hang]: opens a window titled with those bytes
# (tests/wine/helpers/openwin.c, which prints each WM_COMMAND it receives
# into LOG) and waits until it exists. Prints the opener's pid.
open_window_logged() {
  local hex="$1" log="$2" i
  wine 'C:\e2e\openwin.exe' "$hex" "${3:-60}" ${4:+"$4"} >"$log" 2>/dev/null &
  local pid=$!
  for i in $(seq 1 100); do
    grep -q ready "$log" 2>/dev/null && break
    sleep 0.1
  done
  echo "$pid"
}

# ---- screenshots -----------------------------------------------------------

# pixel PNG X Y: the colour of one pixel as "R,G,B".
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info: 2>/dev/null
}

# ---- the run held against setup-plan's plan ----------------------------------------

STUB_RUNS_MS=1000

# start_state: the machine's start state, REGEDIT4 text from stdin: imported
# into the prefix and given to the plan (--reg).
start_state() {
  # As regedit exports it: on 2000 and later in UTF-16, on 95, 98 and Me as
  # REGEDIT4 in the ANSI code page.
  case "$SCENARIO_RELEASE" in
    win95 | win98* | winme) { echo REGEDIT4; echo; cat; } | iconv -f UTF-8 -t "CP$(lang_code_page "$LANG")" ;;
    *) printf '\xff\xfe' && { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; sed 's/$/\r/'; } | iconv -f UTF-8 -t UTF-16LE ;;
  esac >"$WINEPREFIX/drive_c/e2e-start.reg"
  wine regedit /S 'C:\e2e-start.reg' >/dev/null 2>&1
}

# compared_run [--hold NAME|--timing]... LAUNCHER [ARGUMENT]: runs the
# launcher to its end on the scenario's release, every stub running
# STUB_RUNS_MS (3 s at least in removal mode on 9x, below), observes what it
# did (tests/e2e/observe.py) and holds that against setup-plan's outcome for
# the same package, start state, files laid into the Windows folders and
# command line (PLAN_ARGS adds options:
# printers, programs, the user's choice). A difference is printed, both
# sides, and fails the scenario. RUN_USER names a function run beside the
# launcher (the user at a box; it may note what it saw in
# $WINEPREFIX/observed.box; its failed checks are the scenario's);
# BEFORE_RUN one run before it, once the start state has been taken (other
# programs holding files until C:\e2e\stop-hold exists, windows); RUN_FOLDER,
# a host folder of drive C, is the launcher's current folder. The plan's
# outcome is in $WINEPREFIX/observed.plan before the launcher starts. Leaves the
# launcher's report line in RUN_REPORT and Wine's trace of the run
# (+pid,+process,+loaddll) in $WINEPREFIX/observed.trace.
compared_run() {
  local hold=() plan=() release="$SCENARIO_RELEASE" cp=1252 obs="$WINEPREFIX/observed" unix laid stub runs=$STUB_RUNS_MS
  while [ "$1" = --hold ] || [ "$1" = --timing ]; do
    [ "$1" = --timing ] || { hold+=(--hold "$2") && plan+=(--event "$2") && shift; }
    # A timed run goes first on the processors: the scenarios beside it must not stretch it.
    [ "$1" != --timing ] || { hold+=(--timing) && renice -n -10 -p "$BASHPID" >/dev/null 2>&1; }
    shift
  done
  # In removal mode on 9x the launcher opens the spooler (six libraries) between
  # OemHlt07.exe and the next program: the stubs outlast that, so that one it
  # does not wait for cannot read as waited on a loaded machine.
  case "$release ${2:-}" in win98*" /a"* | winme" /a"*) [ "$runs" -ge 3000 ] || runs=3000 ;; esac
  [ "$release" != win98 ] || release=win98se                                        # release-names
  cp="$(lang_code_page "$LANG")"
  # The folders as the launcher is given them, as text: setup-plan converts
  # its text options from the terminal's UTF-8 to the code page.
  [ -z "${RUN_FOLDER:-}" ] || plan+=(--current-folder "$(printf 'C:\\%s' "$(realpath --relative-to="$WINEPREFIX/drive_c" \
    "$RUN_FOLDER" | tr / '\\')")")
  plan+=(--release "$release" --codepage "$cp" --location "${1%\\*}"
    --windows-folder 'C:\windows' --system-folder 'C:\windows\system32')              # folders
  [ ! -f "$WINEPREFIX/drive_c/e2e-start.reg" ] || plan+=(--reg "$WINEPREFIX/drive_c/e2e-start.reg")
  for stub in 'Util\OemHlt07.exe' 'Util\CloseDlg.exe' 'Util\OemAdv07.exe' 'Install\Setup.exe' Cleanup.exe; do
    plan+=(--duration "$stub=$runs")
  done
  unix="$WINEPREFIX/drive_c/$(echo "${1%\\*}" | sed 's/^C:\\//; s/\\/\//g')"
  local nt=1
  case "$release" in win95 | win98* | winme) nt=0 ;; esac
  local observe=(env OBSERVE_CP="cp$cp" OBSERVE_NT="$nt" OBSERVE_BASE="$WINE_WORK/wine/base" python3 "$ROOT/tests/e2e/observe.py")
  wine_stop
  mapfile -t laid < <("${observe[@]}" snap "$WINEPREFIX" "$unix" "$obs.before" "$WINE_WORK/wine/base")
  # The plan's texts as given (UTF-8): setup-plan converts them as Wine does.
  local texts=("${PLAN_ARGS[@]}" ${2+-- "$2"})
  plan+=("${laid[@]}" "${texts[@]:0:${#PLAN_ARGS[@]}}" "$unix" "${texts[@]:${#PLAN_ARGS[@]}}")
  "$HOST_BUILD/setup-plan" --outcome "${plan[@]}" >"$obs.plan" 2>&1
  rm -f "$WINEPREFIX/drive_c/e2e-log.txt" "$WINEPREFIX/drive_c/e2e-watch.txt" "$obs.box" "$obs.reasons"
  wineserver -p0  # a server that ends with the last program: no idle time is waited for below
  [ -z "$BEFORE_RUN" ] || "$BEFORE_RUN"
  local user=""
  [ -z "$RUN_USER" ] || { { REASONS=(); "$RUN_USER"; printf '%s\n' "${REASONS[@]}" >"$obs.reasons"; } & user=$!; }
  RUN_REPORT="$(cd "${RUN_FOLDER:-.}" && E2E_STUB_DETAILS=1 E2E_STUB_SHOW=1 E2E_STUB_SLEEP_MS=$runs E2E_STDERR="$obs.trace" \
    WINEDEBUG=+pid,+process,+loaddll run_to_end --watch 'C:\e2e-watch.txt' "${hold[@]}" "$@")"
  [ -z "$user" ] || { wait "$user"; mapfile -t -O ${#REASONS[@]} REASONS < <(grep . "$obs.reasons"); }
  touch "$WINEPREFIX/drive_c/e2e/stop-hold"  # what BEFORE_RUN holds is let go
  timeout 20 wineserver -w   # every program started has ended
  wine_stop                  # and the registry is on disk
  "${observe[@]}" snap "$WINEPREFIX" "$unix" "$obs.after" >/dev/null
  "${observe[@]}" lines "$WINEPREFIX" "$obs.before" "$obs.after" "$RUN_REPORT" "$1" >"$obs.txt"
  "$HOST_BUILD/setup-plan" --compare "$obs.txt" "${plan[@]}" >"$obs.diff" 2>&1 ||
    { "${observe[@]}" table >>"$obs.diff"; cat "$obs.diff" && REASONS+=("plan and Wine differ (above) for $*"); }
}
