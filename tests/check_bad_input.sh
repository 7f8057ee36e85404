#!/usr/bin/env bash
# Keeps tests/BAD_INPUT.md in step with the tests: every row of its table
# names at least one test, and every named test exists in the sources.
# Prints "bad-input: N passed, N failed", one count per row.
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TABLE="$ROOT/tests/BAD_INPUT.md"

# exists REF: whether the test named by REF (unit:, contract:, e2e:, plan: or
# plan-unit:) is defined.
exists() {
  local kind="${1%%:*}" name="${1#*:}"
  case "$kind" in
    unit)
      grep -qE "^TEST(_F|_P)?\(${name%%.*}, ${name#*.}\)" "$ROOT"/tests/unit/*.cpp ;;
    contract)
      grep -qE "^CONTRACT_TEST\($name\)" "$ROOT"/tests/contract/*_contract.cpp ;;
    e2e)
      grep -qE "^$name\(\)" "$ROOT"/tests/e2e/scenarios/*.sh ;;
    plan)
      [ -f "$ROOT/tests/plan/cases/$name.args" ] && [ -f "$ROOT/tests/plan/golden/$name.txt" ] ;;
    plan-unit)
      grep -qE "^TEST(_F|_P)?\(${name%%.*}, ${name#*.}\)" "$ROOT"/tests/plan/*_test.cpp ;;
    *) return 1 ;;
  esac
}

passed=0
failed=0
while IFS= read -r row; do
  refs="$(echo "$row" | grep -oE '`(unit|contract|e2e|plan|plan-unit):[A-Za-z0-9_.-]+`' | tr -d '`')"
  ok=1
  if [ -z "$refs" ]; then
    echo "no test named: $row"
    ok=0
  fi
  for ref in $refs; do
    if ! exists "$ref"; then
      echo "no such test: $ref"
      ok=0
    fi
  done
  if [ $ok -eq 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done < <(grep -E '^\| ' "$TABLE" | grep -vE '^\| Input \|')

echo "bad-input: $passed passed, $failed failed"
[ $failed -eq 0 ]
