#!/usr/bin/env bash
# Runs every test of the launcher: installs what is missing, builds the host
# trees (Release, and the unit tests with ASan/UBSan) and the Win32 programs,
# then runs the unit (sanitized), fault, contract, setup-plan, fuzz smoke, Wine
# device and Wine end-to-end suites, and checks that nothing is left running
# or mounted. Prints one line "NAME: N passed, N failed" per suite and a
# summary at the end; the exit status is non-zero when any build or suite
# fails.
#
# Quick loops for maintainers: "./run-tests.sh host" builds the host trees and
# runs the host suites only (no Win32 build, no Wine); "./run-tests.sh e2e"
# builds the host and Win32 trees and runs the end-to-end suite only
# (E2E_ONLY=PATTERN picks scenarios).
set -u
PART="${1:-all}"
case "$PART" in all | host | e2e) ;; *) echo "usage: $0 [host|e2e]" >&2 && exit 2 ;; esac
# wants PART: whether this run includes PART.
wants() { [ "$PART" = all ] || [ "$PART" = "$1" ]; }

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$ROOT" || exit 1

"$ROOT/scripts/install-deps.sh" || {
  echo "install: 0 passed, 1 failed"
  exit 1
}

# shellcheck source=tests/e2e/wine_lib.sh
source "$ROOT/tests/e2e/wine_lib.sh"

export HOST_BUILD="$ROOT/build/host"
export ASAN_BUILD="$ROOT/build/host-asan"
export WIN32_BUILD="$ROOT/build/win32"
LOGS="$ROOT/build/test-logs"
mkdir -p "$LOGS"
rm -f "$LOGS"/*.log

# Every process this run starts carries this mark in its environment, so
# that what is still running at the end can be told from the machine's own.
export TEST_RUN_MARK="$ROOT:$$"

FAILURES=0
SUMMARY=()
TIMES=()

# took NAME START: notes how long NAME ran since START ($SECONDS) for the summary.
took() {
  local s=$((SECONDS - $2))
  TIMES+=("$(printf '%-16s %2d min %02d s' "$1" $((s / 60)) $((s % 60)))")
}
took install 0

# Time limits (s) that keep a hung suite from holding the run forever.
GTEST_LIMIT=240
SCRIPT_LIMIT=2700
SUITE_LINE='^[A-Za-z0-9_.-]+: [0-9]+ passed, [0-9]+ failed$'

# count LINE: keeps a suite line for the summary and counts its failures.
count() {
  SUMMARY+=("$1")
  [ "$(echo "$1" | sed -E 's/.*, ([0-9]+) failed$/\1/')" -eq 0 ] || FAILURES=$((FAILURES + 1))
}

# record LINE: count, and print the line.
record() {
  count "$1"
  echo "$1"
}

# build NAME DIR CMAKE-ARGS...: configures and builds (only the targets
# named in TARGETS when set), going on past a target that fails so the others
# can still be tested; a failure becomes a failed "build-NAME" suite (the
# errors are printed).
build() {
  local name="$1" dir="$2" start=$SECONDS built=0 targets=()
  shift 2
  [ -z "${TARGETS:-}" ] || read -r -a targets <<<"--target $TARGETS"
  echo "== building $name ($dir)"
  cmake -S "$ROOT" -B "$dir" "$@" >"$LOGS/build-$name.log" 2>&1 &&
    nice -n "${NICENESS:-0}" cmake --build "$dir" -j2 "${targets[@]}" -- -k >>"$LOGS/build-$name.log" 2>&1 && built=1
  took "build-$name" "$start"
  [ $built -eq 0 ] || return 0
  grep -E 'error|Error' "$LOGS/build-$name.log" | head -n 20
  record "build-$name: 0 passed, 1 failed"
  return 1
}

# gtest_suite NAME BINARY: runs a GoogleTest binary and reads its counts.
gtest_suite() {
  local name="$1" binary="$2" log="$LOGS/$1.log" start=$SECONDS
  echo "== $name"
  # Only a binary that is up to date with the sources is tested (the full
  # build went on past failures; this is a quick check that it built).
  if ! cmake --build "$(dirname "$binary")" --target "$(basename "$binary")" -j2 >/dev/null 2>&1 ||
    [ ! -x "$binary" ]; then
    echo "$name: $binary was not built"
    record "$name: 0 passed, 1 failed"
    return
  fi
  # The limit only guards the run against a test that never returns.
  timeout "$GTEST_LIMIT" "$binary" --gtest_color=no >"$log" 2>&1
  local status=$?
  local passed failed
  passed="$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n 1)"
  failed="$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:.*/\1/p' "$log" | tail -n 1)"
  if [ -z "$passed" ] && [ -z "$failed" ]; then
    # Crashed, stopped by a sanitizer or timed out before its own summary:
    # count what finished, and the test that was running as failed.
    passed="$(grep -cE '^\[       OK \] ' "$log")"
    failed=$(($(grep -cE '^\[  FAILED  \] [A-Za-z_].* \([0-9]+ ms\)$' "$log") + 1))
    [ $status -eq 124 ] && echo "$name: stopped after ${GTEST_LIMIT}s"
    grep -E '^\[ RUN      \] ' "$log" | tail -n 1 | sed 's/^\[ RUN      \]/  unfinished:/'
    tail -n 20 "$log"
  fi
  passed="${passed:-0}"
  failed="${failed:-0}"
  if [ "$failed" -gt 0 ]; then
    grep -E '^\[  FAILED  \] [A-Za-z_].* \([0-9]+ ms\)$' "$log" | sort -u
  fi
  if [ $status -ne 0 ] && [ "$failed" -eq 0 ]; then
    tail -n 30 "$log"
    failed=1
  fi
  record "$name: $passed passed, $failed failed"
  took "$name" "$start"
}

