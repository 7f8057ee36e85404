#!/usr/bin/env bash
# Runs one fuzz target for a given time:  tests/fuzz/run.sh TARGET SECONDS
# TARGET is info_file, command_line, registry_values, inf_heads,
# window_titles, or one of setup-plan's readers plan_reg_file, plan_compare,
# plan_check (with or without the _fuzz suffix). Builds the clang tree
# build/fuzz (ASan, UBSan, libFuzzer) when needed, fuzzes from the seeds in
# tests/fuzz/corpus/TARGET plus the working corpus build/fuzz/corpus/TARGET,
# one process, and ends with the line "fuzz-TARGET: runs=N findings=N".
# A finding is written to build/fuzz/findings/; add it to the seeds once fixed.
# Exit status: 0 without findings.
#   tests/fuzz/run.sh --build TARGET...   only builds the targets, all at once.
set -u
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${FUZZ_BUILD:-$REPO/build/fuzz}"

# build LOG TARGET...: configures the tree when needed and builds the targets.
build() {
  local log="$1"
  shift
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$REPO" -B "$BUILD" -DFUZZ=ON -DSANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      >"$BUILD.configure.log" 2>&1 || { tail -n 20 "$BUILD.configure.log"; return 2; }
  fi
  cmake --build "$BUILD" -j2 --target "$@" >"$log" 2>&1 || { grep -E 'error' "$log" | head -n 20; return 2; }
}

if [ "${1:-}" = --build ]; then
  shift
  set -- "${@%_fuzz}"
  build "$BUILD.targets.build.log" "${@/%/_fuzz}"
  exit
fi
TARGET="${1:?usage: run.sh TARGET SECONDS}"
TARGET="${TARGET%_fuzz}_fuzz"
SECONDS_GIVEN="${2:?usage: run.sh TARGET SECONDS}"
build "$BUILD/$TARGET.build.log" "$TARGET" || exit 2

work="$BUILD/corpus/$TARGET"
findings="$BUILD/findings"
mkdir -p "$work" "$findings"
log="$BUILD/$TARGET.log"
# -timeout: a run that takes seconds has hung (the virtual clock makes every
# wait instant); -rss_limit_mb guards the shared machine.
# With -jobs libFuzzer logs the worker to fuzz-0.log in the current folder:
# one folder per target, so that two targets can run at once.
here="$BUILD/jobs/$TARGET"
mkdir -p "$here" && cd "$here" || exit 2
"$BUILD/$TARGET" -jobs=1 -workers=1 -max_total_time="$SECONDS_GIVEN" -timeout=10 -rss_limit_mb=1024 \
  -print_final_stats=1 -artifact_prefix="$findings/$TARGET-" "$work" "$REPO/tests/fuzz/corpus/$TARGET" >"$log" 2>&1
status=$?
cat "$here/fuzz-0.log" >>"$log" 2>/dev/null
rm -f "$here/fuzz-0.log"
runs="$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)"
found=0
if [ $status -ne 0 ]; then
  found=1
  grep -E 'ERROR|invariant broken|SUMMARY|Test unit written|^Base64: ' "$log" | head -n 8
fi
echo "fuzz-${TARGET%_fuzz}: runs=${runs:-0} findings=$found"
exit $found
