#!/usr/bin/env bash
# Golden tests of setup-plan, then its GoogleTest suite (plan_tests).
# Each tests/plan/cases/NAME.args holds the arguments, one a line, with paths
# relative to the repository root; the output (stdout and stderr, then the
# exit status) must equal tests/plan/golden/NAME.txt. UPDATE=1 rewrites the
# golden files instead. "@STATE@" in the arguments stands for a state file
# that the cases NAME.1, NAME.2, ... share (fresh for each run of this
# script), "@FIFO@" for a named pipe, "@USB2000@" for a machine's 2,000
# other USB devices. Prints "setup-plan: N passed, N failed".
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${HOST_BUILD:-$ROOT/build/host}"
PLAN="$BUILD/setup-plan"
cd "$ROOT" || exit 1
passed=0
failed=0

if [ ! -x "$PLAN" ]; then
  echo "setup-plan: $PLAN was not built"
  echo "setup-plan: 0 passed, 1 failed"
  exit 1
fi

STATES=build/plan-state
rm -rf "$STATES" && mkdir -p "$STATES"
# "@FIFO@" stands for a named pipe no one writes to: reading it would block.
mkfifo "$STATES/pipe.reg"
# "@USB2000@": a 98 machine's 2,000 other USB devices, each with an instance.
awk 'BEGIN { printf "REGEDIT4\r\n\r\n"
  for (i = 0; i < 2000; i++) printf "[HKEY_LOCAL_MACHINE\\Enum\\USB\\VID_%04X&PID_0001\\%d]\r\n\"Class\"=\"HID\"\r\n\r\n", i + 4096, i }' \
  >"$STATES/usb2000.reg"

# "@WITHOUT:ITEM@": a copy of the sample package without ITEM, a file
# (Util\CloseDlg.exe), a key of InstallInfo.ini (PDIENTRY) or a section
# header ([UNINSTALL]).
without() {
  local dir="$STATES/without-${1//[^A-Za-z0-9.]/_}"
  rm -rf "$dir" && cp -r samples/sample-package "$dir"
  case "$1" in
    \[*) grep -viF "$1" samples/sample-package/InstallInfo.ini >"$dir/InstallInfo.ini" ;;
    *.*) rm "$dir/${1//\\//}" ;;
    *) grep -vi "^$1=" samples/sample-package/InstallInfo.ini >"$dir/InstallInfo.ini" ;;
  esac
  echo "$dir"
}

for args_file in tests/plan/cases/*.args; do
  name="$(basename "$args_file" .args)"
  golden="tests/plan/golden/$name.txt"
  mapfile -t args <"$args_file"
  args=("${args[@]//@STATE@/$STATES/${name%%.*}.reg}")
  args=("${args[@]//@FIFO@/$STATES/pipe.reg}")
  args=("${args[@]//@USB2000@/$STATES/usb2000.reg}")
  [[ "${args[*]}" =~ @WITHOUT:([^@]*)@ ]] && args=("${args[@]//"${BASH_REMATCH[0]}"/$(without "${BASH_REMATCH[1]}")}")
  # The limit turns a hang (a pipe read, a wait that never ends) into a failure.
  got="$(timeout 60 "$PLAN" "${args[@]}" 2>&1; echo "exit $?")"
  if [ "${UPDATE:-0}" = 1 ]; then
    printf '%s\n' "$got" >"$golden"
    passed=$((passed + 1))
  elif [ -f "$golden" ] && [ "$got" = "$(cat "$golden")" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL $name"
    diff <(printf '%s\n' "$got") "$golden" | head -n 20
    failed=$((failed + 1))
  fi
done

# The README's two examples are the real output of their commands.
readme_example() { # readme_example NAME ARGS...: the output must stand whole in README.md
  local name="$1" out
  shift
  out="$("$PLAN" "$@" 2>&1)"
  if [[ "$(cat README.md)" == *"$out"* ]]; then
    passed=$((passed + 1))
  else
    echo "FAIL README example: $name is not the output of setup-plan $*"
    failed=$((failed + 1))
  fi
}
readme_example plan --release win98 --reg samples/machines/win98-device.reg \
  --at '3000=samples/machines/win98-printer-ready.reg' \
  --effect 'Install\Setup.exe=samples/effects/installer-done.reg' --runs 2 samples/sample-package
readme_example check --check tests/plan/packages/planted

if [ -x "$BUILD/plan_tests" ]; then
  log="$(mktemp)"
  "$BUILD/plan_tests" --gtest_color=no >"$log" 2>&1
  ok="$(grep -cE '^\[       OK \] ' "$log")"
  bad="$(grep -cE '^\[  FAILED  \] [A-Za-z_].* \([0-9]+ ms\)$' "$log")"
  grep -E '^\[  FAILED  \] [A-Za-z_].* \([0-9]+ ms\)$' "$log"
  [ "$ok" -gt 0 ] || { tail -n 20 "$log"; bad=$((bad + 1)); }
  passed=$((passed + ok))
  failed=$((failed + bad))
  rm -f "$log"
else
  echo "setup-plan: $BUILD/plan_tests was not built"
  failed=$((failed + 1))
fi

echo "setup-plan: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
