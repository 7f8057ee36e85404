# shellcheck shell=bash
# The installation hand-off: install mode, device settling, purge and fix-ups,
# the msiexec hold on Me, side programs and the installer's command line, and
# the completion event set only after the installer has ended.
#
# Every stub logs what it saw when it started (E2E_STUB_DETAILS) and runs for
# a second (E2E_STUB_SLEEP_MS), so the installer can tell whether the event
# was set while it ran.
#
# Where Wine differs from Windows here, and how the checks allow for it:
# - Wine has no Plug and Play devices: the USB and DOT4 trees are written by
#   hand, as Windows would have left them; CMP_WaitNoPendingInstallEvents
#   returns at once, so on XP the settling wait is never long.
# - Wine's "win98" is 98 Second Edition; the first edition is posed through
#   the 9x version values (wine_pose win98fe).
# - The Windows and system folders are C:\windows and C:\windows\system32 in
#   every pose; msiexec.exe there is Wine's own small program, present in
#   every pose, which is all the hold needs.
# - Wine's INF folder has no layout.inf (the profile write creates it) and
#   its system folder no mfc42.dll (the copy creates it); its msvcp60.dll
#   has no version resource, so a package's copy replaces it. The XP case
#   lays versioned copies on both sides to see the versions compared.
# - The suite runs as root, where Wine opens read-only files for writing;
#   the msiexec check does not rely on that: a sharing violation (32)
#   refuses the writer whoever it is.

HW_ID='VID_1E2F&PID_0A07'
CLASS_GUID='{6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}'
INF_MARKER='{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}'
STUB_RUNS_MS=1000

# handoff_package DIR: the package with the device ids, the runtime
# libraries beside the launcher, and in the Windows folders a product INF
# (with its .pnf), a foreign INF and a stale library.
handoff_package() {
  package "$1" Setup.exe
  printf 'VID_PID=%s\r\nGUIDUNDINF=%s\r\n' "$HW_ID" "$CLASS_GUID" >>"$1/InstallInfo.ini"
  echo "runtime msvcp60 of the package" >"$1/msvcp60.dll"
  echo "runtime mfc42 of the package" >"$1/mfc42.dll"
  local win="$WINEPREFIX/drive_c/windows"
  printf '[Version]\r\n; %s\r\n' "$INF_MARKER" >"$win/inf/oem7.inf"
  echo pnf >"$win/inf/oem7.pnf"
  printf '[Version]\r\nClass=Net\r\n' >"$win/inf/oem8.inf"
  echo stale >"$win/system32/Oemk3207.dll"
}

# run_handoff LAUNCHER: runs it to its end with the stubs observing.
run_handoff() {
  E2E_STUB_DETAILS=1 E2E_STUB_SLEEP_MS=$STUB_RUNS_MS run_to_end "$1"
}

# check_installer_waited REPORT: the launcher ended, and the event was set
# only after the installer had ended.
check_installer_waited() {
  check "launcher" "$(field launcher "$1")" ended
  check "completion event after the launcher" "$(field event "$1")" set
  check "completion event as the installer started" "$(stub_entry 'Install\Setup.exe' event)" unset
  check "completion event as the installer ended" "$(stub_entry 'Install\Setup.exe' event_at_end)" unset
}

# check_programs WHAT EXPECTED-MODULES...: the programs logged, sorted.
check_programs() {
  local what="$1"
  shift
  wait_for_log_lines "$#"
  check "$what" "$(stub_programs | tr '\n' ' ')" "$(printf '%s\n' "$@" | sort | tr '\n' ' ')"
}

# start_handoff NAME RELEASE: a fresh prefix posed as RELEASE with the
# package in C:\pkg.
start_handoff() {
  new_scenario "$1" "$2" || return 1
  handoff_package "$WINEPREFIX/drive_c/pkg"
}

# handoff_runs LAUNCHER EXPECTED-MODULES...: runs the launcher to its end and
# checks that the installer was waited for and which programs were started.
handoff_runs() {
  local launcher="$1" r
  shift
  r="$(run_handoff "$launcher")"
  check_installer_waited "$r"
  check_programs "programs" "$@"
}

win_file() { echo "$WINEPREFIX/drive_c/windows/$1"; }
exists() { [ -e "$1" ] && echo present || echo gone; }

