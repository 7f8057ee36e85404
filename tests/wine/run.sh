#!/usr/bin/env bash
# devices-wine: the launcher's device probes run for real under Wine.
#
# devprobe.exe (the device code with a command-line driver) runs from package
# folders of its own, each with an InstallInfo.ini, in a fresh prefix per
# Windows release, against enumeration trees this script imports with
# regedit. openwin.exe opens wizard windows by title bytes, under the locale
# whose code page those bytes belong to. One PASS/FAIL line per check, then
# "devices-wine: P passed, F failed"; exit status 0 only when all pass.
#
# Environment: HOST_BUILD (default build/host, unused here), WIN32_BUILD
# (default build/win32; needs wine/devprobe.exe, wine/openwin.exe and
# wine/planted/cfgmgr32.dll),
# WINE_WORK (default build/; prefixes go to $WINE_WORK/wine/devices),
# DEVICES_WINE_KEEP=1 keeps the prefixes for inspection.
set -u

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=tests/e2e/wine_lib.sh
source "$REPO/tests/e2e/wine_lib.sh"

: "${HOST_BUILD:=$REPO/build/host}"
: "${WIN32_BUILD:=$REPO/build/win32}"
case "$WIN32_BUILD" in /*) ;; *) WIN32_BUILD="$REPO/$WIN32_BUILD" ;; esac
DEVPROBE="$WIN32_BUILD/wine/devprobe.exe"
OPENWIN="$WIN32_BUILD/wine/openwin.exe"
PLANTED_CFGMGR32="$WIN32_BUILD/wine/planted/cfgmgr32.dll"
PREFIXES="$WINE_WORK/wine/devices"

PASSED=0
FAILED=0

pass() { echo "PASS $1"; PASSED=$((PASSED + 1)); }
fail() { echo "FAIL $1${2:+ ($2)}"; FAILED=$((FAILED + 1)); }

# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "expected '$2', got '$3'"; fi
}

for program in "$DEVPROBE" "$OPENWIN" "$PLANTED_CFGMGR32"; do
  if [ ! -f "$program" ]; then
    fail "build" "$program is missing; build $WIN32_BUILD first"
    suite_result devices-wine "$PASSED" "$FAILED"
    exit 1
  fi
done

wine_env
unset LC_ALL LC_CTYPE LC_MESSAGES
export LANG=en_US.UTF-8
wine_base_prefix >/dev/null || { fail "prefix" "no base prefix"; suite_result devices-wine "$PASSED" "$FAILED"; exit 1; }

# ---- package folders ---------------------------------------------------------

# The bytes of TEXT (UTF-8) in CODEPAGE, as hexadecimal.
hex_in() { printf '%s' "$2" | iconv -f UTF-8 -t "$1" | od -An -tx1 | tr -d ' \n'; }

# A package folder C:\NAME in the current prefix with devprobe.exe and an
# InstallInfo.ini holding VID_PID and GUIDUNDINF.
make_package() {
  local dir="$WINEPREFIX/drive_c/$1"
  mkdir -p "$dir"
  cp "$DEVPROBE" "$dir/devprobe.exe"
  printf '[INSTALL_INFO]\r\nVID_PID=%s\r\nGUIDUNDINF=%s\r\n' "$2" "$3" >"$dir/InstallInfo.ini"
}

PRINTER_GUID='{4D36E979-E325-11CE-BFC1-08002BE10318}'
# An id of 300 bytes, longer than any id may be (255), and its first 255
# bytes: an id cut to fit instead of skipped would match a name holding those.
# (No device key is named so: Wine's ANSI registry calls refuse paths of 260
# characters or more, so "Enum\USB\" + 255 bytes cannot be opened.)
LONG_ID="VID_0A5F&PID_0EEE&$(printf 'X%.0s' $(seq 1 282))"
LONG_ID_CUT="${LONG_ID:0:255}"
# Packages shared by every release:
# pkg_a: one id, written in lower case; the class GUID in lower case.
# pkg_b: an id with no keys, then a device whose interfaces have not settled;
#        a class no DOT4 instance has.
# pkg_c: a composite parent that is set up and has no interface keys.
# pkg_d: a device key without an instance.
# pkg_e: empty VID_PID and GUIDUNDINF.
# pkg_f: the overlong id, then pkg_a's id; pkg_g: the overlong id alone;
# pkg_h: its first 255 bytes, an id of the longest length allowed.
make_packages() {
  make_package pkg_a 'vid_0a5f&pid_00f1' '{4d36e979-e325-11ce-bfc1-08002be10318}'
  make_package pkg_b 'VID_0A5F&PID_00F9,VID_0A5F&PID_00F2' '{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}'
  make_package pkg_c 'VID_0A5F&PID_00F3' "$PRINTER_GUID"
  make_package pkg_d 'VID_0A5F&PID_00F4' "$PRINTER_GUID"
  make_package pkg_e '' ''
  make_package pkg_f "$LONG_ID,VID_0A5F&PID_00F1" "$PRINTER_GUID"
  make_package pkg_g "$LONG_ID" "$PRINTER_GUID"
  make_package pkg_h "$LONG_ID_CUT" "$PRINTER_GUID"
}

# probe PACKAGE COMMAND [ROOT]: what devprobe prints, without the CR.
probe() {
  local package="$1"
  shift
  timeout 60 wine "$WINEPREFIX/drive_c/$package/devprobe.exe" "$@" 2>/dev/null | tr -d '\r'
}

# ---- enumeration trees -----------------------------------------------------------

# The USB and DOT4 trees below HKLM\BASE (BASE is "Enum" or
# "SYSTEM\CurrentControlSet\Enum"), as a REGEDIT4 file on stdout.
device_trees_reg() {
  local usb="HKEY_LOCAL_MACHINE\\$1\\USB" dot4="HKEY_LOCAL_MACHINE\\$1\\DOT4PRT"
  local set_up='"Class"="Printer"
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"'
  cat <<EOF
REGEDIT4

[$usb\\ROOT_HUB\\4&1F3C2B&0]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"

[$usb\\VID_04B3&PID_3107\\5&2A61&0&1]
"Class"="HID"

[$usb\\VID_0A5F&PID_00F1\\5&3C2E&0&2]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"

[$usb\\VID_0A5F&PID_00F1&MI_00\\6&1B0&0&0]
"Class"="Printer"

[$usb\\VID_0A5F&PID_00F1&MI_01\\6&1B0&0&1]
$set_up

[$usb\\VID_0A5F&PID_00F1&MI_02\\6&1B0&0&2]
$set_up

[$usb\\VID_0A5F&PID_00F2\\5&3C2E&0&3]
"Class"="USB"

[$usb\\VID_0A5F&PID_00F2&MI_00\\6&2C1&0&0]
"Class"="Printer"

[$usb\\VID_0A5F&PID_00F2&MI_01\\6&2C1&0&1]
"Class"="Image"

[$usb\\VID_0A5F&PID_00F3\\5&3C2E&0&4]
$set_up

[$usb\\VID_0A5F&PID_00F4]

[$dot4\\VID_1111&PID_2222&DOT4_PRINT\\0000]
"ClassGUID"="{6D807884-7D21-11CF-801C-08002BE10318}"

[$dot4\\VID_0A5F&PID_00F1&DOT4_PRINT\\0000]
"ClassGUID"="{6D807884-7D21-11CF-801C-08002BE10318}"

[$dot4\\VID_0A5F&PID_00F1&DOT4_PRINT\\0001]
"Service"="none"

[$dot4\\VID_0A5F&PID_00F1&DOT4_PRINT\\0002]
"ClassGUID"="$PRINTER_GUID"

EOF
}

import_reg() {
  local file="$WINEPREFIX/drive_c/trees.reg"
  cat >"$file"
  wine regedit /S 'C:\trees.reg' >/dev/null 2>&1
}

# A fresh prefix posing as RELEASE with the trees below BASE and the packages.
release_prefix() {
  wine_new_prefix "$PREFIXES/$1" "$1" || return 1
  device_trees_reg "$2" | import_reg
  make_packages
}

# Probe checks shared by every release. ROOT is the release's enumeration base.
probe_checks() {
  local release="$1" usb="$2\\USB" dot4="$2\\DOT4PRT"
  check "$release: FindUsbDevice finds a matching key with an instance (id in lower case)" true \
    "$(probe pkg_a find-usb "$usb")"
  check "$release: FindUsbDevice goes on past an id that matches nothing" true "$(probe pkg_b find-usb "$usb")"
  check "$release: FindUsbDevice is false for a matching key without an instance" false \
    "$(probe pkg_d find-usb "$usb")"
  check "$release: FindUsbDevice is false for an empty VID_PID" false "$(probe pkg_e find-usb "$usb")"
  check "$release: FindUsbDevice skips an id over 255 bytes and goes on with the next" true \
    "$(probe pkg_f find-usb "$usb")"
  check "$release: AreInterfacesSettled is true when one interface has Class without ClassGUID" true \
    "$(probe pkg_a interfaces-settled "$usb")"
  check "$release: AreInterfacesSettled is false with an interface key absent and the parent not set up" false \
    "$(probe pkg_b interfaces-settled "$usb")"
  check "$release: AreInterfacesSettled is false for an empty VID_PID" false \
    "$(probe pkg_e interfaces-settled "$usb")"
  check "$release: AreInterfacesSettled skips an id over 255 bytes and goes on with the next" true \
    "$(probe pkg_f interfaces-settled "$usb")"
  check "$release: FindDeviceWithSetupClass matches a later instance, GUID in another letter case" true \
    "$(probe pkg_a find-class "$dot4")"
  check "$release: FindDeviceWithSetupClass is false when no instance has the class" false \
    "$(probe pkg_b find-class "$dot4")"
  check "$release: FindDeviceWithSetupClass with an empty GUIDUNDINF matches an instance without ClassGUID" true \
    "$(probe pkg_e find-class "$dot4")"
}

# ---- windows ---------------------------------------------------------------------

OPENER_PID=""
OPENER_LOG=""

# Opens a window titled with the bytes HEX and waits until it exists.
open_window() {
  OPENER_LOG="$(mktemp "$PREFIXES/openwin.XXXXXX")"
  wine "$OPENWIN" "$1" 60 >"$OPENER_LOG" 2>/dev/null &
  OPENER_PID=$!
  for _ in $(seq 1 200); do
    grep -q ready "$OPENER_LOG" 2>/dev/null && return 0
    kill -0 "$OPENER_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "open_window: no window for $1" >&2
  return 1
}

close_window() {
  if [ -n "$OPENER_PID" ]; then
    kill "$OPENER_PID" 2>/dev/null
    wait "$OPENER_PID" 2>/dev/null
  fi
  OPENER_PID=""
  rm -f "$OPENER_LOG"
}

# window_check NAME EXPECTED HEX [PACKAGE COMMAND ARGS...]: with a window
# titled HEX open, the command (default: wizard-open) prints EXPECTED.
window_check() {
  local name="$1" expected="$2" hex="$3"
  shift 3
  [ $# -gt 0 ] || set -- pkg_a wizard-open
  if open_window "$hex"; then
    check "$name" "$expected" "$(probe "$@")"
  else
    fail "$name" "the window did not open"
  fi
  close_window
}

# A prefix for the wizard titles of one locale: LANG set for every process.
locale_prefix() {
  wine_stop
  export LANG="$2"
  wine_new_prefix "$PREFIXES/$1" || return 1
  make_packages
  check "$1: ANSI code page under $2" "$3" "$(probe pkg_a acp)"
  check "$1: IsHardwareWizardOpen is false with no wizard window" false "$(probe pkg_a wizard-open)"
}

# ---- Windows 98 SE (Wine's win98) ------------------------------------------------------

devices_win98() {
  if release_prefix win98 'Enum'; then
    check "win98: pose gives OsKind 7 (98 SE)" 7 "$(probe pkg_a os-kind)"
    probe_checks win98 'Enum'
    check "win98: FindUsbDevice matches a composite parent key" true "$(probe pkg_c find-usb 'Enum\USB')"
    check "win98: AreInterfacesSettled through a set-up parent when no wizard is open" true \
      "$(probe pkg_c interfaces-settled 'Enum\USB')"
    window_check "win98: AreInterfacesSettled through the parent is false while a wizard is open" false \
      "$(hex_in ASCII 'Found New Hardware')" pkg_c interfaces-settled 'Enum\USB'
    check "win98: MatchesHardwareId takes an id of 255 bytes" true "$(probe pkg_h match "$LONG_ID_CUT")"
    check "win98: MatchesHardwareId skips an id over 255 bytes instead of cutting it" false \
      "$(probe pkg_g match "$LONG_ID_CUT")"
    check "win98: FindUsbDevice is false when the root does not exist" false \
      "$(probe pkg_a find-usb 'SYSTEM\CurrentControlSet\Enum\USB')"

    # English titles, code page 1252.
    check "win98: ANSI code page under $LANG" 1252 "$(probe pkg_a acp)"
    check "win98: IsHardwareWizardOpen is false with no wizard window" false "$(probe pkg_a wizard-open)"
    for title in 'Add New Hardware Wizard' 'Add Printer Wizard' 'Found New Hardware'; do
      window_check "en: IsHardwareWizardOpen sees '$title'" true "$(hex_in ASCII "$title")"
    done
    window_check "en: IsHardwareWizardOpen matches a title in another letter case" true \
      "$(hex_in ASCII 'ADD PRINTER WIZARD')"
    window_check "en: IsHardwareWizardOpen ignores a title with extra text" false \
      "$(hex_in ASCII 'Add Printer Wizard - Setup')"
  else
    fail "win98: prefix" "could not prepare it"
  fi
}

# ---- Windows Me ---------------------------------------------------------------------------

devices_winme() {
  if release_prefix winme 'Enum'; then
    check "winme: pose gives OsKind 8" 8 "$(probe pkg_a os-kind)"
    probe_checks winme 'Enum'
    check "winme: FindUsbDevice ignores a composite parent key without &MI_" false \
      "$(probe pkg_c find-usb 'Enum\USB')"
    check "winme: MatchesHardwareId appends &MI_ to an id of 255 bytes" true \
      "$(probe pkg_h match "${LONG_ID_CUT}&MI_00")"
  else
    fail "winme: prefix" "could not prepare it"
  fi
}

# ---- Windows XP, then 2000 -------------------------------------------------------------------

NT_BASE='SYSTEM\CurrentControlSet\Enum'
devices_winxp() {
  if release_prefix winxp "$NT_BASE"; then
    check "winxp: pose gives OsKind 9" 9 "$(probe pkg_a os-kind)"
    probe_checks winxp "$NT_BASE"
    check "winxp: FindUsbDevice is false under the 9x root, which does not exist" false \
      "$(probe pkg_a find-usb 'Enum\USB')"
    check "winxp: WaitNoPendingInstallEvents returns 0" 0 "$(probe pkg_a wait-pnp)"
    # A cfgmgr32.dll planted in the package folder: a load by bare name gets it
    # (the control), the launcher's load from the system folder does not.
    cp "$PLANTED_CFGMGR32" "$WINEPREFIX/drive_c/pkg_a/cfgmgr32.dll"
    local_overrides="$WINEDLLOVERRIDES"
    # As on Windows, a DLL in the program's folder comes before the system's.
    export WINEDLLOVERRIDES="$local_overrides;cfgmgr32=n,b"
    check "winxp: control: a bare-name load takes the cfgmgr32.dll planted in the package folder" 1234 \
      "$(probe pkg_a wait-pnp-bare)"
    check "winxp: WaitNoPendingInstallEvents ignores a cfgmgr32.dll planted in the package folder" 0 \
      "$(probe pkg_a wait-pnp)"
    export WINEDLLOVERRIDES="$local_overrides"
    rm -f "$WINEPREFIX/drive_c/pkg_a/cfgmgr32.dll"
    wine_pose win2k
    check "win2k: pose gives OsKind 6" 6 "$(probe pkg_a os-kind)"
    check "win2k: WaitNoPendingInstallEvents returns 0" 0 "$(probe pkg_a wait-pnp)"
  else
    fail "winxp: prefix" "could not prepare it"
  fi
}

# ---- Japanese, Korean and Chinese titles --------------------------------------------------------

# devices_titles NAME LOCALE CODE-PAGE EXTRA TITLE...: under LOCALE the
# English wizard titles and each TITLE are seen, EXTRA (a title with extra
# text) is not. The English titles hold only ASCII bytes, the same in every
# code page: an English wizard (an English Windows set to that code page) is
# seen too.
devices_titles() {
  local name="$1" locale="$2" cp="$3" extra="$4" title
  shift 4
  locale_prefix "$name" "$locale" "$cp" || { fail "$name: prefix" "could not prepare it"; return 1; }
  for title in 'Add New Hardware Wizard' 'Add Printer Wizard' 'Found New Hardware'; do
    window_check "$name: IsHardwareWizardOpen sees the English '$title' under code page $cp" true \
      "$(hex_in ASCII "$title")"
  done
  for title in "$@"; do
    window_check "$name: IsHardwareWizardOpen sees '$title'" true "$(hex_in "CP$cp" "$title")"
  done
  window_check "$name: IsHardwareWizardOpen ignores a title with extra text" false "$(hex_in "CP$cp" "$extra")"
}

devices_ja() {
  devices_titles ja ja_JP.UTF-8 932 '新しいハードウェアの検索' '新しいハードウェアの追加ウィザード' '新しいハードウェア' &&
    window_check "ja: IsHardwareWizardOpen does not know a Japanese Add Printer Wizard" false \
      "$(hex_in CP932 'プリンタの追加ウィザード')"
}

devices_ko() {
  devices_titles ko ko_KR.UTF-8 949 '새 하드웨어 발견 - 1' \
    '새 하드웨어 발견' '새 하드웨어 추가 마법사' '새 하드웨어 검색 마법사' '프린터 추가 마법사'
}

devices_zh() {
  devices_titles zh zh_CN.UTF-8 936 '找到新硬件了' '找到新硬件' '添加新硬件向导' '找到新的硬件向导' '添加打印机向导'
}

# ---- Windows 98 first edition, and the settling wait in real time --------------------------
# Wine has no win98fe Version: the pose takes the 9x version values of the
# registry (4.10.1998) with the NT ones removed (wine_pose). The waits run on
# Wine's real clock here, not the simulator's virtual one: a change made
# by another process while the launcher polls must end the wait within one
# poll (500 ms for the devices, 1000 ms for the wizard windows); the limits
# leave room for Wine's start-up of reg.exe (about 0.2 s) and a slow machine.

# elapsed_within NAME LOW HIGH MS: passes when LOW <= MS <= HIGH.
elapsed_within() {
  if [[ "$4" =~ ^[0-9]+$ ]] && [ "$4" -ge "$2" ] && [ "$4" -le "$3" ]; then pass "$1"; else
    fail "$1" "took '$4' ms, expected $2 to $3"
  fi
}

# The device VID_0A5F&PID_00F2 has an instance and two interfaces still
# installing; its printer function (a DOT4 instance with pkg_w's class)
# appears DELAY seconds after the wait has begun: counted from the file the
# probe creates then (timed_probe), not from this call, as the probe's own
# start under Wine may take a good part of a second.
printer_function_after() {
  rm -f "$WINEPREFIX/drive_c/wait-began"
  (
    for _ in $(seq 600); do [ -e "$WINEPREFIX/drive_c/wait-began" ] && break; sleep 0.05; done
    sleep "$1"
    wine reg add 'HKLM\Enum\DOT4PRT\VID_0A5F&PID_00F2&DOT4_PRINT\0000' /v ClassGUID /d "$WAIT_GUID" /f \
      >/dev/null 2>&1
  ) &
  WAIT_CHANGER=$!
}
WAIT_GUID='{0A5F00F2-5E77-4C1E-9A0D-3B7E2C4D5F60}'
timed_probe() { DEVPROBE_BEGAN='C:\wait-began' probe "$@"; }

devices_win98fe() {
  if release_prefix win98fe 'Enum'; then
    check "win98fe: pose gives OsKind 5 (98 first edition)" 5 "$(probe pkg_a os-kind)"
    probe_checks win98fe 'Enum'
    make_package pkg_w 'VID_0A5F&PID_00F2' "$WAIT_GUID"
    printer_function_after 2
    elapsed_within "win98fe: WaitForPrinterDevice ends within a poll of the printer function appearing" 1900 4000 \
      "$(timed_probe pkg_w wait-printer)"
    wait "$WAIT_CHANGER"
    check "win98fe: WaitForPrinterDevice ends at once when the printer function is there" true \
      "$(t="$(probe pkg_w wait-printer)"; [ "${t:-9999}" -lt 1000 ] && echo true || echo "false ($t ms)")"
    wine reg delete 'HKLM\Enum\DOT4PRT\VID_0A5F&PID_00F2&DOT4_PRINT' /f >/dev/null 2>&1
    # A wizard window open for the first 5 s of the wait (less the probe's
    # start), the printer function there after 1 s: the device polls begin
    # only once the wizard has closed.
    wine "$OPENWIN" "$(hex_in ASCII 'Found New Hardware')" 6 >/dev/null 2>&1 &
    opener=$!
    sleep 1
    printer_function_after 1
    elapsed_within "win98fe: WaitForHardwareSetup waits out the wizard before the device polls" 3000 8000 \
      "$(timed_probe pkg_w wait-hardware)"
    wait "$WAIT_CHANGER" "$opener" 2>/dev/null
  else
    fail "win98fe: prefix" "could not prepare it"
  fi
}

# Each part above in a prefix of its own, side by side.
part() {
  "devices_$1"
  wine_stop
  [ "${DEVICES_WINE_KEEP:-0}" = 1 ] || wine_drop_prefix "$WINEPREFIX"
}
in_parallel "$PREFIXES/jobs" part win98 winme winxp ja ko zh win98fe
[ "${DEVICES_WINE_KEEP:-0}" = 1 ] || rm -rf "$PREFIXES"
suite_result devices-wine "$PASSED" "$FAILED"
