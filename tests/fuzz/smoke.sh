#!/usr/bin/env bash
# The fuzz smoke test of the test run: every target for FUZZ_SMOKE_SECONDS
# (default 3) through run.sh, one after another. Prints one line per target
# and the suite line "fuzz: N passed, N failed".
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
TARGETS=(info_file command_line registry_values inf_heads window_titles plan_reg_file plan_compare plan_check)
passed=0
failed=0
# All targets built at once (their shared libraries once, both cores busy),
# before any runs; run.sh then finds each up to date.
bash "$HERE/run.sh" --build "${TARGETS[@]}"
for target in "${TARGETS[@]}"; do
  if bash "$HERE/run.sh" "$target" "${FUZZ_SMOKE_SECONDS:-3}"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
