#!/usr/bin/env bash
# Holds setup-plan's .reg reader against Wine's regedit: the sample and test
# .reg files are imported in order into a fresh prefix with regedit /S. Then
# (1) every value they name must be listed by "reg query" as our reader has
# it (type and data; ASCII only, reg prints the rest in the OEM code page),
# or be absent where ours is; (2) every key they name is exported again with
# reg export (UTF-16, version 5.00), and the registry our reader builds from
# the files must equal the one it reads back from those exports (this covers
# the non-ASCII texts). Prints "setup-plan-wine: N passed, N failed".
#
# Wine differs from Windows here only in what a fresh prefix already holds
# (e.g. under CurrentVersion); only the keys and values the files name are
# compared, so that does not matter.
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${HOST_BUILD:-$ROOT/build/host}"
COMPARE="$BUILD/plan_reg_compare"
cd "$ROOT" || exit 1
# shellcheck source=tests/e2e/wine_lib.sh
source "$ROOT/tests/e2e/wine_lib.sh"

FILES=(tests/plan/packages/before.reg tests/plan/packages/forms4.reg samples/machines/win98-device.reg
  samples/machines/win98-printer-ready.reg samples/machines/winxp-device.reg samples/machines/earlier-edition.reg
  samples/effects/installer-done.reg samples/effects/uninstaller-done.reg samples/machines/installed.reg)

if ! command -v wine >/dev/null || [ ! -x "$COMPARE" ]; then
  echo "setup-plan-wine: wine or $COMPARE missing"
  echo "setup-plan-wine: 0 passed, 1 failed"
  exit 1
fi
export LANG=en_US.UTF-8  # code page 1252, as the reader is posed
wine_new_prefix "$WINE_WORK/wine/plan-reg" || {
  echo "setup-plan-wine: 0 passed, 1 failed"
  exit 1
}
OUT="$WINE_WORK/plan-reg-exports"
rm -rf "$OUT" && mkdir -p "$OUT"

passed=0
failed=0
for f in "${FILES[@]}"; do
  if wine regedit /S "$(winepath -w "$ROOT/$f" 2>/dev/null)" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    echo "regedit could not import $f"
    failed=$((failed + 1))
  fi
done
# (1) reg query, one key at a time.
declare -A LISTED
while IFS=$'\t' read -r key expect; do
  if [ -z "${LISTED[$key]+set}" ]; then
    LISTED[$key]="$(wine reg query "$key" 2>/dev/null | tr -d '\r')"
  fi
  if [ "${expect:0:1}" = - ]; then
    if echo "${LISTED[$key]}" | grep -qF -- "    ${expect:1}    "; then
      echo "$key: regedit kept ${expect:1}, ours has none"
      failed=$((failed + 1))
      continue
    fi
  elif ! echo "${LISTED[$key]}" | grep -qxF -- "$expect"; then
    echo "$key: ours has \"$expect\", reg query lists:"
    echo "${LISTED[$key]}" | sed 's/^/  /'
    failed=$((failed + 1))
    continue
  fi
  passed=$((passed + 1))
done < <("$COMPARE" --query "${FILES[@]}")

# (2) reg export and back.
exports=()
n=0
while IFS= read -r key; do
  n=$((n + 1))
  # A key regedit deleted, or never had, is not exported: it reads as absent.
  wine reg query "$key" >/dev/null 2>&1 || continue
  wine reg export "$key" "$(winepath -w "$OUT/$n.reg" 2>/dev/null)" /y >/dev/null 2>&1
  exports+=("$OUT/$n.reg")
done < <("$COMPARE" --keys "${FILES[@]}")
wine_stop
wine_drop_prefix "$WINEPREFIX"

if "$COMPARE" "${FILES[@]}" -- "${exports[@]}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi
echo "setup-plan-wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