# script_suite NAME SCRIPT: runs a suite script that prints its own lines.
script_suite() {
  local name="$1" script="$2" log="$LOGS/$1.log" start=$SECONDS
  [ -f "$script" ] || return 0
  echo "== $name"
  timeout "$SCRIPT_LIMIT" nice -n "${NICENESS:-0}" bash "$script" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  took "$name" "$start"
  local lines
  lines="$(grep -E "$SUITE_LINE" "$log")"
  if [ -z "$lines" ]; then
    SUMMARY+=("$name: 0 passed, 1 failed")
    FAILURES=$((FAILURES + 1))
    return
  fi
  local line failed_before=$FAILURES
  while IFS= read -r line; do count "$line"; done <<<"$lines"
  # A script that fails while its lines show no failure still fails the run.
  if [ $status -ne 0 ] && [ $FAILURES -eq $failed_before ]; then
    SUMMARY+=("$name-status: 0 passed, 1 failed")
    FAILURES=$((FAILURES + 1))
  fi
}

# background_suite NAME SCRIPT: script_suite beside the suites that follow;
# end_background prints its output and counts its lines.
background_suite() {
  (
    SUMMARY=() TIMES=()
    script_suite "$1" "$2" >/dev/null
    printf '%s\n' "${SUMMARY[@]}" >"$LOGS/$1.lines"
    printf '%s\n' "${TIMES[@]}" >"$LOGS/$1.times"
  ) &
  BACKGROUND=("$1" $!)
}

