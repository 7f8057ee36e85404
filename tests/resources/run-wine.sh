#!/usr/bin/env bash
# Runs wine_lookup.py in a fresh Wine prefix: which of the launcher's
# language blocks Wine's resource lookup picks for each user language.
# Prints "resources-wine: N passed, N failed".
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tests/e2e/wine_lib.sh
source "$HERE/../e2e/wine_lib.sh"
BUILD="${WIN32_BUILD:-$WINE_LIB_REPO/build/win32}"
for file in "$BUILD/Setup.exe" "$BUILD/helpers/res_lookup.exe"; do
  if [ ! -f "$file" ]; then
    echo "missing $file"
    suite_result resources-wine 0 1
    exit 1
  fi
done
wine_new_prefix "$WINE_WORK/wine/resources" || {
  suite_result resources-wine 0 1
  exit 1
}
# One server for every case (each case is a new process in another locale).
wineserver -p
python3 "$HERE/wine_lookup.py" "$BUILD/Setup.exe" "$BUILD/helpers/res_lookup.exe"
status=$?
wine_stop
wine_drop_prefix "$WINE_WORK/wine/resources"
exit $status
