# shellcheck shell=bash
# A large machine: the INF purge over 10,000 INF files of which 100 are the
# product's, and the launcher's device search and settling wait over an
# Enum\USB tree of 50,000 keys, each run held against its plan. The folders and the tree are laid out by the scripts
# in tests/e2e/large/.
#
# Wine and Windows: Wine lists a folder sorted by name (FAT lists in creation
# order), and its registry enumerates subkeys sorted by name (Windows 98 in
# creation order): the product's files are spread over the whole run of
# names, and the product's device key is both created last and named last,
# so a walk meets it after all the others either way. A read-only file under
# Wine is one without write permission (chmod), which Wine reports as
# FILE_ATTRIBUTE_READONLY. Wine's regedit takes the 50,000 keys in one call,
# as Windows 98's regedit would from a .reg file.

LARGE_MARKER='{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}'
LARGE_DEVICE='VID_FA5F&PID_00F1'
LARGE_GUID='{4D36E979-E325-11CE-BFC1-08002BE10318}'

# now_ms: the wall clock in milliseconds.
now_ms() {
  echo $(($(date +%s%N) / 1000000))
}

# scenario_large_purge RELEASE: removal mode over 10,000 INF files. 100 are
# the product's (ANSI and UTF-16, 10 of them read-only); two other programs'
# INF files are held open, without sharing, by another program. Exactly the
# product's files and their .pnf companions go; Wine's own INF files, the
# near misses and the held files stay.
scenario_large_purge() {
  new_scenario "large machine: purge of 100 product INF files among 10,000 ($1), as planned" "$1" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  local inf="$WINEPREFIX/drive_c/windows/inf" ours="$WINEPREFIX/large-ours.txt"
  python3 "$ROOT/tests/e2e/large/lay_inf_folders.py" "$inf" 10000 100 "$LARGE_MARKER" >"$ours"
  check "product files laid out" "$(grep -c . "$ours")" 200
  # Two holders; each prints "held" once its file is open.
  hold_two() {
    local name i
    for name in oem00001 oem09998; do
      wine 'C:\e2e\holdfile.exe' "C:\\windows\\inf\\$name.inf" 'C:\e2e\stop-hold' >"$WINEPREFIX/hold-$name.out" 2>/dev/null &
    done
    for i in $(seq 1 100); do
      [ "$(cat "$WINEPREFIX"/hold-oem0*.out 2>/dev/null | grep -c held)" -ge 2 ] && break
      sleep 0.1
    done
    check "files held by another program" "$(cat "$WINEPREFIX"/hold-oem0*.out | grep -c held)" 2
  }
  PLAN_ARGS=(--held-file 'C:\windows\inf\oem00001.inf' --held-file 'C:\windows\inf\oem09998.inf')
  local start
  start="$(now_ms)"
  # A stub that runs longer than the purge: "waited" is read from when programs
  # were created and ended.
  STUB_RUNS_MS=15000 BEFORE_RUN=hold_two END_LIMIT=120000 compared_run 'C:\pkg\Setup.exe' '/aE2E No Such Printer'
  echo "    purge of 10,000 INF files under Wine: $(($(now_ms) - start)) ms (with observing and planning)"
  finish
}

# scenario_large_enum: Windows 98 SE with 50,000 keys below Enum\USB (one
# regedit import). The product's device is the last of them and its
# interfaces have not settled: the launcher finds it (passing over an id
# with no key), polls until the interface keys appear (imported 3 s later,
# while it waits; one function still installing: a class without its GUID
# as they come), then goes on as planned.
scenario_large_enum() {
  new_scenario "large machine: the settling wait over 50,000 Enum\\USB keys, as planned" win98 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  printf 'VID_PID=VID_FA5F&PID_0BAD,%s\r\nGUIDUNDINF=%s\r\n' "$LARGE_DEVICE" "$LARGE_GUID" >>"$WINEPREFIX/drive_c/pkg/InstallInfo.ini"
  local start
  start="$(now_ms)"
  python3 "$ROOT/tests/e2e/large/enum_tree.py" 'Enum\USB' 50002 "$LARGE_DEVICE" | tail -n +3 | start_state
  echo "    import of 50,000 keys: $(($(now_ms) - start)) ms"
  local base="HKEY_LOCAL_MACHINE\\Enum\\USB\\$LARGE_DEVICE" settle="$WINEPREFIX/drive_c/settle.reg" i
  printf 'REGEDIT4\r\n\r\n[%s&MI_00\\6&1&0&0]\r\n"Class"="Printer"\r\n\r\n' "$base" >"$settle"
  for i in 1 2; do
    printf '[%s&MI_0%d\\6&1&0&%d]\r\n"Class"="Printer"\r\n"ClassGUID"="%s"\r\n\r\n' "$base" "$i" "$i" "$LARGE_GUID" >>"$settle"
  done
  interfaces_settle() {
    sleep 3
    tool event_probe "$COMPLETION_EVENT" --at | sed -n 's/^at_us=//p' >"$WINEPREFIX/settled-at"
    wine regedit /S 'C:\settle.reg' >/dev/null 2>&1
  }
  PLAN_ARGS=(--at "3000=$settle")
  RUN_USER=interfaces_settle END_LIMIT=60000 compared_run 'C:\pkg\Setup.exe'
  check "the launcher waited for the interfaces" \
    "$(awk -v a="$(cat "$WINEPREFIX/settled-at")" -v s="$(stub_entry 'Cleanup.exe' start_us)" 'BEGIN { print (s > a) }')" 1
  finish
}

# Among the longest scenarios: they go first, so that the run does not end
# waiting on them alone.
E2E_SCENARIOS=(
  "scenario_large_purge winxp"
  "scenario_large_purge win98"
  scenario_large_enum
  "${E2E_SCENARIOS[@]}"
)