end_background() {
  [ ${#BACKGROUND[@]} -gt 0 ] || return 0
  local name="${BACKGROUND[0]}" line
  wait "${BACKGROUND[1]}"
  echo "== $name"
  cat "$LOGS/$name.log"
  while IFS= read -r line; do count "$line"; done <"$LOGS/$name.lines"
  mapfile -t -O ${#TIMES[@]} TIMES <"$LOGS/$name.times"
  BACKGROUND=()
}

# Every suite runs even when a build failed: the failed build is counted,
# and each suite reports what it is missing.
# Each tree builds what the run uses of it. The unit suite runs once, in the
# sanitizer tree; the plain (Release) tree is the one the README's builder
# gets, and serves setup-plan, the contract and the fault driver.
TARGETS="setup-plan plan_tests plan_reg_compare contract_host fault_roads" build host "$HOST_BUILD"
wants e2e && build win32 "$WIN32_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release
# The end-to-end suite, the longest, mostly waits on Wine, timers and the
# stubs: it runs beside the rest of the run, and its output comes last. The
# sanitizer build and the fuzzing beside it give way on the processors
# (NICENESS), since the scenarios time what the launcher does.
BACKGROUND=()
wants e2e && background_suite e2e-wine "$ROOT/tests/e2e/run.sh"
wants host && TARGETS="unit_tests fault_roads" NICENESS=10 build host-asan "$ASAN_BUILD" -DSANITIZE=ON

if [ "$PART" = all ]; then
  # The built Setup.exe itself: size, header, imports, instructions, resources.
  script_suite binary "$ROOT/tests/binary/check.sh"
  script_suite resources "$ROOT/tests/resources/run.sh"
  script_suite resources-wine "$ROOT/tests/resources/run-wine.sh"
fi

if wants host; then
  gtest_suite unit "$ASAN_BUILD/unit_tests"
  script_suite faults "$ROOT/tests/faults/run.sh"
  script_suite bad-input "$ROOT/tests/check_bad_input.sh"
  script_suite install-deps "$ROOT/tests/install/install_deps_test.sh"
  script_suite setup-plan "$ROOT/tests/plan/run.sh"
  script_suite setup-plan-page "$ROOT/tests/plan/run-page.sh"
  # Each fuzz target for a few seconds (its own clang build in build/fuzz).
  NICENESS=10 script_suite fuzz "$ROOT/tests/fuzz/smoke.sh"
fi

xvfb_ensure || echo "warning: no X server; window tests will fail"
trap xvfb_stop EXIT

if [ "$PART" = all ]; then
  script_suite contract "$ROOT/tests/contract/run.sh"
  script_suite setup-plan-wine "$ROOT/tests/plan/run-wine.sh"
  script_suite devices-wine "$ROOT/tests/wine/run.sh"
fi
# Reproducible, branded and signed builds of Setup.exe.
[ "$PART" != all ] || script_suite release "$ROOT/tests/binary/release.sh"
end_background

xvfb_stop

# leftovers: nothing may outlive the run: no mount below build/ (a prefix's
# overlay) and none of the run's processes (Wine servers, X servers,
# programs). What is found is named, counted as a failure and cleared away.
# A Wine server and its system processes (rpcss, services) end by themselves
# a few seconds after the last program of their prefix: they are given ten.
marked_processes() {
  local env pid
  for env in /proc/[0-9]*/environ; do
    pid="${env#/proc/}" && pid="${pid%/environ}"
    [ "$pid" != $$ ] && { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qxF "TEST_RUN_MARK=$TEST_RUN_MARK" &&
      echo "$pid"
  done
}
leftovers() {
  local mounts pids pid tries
  mounts="$(findmnt -rn -o TARGET 2>/dev/null | grep -F "$ROOT/build/")"
  for tries in $(seq 1 10); do
    pids="$(marked_processes)"
    [ -n "$pids" ] || break
    sleep 1
  done
  if [ -z "$mounts$pids" ]; then
    record "leftovers: 1 passed, 0 failed"
    return
  fi
  for pid in $pids; do
    echo "left running: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" \
      "$({ tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep '^WINEPREFIX=')"
  done
  [ -z "$mounts" ] || echo "left mounted: $mounts"
  # shellcheck disable=SC2086
  [ -z "$pids" ] || kill $pids 2>/dev/null
  echo "$mounts" | sort -r | while read -r mount; do [ -z "$mount" ] || umount -l "$mount"; done
  record "leftovers: 0 passed, 1 failed"
}
# (Written to a file: a pipe's reader would be one of the run's processes.)
(export -n TEST_RUN_MARK && leftovers) >"$LOGS/leftovers.log" 2>&1
cat "$LOGS/leftovers.log"
count "$(grep -E "$SUITE_LINE" "$LOGS/leftovers.log" || echo "leftovers: 0 passed, 1 failed")"

echo
echo "== summary"
for line in "${SUMMARY[@]}"; do
  echo "$line"
done
echo "== time"
took "whole run" 0
printf '%s\n' "${TIMES[@]}"
if [ $FAILURES -ne 0 ]; then
  echo "FAILED: $FAILURES suite(s) with failures (logs in build/test-logs/)"
  # The logs stay on the machine that ran; what made each suite fail is
  # repeated here, last in the output, so a remote run shows it too.
  for line in "${SUMMARY[@]}"; do
    case "$line" in *", 0 failed") continue ;; esac
    log="$LOGS/${line%%:*}.log"
    [ -f "$log" ] || continue
    echo "== why ${line%%:*} failed"
    grep -E -i 'fail|error|broken|finding|unfinished|stopped|differ|timeout|^Base64: ' "$log" |
      grep -v -E ', 0 failed$|findings=0$' | tail -n 25
  done
  exit 1
fi
echo "All suites passed."
