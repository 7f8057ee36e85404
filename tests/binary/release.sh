#!/usr/bin/env bash
# What a package builder does with the built Setup.exe, checked: a second
# build from a copy of the sources in another folder is the same byte for
# byte; a build branded through the CMake cache variables carries the brand
# (suite binary-branded); the file signed with a throwaway certificate
# verifies, passes the binary checks (binary-signed) and runs one end-to-end
# scenario under Wine (e2e-signed). Prints those suites' lines and its own
# PASS/FAIL lines with "release: N passed, N failed".
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
  [ -z "$2" ] && { echo "PASS $1"; PASSED=$((PASSED + 1)); return; }
  echo "FAIL $1: $2"
  FAILED=$((FAILED + 1))
}
finish() {
  echo "release: $PASSED passed, $FAILED failed"
  [ "$FAILED" -eq 0 ]
  exit
}
[ -f "$WIN32_BUILD/Setup.exe" ] || { result release "$WIN32_BUILD/Setup.exe not built"; finish; }
rm -rf "$WORK"
mkdir -p "$WORK"

# ---- the same file from the sources (tracked and new) in another folder ------
copy="$WORK/another folder/sources"
mkdir -p "$copy"
(cd "$REPO" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy" 2>>"$LOG")
build_setup() { # build_setup DIR CMAKE-ARGS...: configures the copy into DIR and builds Setup
  local dir="$1"
  shift
  cmake -S "$copy" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    "$@" >>"$LOG" 2>&1 && cmake --build "$dir" -j2 --target Setup >>"$LOG" 2>&1
}
problem="the copy did not build (see $LOG)"
build_setup "$WORK/another folder/build" && problem="$(cmp "$WIN32_BUILD/Setup.exe" "$WORK/another folder/build/Setup.exe")"
result "reproducible: a build in another folder is the same file" "$problem"

# ---- branded, and a brand that cannot stand in a resource string refused -----
branded="$WORK/branded"
build_setup "$branded" -DSETUP_COMPANY="Exämple Print Ltd" -DSETUP_PRODUCT_NAME="Example Suite" \
  -DSETUP_FILE_VERSION=2.1.0.7 -DSETUP_PRODUCT_VERSION=2.1.0.0 -DSETUP_COPYRIGHT="© 2026 Exämple Print Ltd" \
  -DSETUP_MANIFEST_NAME=Example.Print.Setup || result "branded build" "did not build (see $LOG)"
bash "$HERE/check.sh" "$branded/Setup.exe" | sed 's/^binary:/binary-branded:/'
! build_setup "$WORK/refused" -DSETUP_COMPANY='Say "hi"'
result "a quotation mark in the brand is refused" "$([ $? -eq 0 ] || echo configured)"

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
BRAND_CACHE="$WIN32_BUILD/CMakeCache.txt" bash "$HERE/check.sh" "$signed/Setup.exe" | sed 's/^binary:/binary-signed:/'
WIN32_BUILD="$signed" E2E_ONLY='scenario_handoff winxp' E2E_RUN_DIR="$WORK/e2e" bash "$REPO/tests/e2e/run.sh" |
  sed 's/^e2e-wine:/e2e-signed:/'
finish
