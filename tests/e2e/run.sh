#!/usr/bin/env bash
# End-to-end suite: the real Setup.exe under Wine, headless, in a package
# folder of its own with our stub side programs, one fresh prefix per
# scenario, several side by side (WINE_JOBS at once, by default the cores
# plus one). Prints each scenario's output with its PASS/FAIL line and time,
# in a stable order, the three slowest and the summary line "e2e-wine: P
# passed, F failed"; exit status 0 only when all pass.
#
# Environment: WIN32_BUILD (default build/win32) holds Setup.exe and
# helpers/*.exe; WINE_WORK (default build) receives the prefixes, in
# E2E_RUN_DIR (default $WINE_WORK/wine/e2e). A failing scenario's prefix is
# kept there for inspection.
set -u
shopt -s extglob  # E2E_ONLY may be a pattern such as @(*dialog*|*removal*)

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT" || exit 1
# shellcheck source=tests/e2e/wine_lib.sh
source "$ROOT/tests/e2e/wine_lib.sh"

WIN32_BUILD="${WIN32_BUILD:-build/win32}"
case "$WIN32_BUILD" in /*) ;; *) WIN32_BUILD="$ROOT/$WIN32_BUILD" ;; esac

RUN_DIR="${E2E_RUN_DIR:-$WINE_WORK/wine/e2e}"
HOST_BUILD="${HOST_BUILD:-$ROOT/build/host}"
# shellcheck source=tests/e2e/e2e_lib.sh
source "$ROOT/tests/e2e/e2e_lib.sh"
# Every scenario file defines its scenarios and appends them to E2E_SCENARIOS.
for scenario_file in "$ROOT"/tests/e2e/scenarios/*.sh; do
  # shellcheck source=/dev/null
  source "$scenario_file"
done

# E2E_ONLY=PATTERN runs only the scenarios whose entry matches the pattern.
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
  wine_base_prefix >/dev/null || {
    echo "FAIL e2e-wine: no base prefix"
    suite_result e2e-wine 0 1
    return
  }
  local chosen=() entry
  for entry in "${E2E_SCENARIOS[@]}"; do
    case "$entry" in ${E2E_ONLY:-*}) chosen+=("$entry") ;; esac
  done
  in_parallel "$RUN_DIR/jobs" eval "${chosen[@]}"
  [ ${#JOB_TIMES[@]} -eq 0 ] || echo "slowest:"
  [ ${#JOB_TIMES[@]} -eq 0 ] || printf '%s\n' "${JOB_TIMES[@]}" | sort -rn | head -n 3 | awk '{ t = $1; sub(/^[0-9]+ /, ""); printf "    %.1f s  %s\n", t / 1000, $0 }'
  suite_result e2e-wine "$PASSED" "$FAILED"
}

main
