#!/usr/bin/env bash
# The fuzz smoke test of the test run: every target for FUZZ_SMOKE_SECONDS
# (default 5) through run.sh, one after another. Prints one line per target
# and the suite line "fuzz: N passed, N failed".
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
passed=0
failed=0
for target in info_file command_line registry_values inf_heads window_titles plan_reg_file plan_compare plan_check; do
  if bash "$HERE/run.sh" "$target" "${FUZZ_SMOKE_SECONDS:-5}"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
