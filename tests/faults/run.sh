#!/usr/bin/env bash
# Runs the fault driver of the plain and the sanitizer host builds (built by
# run-tests.sh, or here when missing). Prints the driver's per-road lines
# and one suite line per build: "faults: N passed, N failed" and
# "faults-asan: ...", one count per road.
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
HOST_BUILD="${HOST_BUILD:-$ROOT/build/host}"
ASAN_BUILD="${ASAN_BUILD:-$ROOT/build/host-asan}"

status=0
for pair in "faults:$HOST_BUILD" "faults-asan:$ASAN_BUILD"; do
  name="${pair%%:*}"
  dir="${pair#*:}"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    extra=()
    [ "$name" = faults-asan ] && extra=(-DSANITIZE=ON)
    cmake -S "$ROOT" -B "$dir" "${extra[@]}" >/dev/null
  fi
  if ! cmake --build "$dir" --target fault_roads -j2 >/dev/null 2>&1; then
    echo "$name: 0 passed, 1 failed"
    status=1
    continue
  fi
  # A crash or sanitizer finding ends the driver before its summary: the
  # road it was on counts as failed.
  out="$(timeout 600 "$dir/fault_roads" 2>&1)"
  rc=$?
  echo "$out" | sed -E "s/^faults: /$name: /"
  if ! echo "$out" | grep -qE '^faults: [0-9]+ passed, [0-9]+ failed$'; then
    echo "$name: $(echo "$out" | grep -c 'failures=0$') passed, 1 failed (driver ended with status $rc)"
    status=1
  elif [ $rc -ne 0 ]; then
    status=1
  fi
done
exit $status