# Windows XP, no device: the key is created with "Software"; only the dialog
# closer runs beside the installer. The runtime libraries go by version: the
# package's older msvcp60.dll leaves the system's newer one as it was, its
# newer mfc42.dll replaces the system's older one.
scenario_handoff_fresh_xp() {
  start_handoff "hand-off on winxp without a device: Software, CloseDlg.exe, installer waited for" winxp ||
    { finish; return; }
  local old="$WIN32_BUILD/helpers/versioned_old.dll" new="$WIN32_BUILD/helpers/versioned_new.dll"
  cp "$old" "$WINEPREFIX/drive_c/pkg/msvcp60.dll" && cp "$new" "$(win_file system32/msvcp60.dll)"
  cp "$new" "$WINEPREFIX/drive_c/pkg/mfc42.dll" && cp "$old" "$(win_file system32/mfc42.dll)"
  handoff_runs 'C:\pkg\Setup.exe' 'C:\pkg\Util\CloseDlg.exe' 'C:\pkg\Install\Setup.exe'
  check "installer command line" "$(stub_entry 'Install\Setup.exe' command)" 'C:\pkg\Install\Setup.exe'
  check "InstallMode" "$(reg_value "HKLM\\$PRODUCT_KEY" InstallMode)" Software
  local kept=no copied=no
  cmp -s "$new" "$(win_file system32/msvcp60.dll)" && kept=yes
  cmp -s "$new" "$(win_file system32/mfc42.dll)" && copied=yes
  check "newer msvcp60.dll of the system kept" "$kept" yes
  check "older mfc42.dll of the system replaced" "$copied" yes
  check "no purge on XP" "$(exists "$(win_file inf/oem7.inf)")" present
  check "stale library kept on XP" "$(exists "$(win_file system32/Oemk3207.dll)")" present
  check "msiexec.exe not held on XP" "$(stub_entry 'Install\Setup.exe' msiexec_write)" yes
  finish
}

# Windows 98 SE with the device plugged in. With the printer function
# installed under DOT4 with the product's class, "Hardware" stays; without
# it (interfaces settled, no printer function) the clean-up tool runs and
# is waited for before the installer, and the mode becomes "Software".
scenario_handoff_98_device() {
  local printer="$1"
  start_handoff "hand-off on win98 with the device, printer function $printer" win98 || { finish; return; }
  local usb="HKEY_LOCAL_MACHINE\\Enum\\USB\\$HW_ID"
  if [ "$printer" = installed ]; then
    reg_import <<EOF2
[$usb\\5&1A2B&0&1]
"Class"="USB"

[HKEY_LOCAL_MACHINE\\Enum\\DOT4PRT\\ARVEN_PRINTER\\1&2&3]
"ClassGUID"="$CLASS_GUID"
EOF2
  else
    reg_import <<EOF2
[$usb\\5&1A2B&0&1]
"Class"="USB"
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"

[$usb&MI_00\\6&1]
"Class"="Image"

[$usb&MI_01\\6&2]
"Class"="Printer"
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"

[$usb&MI_02\\6&3]
"Class"="Ports"
"ClassGUID"="{4D36E978-E325-11CE-BFC1-08002BE10318}"

[HKEY_LOCAL_MACHINE\\Enum\\DOT4PRT\\OTHER_PRINTER\\1&2&3]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
EOF2
  fi
  local programs=('C:\pkg\Util\CloseDlg.exe' 'C:\pkg\Util\OemAdv07.exe' 'C:\pkg\Install\Setup.exe')
  [ "$printer" = installed ] || programs+=('C:\pkg\Cleanup.exe')
  handoff_runs 'C:\pkg\Setup.exe' "${programs[@]}"
  check "product INF purged" "$(exists "$(win_file inf/oem7.inf)") $(exists "$(win_file inf/oem7.pnf)")" "gone gone"
  check "foreign INF kept" "$(exists "$(win_file inf/oem8.inf)")" present
  check "stale library deleted" "$(exists "$(win_file system32/Oemk3207.dll)")" gone
  if [ "$printer" = installed ]; then
    check "InstallMode" "$(reg_value "HKLM\\$PRODUCT_KEY" InstallMode)" Hardware
  else
    check "clean-up command line" "$(stub_entry 'Cleanup.exe' command)" 'C:\pkg\Cleanup.exe -Setup'
    local cleanup installer
    cleanup="$(stub_entry 'Cleanup.exe' start_us)"
    installer="$(stub_entry 'Install\Setup.exe' start_us)"
    # The clean-up stub runs STUB_RUNS_MS; the installer may start only after.
    check "installer started after the clean-up ended" "$(awk -v c="${cleanup:-0}" -v i="${installer:-0}" \
      -v d="$STUB_RUNS_MS" 'BEGIN { print (i - c >= d * 1000) ? "yes" : "no" }')" yes
    check "InstallMode" "$(reg_value "HKLM\\$PRODUCT_KEY" InstallMode)" Software
  fi
  finish
}

# Windows Me: msiexec.exe is held for reading while the installer runs (the
# installer can read it, not write it) and let go afterwards.
scenario_handoff_me() {
  start_handoff "hand-off on winme: msiexec.exe readable, not writable while the installer runs" winme ||
    { finish; return; }
  handoff_runs 'C:\pkg\Setup.exe' 'C:\pkg\Util\CloseDlg.exe' 'C:\pkg\Install\Setup.exe'
  check "msiexec.exe readable by the installer" "$(stub_entry 'Install\Setup.exe' msiexec_read)" yes
  check "msiexec.exe writable by the installer" "$(stub_entry 'Install\Setup.exe' msiexec_write)" no
  check "no purge on Me" "$(exists "$(win_file inf/oem7.inf)")" present
  check "stale library deleted" "$(exists "$(win_file system32/Oemk3207.dll)")" gone
  rm -f "$WINEPREFIX/drive_c/e2e-log.txt"
  E2E_STUB_DETAILS=1 w 'C:\pkg\Util\CloseDlg.exe'
  check "msiexec.exe writable after the launcher ended" "$(stub_entry 'CloseDlg.exe' msiexec_write)" yes
  finish
}

