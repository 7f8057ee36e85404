# shellcheck shell=bash
# A large machine: the INF purge over 10,000 INF files of which 100 are the
# product's, and the device probes and the settling wait over an Enum\USB
# tree of 50,000 keys. The folders and the tree are laid out by the scripts
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
  local inf="$WINEPREFIX/drive_c/windows/inf" ours="$RUN_DIR/large-ours.txt"
  python3 "$ROOT/tests/e2e/large/lay_inf_folders.py" "$inf" 10000 100 "$LARGE_MARKER" >"$ours"
  check "product files laid out" "$(grep -c . "$ours")" 200
  # Two holders; each prints "held" once its file is open.
  hold_two() {
    local name i
    for name in oem00001 oem09998; do
      wine 'C:\e2e\holdfile.exe' "C:\\windows\\inf\\$name.inf" 'C:\e2e\stop-hold' >"$RUN_DIR/hold-$name.out" 2>/dev/null &
    done
    for i in $(seq 1 100); do
      [ "$(cat "$RUN_DIR"/hold-oem0*.out 2>/dev/null | grep -c held)" -ge 2 ] && break
      sleep 0.1
    done
    check "files held by another program" "$(cat "$RUN_DIR"/hold-oem0*.out | grep -c held)" 2
  }
  PLAN_ARGS=(--held-file 'C:\windows\inf\oem00001.inf' --held-file 'C:\windows\inf\oem09998.inf')
  local start
  start="$(now_ms)"
  BEFORE_RUN=hold_two END_LIMIT=120000 compared_run 'C:\pkg\Setup.exe' '/aE2E No Such Printer'
  echo "    purge of 10,000 INF files under Wine: $(($(now_ms) - start)) ms (with observing and planning)"
  finish
}

# large_probe COMMAND [ROOT]: devprobe from the package C:\probe.
large_probe() {
  timeout 120 wine 'C:\probe\devprobe.exe' "$@" 2>/dev/null | tr -d '\r'
}

# scenario_large_enum: Windows 98 SE with 50,000 keys below Enum\USB (one
# regedit import). The product's device is the last of them and its
# interfaces have not settled: the probes find the device and call it
# unsettled, an id with no key is not found, and the settling wait goes on
# polling until the interface keys appear (imported while it waits), then
# ends; the interfaces are then settled.
scenario_large_enum() {
  new_scenario "large machine: probes and settling wait over 50,000 Enum\\USB keys" win98 || { finish; return; }
  local probe="$WINEPREFIX/drive_c/probe" none="$WINEPREFIX/drive_c/probe-none"
  mkdir -p "$probe" "$none"
  cp "$WIN32_BUILD/wine/devprobe.exe" "$probe/" && cp "$WIN32_BUILD/wine/devprobe.exe" "$none/"
  printf '[INSTALL_INFO]\r\nVID_PID=%s\r\nGUIDUNDINF=%s\r\n' "$LARGE_DEVICE" "$LARGE_GUID" >"$probe/InstallInfo.ini"
  printf '[INSTALL_INFO]\r\nVID_PID=VID_FA5F&PID_0BAD\r\nGUIDUNDINF=%s\r\n' "$LARGE_GUID" >"$none/InstallInfo.ini"

  local start
  start="$(now_ms)"
  python3 "$ROOT/tests/e2e/large/enum_tree.py" 'Enum\USB' 50002 "$LARGE_DEVICE" >"$WINEPREFIX/drive_c/tree.reg"
  wine regedit /S 'C:\tree.reg' >/dev/null 2>&1
  echo "    import of 50,000 keys: $(($(now_ms) - start)) ms"
  check "keys imported" "$(wine reg query "HKLM\\Enum\\USB\\$LARGE_DEVICE" 2>/dev/null | tr -d '\r' | grep -c '5&FA5F&0&1')" 1

  start="$(now_ms)"
  check "FindUsbDevice finds the last device" "$(large_probe find-usb 'Enum\USB')" true
  echo "    FindUsbDevice over 50,000 keys: $(($(now_ms) - start)) ms (with Wine's start-up)"
  check "AreInterfacesSettled before" "$(large_probe interfaces-settled 'Enum\USB')" false
  check "FindUsbDevice for an id without a key" \
    "$(timeout 120 wine 'C:\probe-none\devprobe.exe' find-usb 'Enum\USB' 2>/dev/null | tr -d '\r')" false

  # The wait polls; the interface functions appear after 3 s (one function
  # still installing: a class without its GUID).
  local out="$RUN_DIR/large-wait.out"
  large_probe wait-printer >"$out" &
  local waiter=$!
  sleep 3
  check "settling wait still polling" "$(kill -0 "$waiter" 2>/dev/null && echo yes)" yes
  local base="HKEY_LOCAL_MACHINE\\Enum\\USB\\$LARGE_DEVICE"
  printf 'REGEDIT4\r\n\r\n[%s&MI_00\\6&1&0&0]\r\n"Class"="Printer"\r\n\r\n' "$base" >"$WINEPREFIX/drive_c/settle.reg"
  for i in 1 2; do
    printf '[%s&MI_0%d\\6&1&0&%d]\r\n"Class"="Printer"\r\n"ClassGUID"="%s"\r\n\r\n' "$base" "$i" "$i" "$LARGE_GUID" \
      >>"$WINEPREFIX/drive_c/settle.reg"
  done
  wine regedit /S 'C:\settle.reg' >/dev/null 2>&1
  wait_for_exit "$waiter" || sleep 20
  local result
  result="$(cat "$out")"
  # devprobe prints the milliseconds the wait took once it has returned.
  check "settling wait ended" "$(case "$result" in '' | *[!0-9]*) echo no ;; *) echo yes ;; esac)" yes
  check "settling wait ended after the change, not before" "$([ "$result" -ge 2500 ] 2>/dev/null && echo yes)" yes
  echo "    settling wait: $result ms"
  check "AreInterfacesSettled after" "$(large_probe interfaces-settled 'Enum\USB')" true
  kill "$waiter" 2>/dev/null
  finish
}

E2E_SCENARIOS+=(
  "scenario_large_purge winxp"
  "scenario_large_purge win98"
  scenario_large_enum
)
