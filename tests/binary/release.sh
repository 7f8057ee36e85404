#!/usr/bin/env bash
# What a package builder does with the built Setup.exe, checked: a second
# build from a copy of the sources in another folder is the same byte for
# byte; a build branded through the CMake cache variables carries the brand;
# the file signed with a throwaway certificate verifies, passes the binary
# checks and runs one end-to-end scenario under Wine. One PASS/FAIL line per
# check and "release: N passed, N failed".
# Env: WIN32_BUILD (default build/win32, already built).
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/../.." && pwd)"
WIN32_BUILD="${WIN32_BUILD:-$REPO/build/win32}"
WORK="$REPO/build/release"
LOG="$WORK/release.log"

PASSED=0
FAILED=0
result() { # result NAME PROBLEM: PASS when PROBLEM is empty
  if [ -z "$2" ]; then
    echo "PASS $1"
    PASSED=$((PASSED + 1))
  else
    echo "FAIL $1: $2"
    FAILED=$((FAILED + 1))
  fi
}
# lines_of SUITE PREFIX: a suite's PASS/FAIL lines under PREFIX, counted here.
# A suite that printed no such line counts as failed.
lines_of() {
  local line seen=0
  while IFS= read -r line; do
    case "$line" in
      PASS\ *) result "$2: ${line#PASS }" "" ;;
      FAIL\ *) result "$2: ${line#FAIL }" "${line#FAIL }" ;;
      *) continue ;;
    esac
    seen=$((seen + 1))
  done
  [ $seen -gt 0 ] || result "$2" "no result from $1"
}

if [ ! -f "$WIN32_BUILD/Setup.exe" ]; then
  result "release" "$WIN32_BUILD/Setup.exe not built"
  echo "release: $PASSED passed, $FAILED failed"
  exit 1
fi
rm -rf "$WORK"
mkdir -p "$WORK"

# ---- the same file from another folder --------------------------------------
# The sources as they stand (tracked and new files), in a folder of another
# name and depth, built as the test run builds them.
copy="$WORK/another folder/sources"
mkdir -p "$copy"
(cd "$REPO" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy" 2>>"$LOG")
build_setup() { # build_setup DIR CMAKE-ARGS...: configures the copy into DIR and builds Setup
  local dir="$1"
  shift
  cmake -S "$copy" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    "$@" >>"$LOG" 2>&1 && cmake --build "$dir" -j2 --target Setup >>"$LOG" 2>&1
}
problem=""
if ! build_setup "$WORK/another folder/build"; then
  problem="the copy did not build (see $LOG)"
elif ! cmp -s "$WIN32_BUILD/Setup.exe" "$WORK/another folder/build/Setup.exe"; then
  problem="$(cmp -l "$WIN32_BUILD/Setup.exe" "$WORK/another folder/build/Setup.exe" | wc -l) bytes differ"
fi
result "reproducible: a build in another folder is the same file" "$problem"
result "no build path in Setup.exe" \
  "$(grep -aoF -e "$REPO" -e "$WIN32_BUILD" "$WIN32_BUILD/Setup.exe" | head -n 1)"

# ---- branded -------------------------------------------------------------------
branded="$WORK/branded"
if build_setup "$branded" -DSETUP_COMPANY="Exämple Print Ltd" -DSETUP_PRODUCT_NAME="Example Suite" \
  -DSETUP_FILE_VERSION=2.1.0.7 -DSETUP_PRODUCT_VERSION=2.1.0.0 -DSETUP_COPYRIGHT="© 2026 Exämple Print Ltd" \
  -DSETUP_MANIFEST_NAME=Example.Print.Setup; then
  lines_of check branded < <(bash "$HERE/check.sh" "$branded/Setup.exe" 2>&1 |
    grep -E '^(PASS|FAIL) (version information|manifest)')
else
  result "branded build" "did not build (see $LOG)"
fi
# A brand that cannot stand in a resource string is refused at configure time.
cmake -S "$copy" -B "$WORK/refused" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" \
  -DSETUP_COMPANY='Say "hi"' >>"$LOG" 2>&1
result "a quotation mark in the brand is refused" "$([ $? -ne 0 ] || echo "configured")"

# ---- signed ----------------------------------------------------------------------
signed="$WORK/signed"
mkdir -p "$signed"
ln -s "$WIN32_BUILD/helpers" "$signed/helpers"
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Throwaway Package Builder" -days 2 \
  -keyout "$WORK/key.pem" -out "$WORK/cert.pem" >>"$LOG" 2>&1 &&
  osslsigncode sign -certs "$WORK/cert.pem" -key "$WORK/key.pem" -n Setup -h sha256 \
    -in "$WIN32_BUILD/Setup.exe" -out "$signed/Setup.exe" >>"$LOG" 2>&1
result "signed with a throwaway certificate" "$([ -f "$signed/Setup.exe" ] || echo "osslsigncode sign failed")"
osslsigncode verify -CAfile "$WORK/cert.pem" -in "$signed/Setup.exe" >>"$LOG" 2>&1
result "signature verifies" "$([ $? -eq 0 ] || echo "osslsigncode verify failed")"
# One byte changed after signing: the signature no longer holds.
cp "$signed/Setup.exe" "$WORK/tampered.exe"
printf 'X' | dd of="$WORK/tampered.exe" bs=1 seek=1024 conv=notrunc 2>/dev/null
osslsigncode verify -CAfile "$WORK/cert.pem" -in "$WORK/tampered.exe" >>"$LOG" 2>&1
result "a changed byte fails verification" "$([ $? -ne 0 ] || echo "verified")"
# (Fed through process substitution, not a pipe: the counts live in this shell.)
lines_of check signed < <(BRAND_CACHE="$WIN32_BUILD/CMakeCache.txt" bash "$HERE/check.sh" "$signed/Setup.exe" 2>&1)
lines_of e2e "signed, under Wine" < <(WIN32_BUILD="$signed" E2E_ONLY=scenario_handoff_fresh_xp \
  bash "$REPO/tests/e2e/run.sh" 2>&1)

echo "release: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
