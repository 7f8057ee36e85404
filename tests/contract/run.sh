#!/usr/bin/env bash
# Contract tests: the same test bodies against the simulated Windows (host
# build) and against real Win32 under Wine (mingw-w64 build), in a fresh
# prefix. The Wine side runs once in en_US (code page 1252) and again, for
# the tests that need them, in ja_JP (932), zh_CN (936) and ko_KR (949).
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
# wine_suite NAME BINARY [PLANTED...]: runs BINARY in a fresh prefix, once
# per locale, and prints the suite line NAME. Each PLANTED library is put
# beside BINARY, and Wine told to prefer it to its own where a library of
# that name is loaded by bare name.
wine_suite() {
  local name="$1" win_bin="$2" log="$WORK/$1.log"
  shift 2
  : >"$log"
  if [ -f "$win_bin" ]; then
    wine_env
    if wine_new_prefix "$WORK/pfx"; then
      xvfb_ensure || true
      local exe planted
      mkdir -p "$WORK/$name"
      exe="$WORK/$name/$(basename "$win_bin")"
      cp -f "$win_bin" "$exe"
      for planted in "$@"; do
        cp -f "$planted" "$WORK/$name/"
        WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$(basename "${planted%.*}")=n,b"
      done
      # locale, and the tests that run in it (all of them in the first)
      local runs=("en_US.UTF-8:" "ja_JP.UTF-8:932,Mbcs_Setmbcp" "zh_CN.UTF-8:936,Mbcs_Setmbcp"
        "ko_KR.UTF-8:949,Mbcs_Setmbcp")
      local run locale filter args
      for run in "${runs[@]}"; do
        locale="${run%%:*}"
        filter="${run#*:}"
        args=()
        [ -n "$filter" ] && args=(--filter "$filter")
        echo "$name: LANG=$locale ${filter:+--filter $filter}" >&2
        LANG="$locale" LC_ALL="$locale" run_binary "$WORK/$name-${locale%%.*}.log" wine "$exe" "${args[@]}"
        cat "$WORK/$name-${locale%%.*}.log" >>"$log"
      done
      wine_stop
      xvfb_stop
    else
      echo "RUN-BROKEN no Wine prefix" >>"$log"
    fi
  else
    echo "contract: no $win_bin (build the Win32 tree first)" >&2
    echo "RUN-BROKEN $win_bin missing" >>"$log"
  fi
  local wp wf wtodo
  read -r wp wf wtodo < <(tally <"$log")
  [ -n "$wtodo" ] && echo "$name: known Wine differences (todo_wine):$wtodo" >&2
  suite_result "$name" "$wp" "$wf" || status=1
}

wine_suite contract-wine "$WIN32_BUILD/contract_win32.exe"
# The multibyte tests against the launcher's own routines (Setup.exe links
# no msvcrt), where Wine's msvcrt differences do not apply, and the tests of
# the rest of its own runtime (own_runtime.cpp), with imagehlp.dll and
# dbghelp.dll planted.
wine_suite contract-runtime-wine "$WIN32_BUILD/contract_runtime_win32.exe" \
  "$WIN32_BUILD/runtime_test/planted/imagehlp.dll" "$WIN32_BUILD/runtime_test/planted/dbghelp.dll"
exit $status
