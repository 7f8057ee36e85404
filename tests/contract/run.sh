#!/usr/bin/env bash
# Contract tests: the same test bodies against the simulated Windows (host
# build) and against real Win32 under Wine (mingw-w64 build), in a fresh
# prefix. The Wine side runs once in en_US (code page 1252) and again, for
# the tests that need them, in ja_JP (932), zh_CN (936), ko_KR (949), ru_RU
# (1251) and pl_PL (1250).
# A test counts as failed if it fails in any run, and also if it was skipped
# in every run (its code page never came up, so nothing was checked).
# Checks marked todo_wine (Wine known to differ from Windows) are listed and
# counted as neither passed nor failed.
# Env: HOST_BUILD (default build/host), WIN32_BUILD (default build/win32).
set -u
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$REPO" || exit 1
HOST_BUILD="${HOST_BUILD:-build/host}"
WIN32_BUILD="${WIN32_BUILD:-build/win32}"
# shellcheck source=../e2e/wine_lib.sh
source "$REPO/tests/e2e/wine_lib.sh"

WORK="$WINE_WORK/contract-run"
mkdir -p "$WORK"

# Reads "PASS|FAIL|SKIP|TODO name" lines of one or more runs on stdin and
# prints "passed failed todo-names" for the tests as a whole.
tally() {
  awk '
    /^(PASS|FAIL|SKIP|TODO) / {
      name = $2; sub(/:$/, "", name)
      seen[name] = 1
      if ($1 == "FAIL") failed[name] = 1
      if ($1 == "PASS") passed[name] = 1
      if ($1 == "TODO") todo[name] = 1
    }
    /^RUN-BROKEN / { broken++ }
    END {
      p = 0; f = broken + 0; t = ""
      for (n in seen) {
        if (n in failed) f++
        else if (n in passed) p++
        else if (n in todo) t = t " " n
        else { f++; print "never ran (skipped in every run): " n > "/dev/stderr" }
      }
      print p, f, t
    }'
}

# Runs one test binary; its output goes to stdout with a RUN-BROKEN line when
# it ended without its summary (crashed, or could not start).
run_binary() {
  local log="$1"; shift
  "$@" 2>&1 | tr -d '\r' >"$log"
  grep -q '^contract: ' "$log" || echo "RUN-BROKEN $*" >>"$log"
  grep -E '^(FAIL|TODO|RUN-BROKEN)|^    ' "$log" >&2
}

status=0

# ---- host: against the simulator -------------------------------------------------
host_bin="$HOST_BUILD/contract_host"
if [ -x "$host_bin" ]; then
  run_binary "$WORK/host.log" "$host_bin"
else
  echo "contract: no $host_bin (build the host tree first)" >&2
  echo "RUN-BROKEN $host_bin missing" >"$WORK/host.log"
fi
read -r hp hf htodo < <(tally <"$WORK/host.log")
[ -n "$htodo" ] && echo "contract-host: todo:$htodo" >&2
suite_result contract-host "$hp" "$hf" || status=1

# ---- Win32 under Wine ----------------------------------------------------------
# Each binary runs once in en_US (all tests) and once per multibyte code page
# (the tests that need it), every run in a prefix of its own, side by side.
LOCALES=("en_US.UTF-8:" "ja_JP.UTF-8:932,Mbcs_Setmbcp" "zh_CN.UTF-8:936,Mbcs_Setmbcp" "ko_KR.UTF-8:949,Mbcs_Setmbcp"
  "ru_RU.UTF-8:1251" "pl_PL.UTF-8:1250")
SUITES=(contract-wine:contract_win32.exe contract-runtime-wine:contract_runtime_win32.exe)

# wine_run SUITE:BINARY:LOCALE:FILTER: one run; its log is $WORK/SUITE-LANGUAGE.log.
wine_run() {
  local name binary locale filter args=()
  IFS=: read -r name binary locale filter <<<"$1"
  local log="$WORK/$name-${locale%%.*}.log" exe="$WORK/$name-${locale%%.*}/$binary"
  [ -n "$filter" ] && args=(--filter "$filter")
  echo "RUN-BROKEN $name under $locale did not end" >"$log"
  echo "$name: LANG=$locale ${filter:+--filter $filter}" >&2
  if ! wine_new_prefix "$WORK/pfx-$name-${locale%%.*}"; then
    echo "RUN-BROKEN no Wine prefix" >"$log"
    return
  fi
  mkdir -p "${exe%/*}" && cp -f "$WIN32_BUILD/$binary" "$exe"
  # The runtime tests find imagehlp.dll and dbghelp.dll planted beside
  # them, and Wine told to prefer those where a library is loaded by bare name.
  local overrides="$WINEDLLOVERRIDES" planted
  if [ "$name" = contract-runtime-wine ]; then
    for planted in imagehlp dbghelp; do
      cp -f "$WIN32_BUILD/runtime_test/planted/$planted.dll" "${exe%/*}/"
      overrides="$overrides;$planted=n,b"
    done
  fi
  LANG="$locale" LC_ALL="$locale" WINEDLLOVERRIDES="$overrides" run_binary "$log" wine "$exe" "${args[@]}"
  wine_stop
  wine_drop_prefix "$WINEPREFIX"
}

wine_env
rm -f "$WORK"/contract-*.log
runs=()
for suite in "${SUITES[@]}"; do
  if [ -f "$WIN32_BUILD/${suite#*:}" ]; then
    for locale in "${LOCALES[@]}"; do runs+=("$suite:$locale"); done
  else
    echo "contract: no $WIN32_BUILD/${suite#*:} (build the Win32 tree first)" >&2
  fi
done
wine_base_prefix >/dev/null && in_parallel "$WORK/jobs" wine_run "${runs[@]}" >&2

# The multibyte tests run against the launcher's own routines too
# (contract-runtime-wine: Setup.exe links no msvcrt), where Wine's msvcrt
# differences do not apply.
for suite in "${SUITES[@]}"; do
  name="${suite%%:*}"
  log="$WORK/$name.log"
  cat "$WORK/$name"-*.log >"$log" 2>/dev/null || echo "RUN-BROKEN $name did not run" >"$log"
  read -r wp wf wtodo < <(tally <"$log")
  [ -n "$wtodo" ] && echo "$name: known Wine differences (todo_wine):$wtodo" >&2
  suite_result "$name" "$wp" "$wf" || status=1
done
exit $status