# Windows 2000: no purge, no fix-ups, only CloseDlg.exe beside the installer.
scenario_handoff_2k() {
  start_handoff "hand-off on win2k: no purge, CloseDlg.exe and the installer only" win2k || { finish; return; }
  handoff_runs 'C:\pkg\Setup.exe' 'C:\pkg\Util\CloseDlg.exe' 'C:\pkg\Install\Setup.exe'
  check "no purge on 2000" "$(exists "$(win_file inf/oem7.inf)") $(exists "$(win_file inf/oem7.pnf)")" \
    "present present"
  check "stale library kept" "$(exists "$(win_file system32/Oemk3207.dll)")" present
  check "InstallMode" "$(reg_value "HKLM\\$PRODUCT_KEY" InstallMode)" Software
  finish
}

# Windows 98 first edition: layout.inf gains the usbhub.sys entry (Wine's INF
# folder has no layout.inf: the profile write creates it); purge and the
# 98 side program as on 98 SE.
scenario_handoff_98fe() {
  start_handoff "hand-off on Windows 98 first edition: layout.inf gains usbhub.sys" win98fe || { finish; return; }
  handoff_runs 'C:\pkg\Setup.exe' 'C:\pkg\Util\CloseDlg.exe' 'C:\pkg\Util\OemAdv07.exe' 'C:\pkg\Install\Setup.exe'
  check "layout.inf entry" "$(tr -d '\r' <"$(win_file inf/layout.inf)" 2>/dev/null | grep -i '^usbhub.sys')" \
    'usbhub.sys=5,..\system32\drivers,26768'
  check "product INF purged" "$(exists "$(win_file inf/oem7.inf)")" gone
  finish
}

# An earlier installation, and a package folder with a blank: INSTALLDIR
# carries the location without its trailing backslash; C:\Program.exe is
# never run. A location holding a quotation mark is not passed at all.
scenario_handoff_earlier_location() {
  new_scenario "hand-off with an earlier location, package folder with a blank" winxp || { finish; return; }
  local dir="$WINEPREFIX/drive_c/Program Files/E2E Pkg"
  handoff_package "$dir"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  local key="HKEY_LOCAL_MACHINE\\$PRODUCT_KEY"
  reg_import <<EOF2
[$key]
"InstalledLocation"="C:\\\\Apps\\\\E2E Printer\\\\"
EOF2
  handoff_runs 'C:\Program Files\E2E Pkg\Setup.exe' \
    'C:\Program Files\E2E Pkg\Util\CloseDlg.exe' 'C:\Program Files\E2E Pkg\Install\Setup.exe'
  check "installer command line" "$(stub_entry 'Install\Setup.exe' command)" \
    'C:\Program Files\E2E Pkg\Install\Setup.exe /V"INSTALLDIR=\"C:\Apps\E2E Printer\""'

  reg_import <<EOF2
[$key]
"InstalledLocation"="C:\\\\Apps\\" /qn \\""
EOF2
  rm -f "$WINEPREFIX/drive_c/e2e-log.txt"
  local r
  r="$(run_handoff 'C:\Program Files\E2E Pkg\Setup.exe')"
  check "launcher (quoted location)" "$(field launcher "$r")" ended
  wait_for_log_lines 2
  check "installer command line (quoted location)" "$(stub_entry 'Install\Setup.exe' command)" \
    'C:\Program Files\E2E Pkg\Install\Setup.exe'

  # No RegistryPath, the device plugged in: the root of HKLM is no product
  # key, neither read nor written.
  printf '[INSTALL_INFO]\r\nPDIENTRY=%s\r\nVID_PID=%s\r\n' "$PDIENTRY" "$HW_ID" >"$dir/InstallInfo.ini"
  reg_import <<EOF2
[HKEY_LOCAL_MACHINE]
"InstalledLocation"="C:\\\\Apps"

[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\$HW_ID\\5&1A2B&0&1]
"Class"="USB"
EOF2
  rm -f "$WINEPREFIX/drive_c/e2e-log.txt"
  r="$(run_handoff 'C:\Program Files\E2E Pkg\Setup.exe')"
  wait_for_log_lines 2
  check "installer command line (no RegistryPath)" "$(stub_entry 'Install\Setup.exe' command)" \
    'C:\Program Files\E2E Pkg\Install\Setup.exe'
  check "InstallMode at the root of HKLM" "$(reg_value HKLM InstallMode)" "<absent>"
  finish
}

E2E_SCENARIOS+=(
  scenario_handoff_fresh_xp
  "scenario_handoff_98_device installed"
  "scenario_handoff_98_device missing"
  scenario_handoff_me
  scenario_handoff_2k
  scenario_handoff_98fe
  scenario_handoff_earlier_location
)
