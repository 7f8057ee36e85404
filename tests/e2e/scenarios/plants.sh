# shellcheck shell=bash
# Planted files and decoys on every road that touches them: recorders of ours
# named after every DLL the launcher loads (AT_*_DLLS; helpers/recorder.dll, which
# logs its loads to C:\planted.log) and net.exe, MsiExec.exe and
# C:\Program.exe (helpers/side_stub.exe, which logs its runs to the stub log)
# lie in the launcher's folder, a path with blanks, in the current folder,
# and at the root of that path. DLL overrides make Wine prefer a native copy
# of those loaded at run time wherever a bare-name load would find one. None of them may
# ever be loaded or run; what the launcher does run is the system folder's
# program (recorders stand in for the system's net.exe and msiexec.exe).
#
# Wine and Windows: Windows keeps a planted msvcrt.dll out by its known-DLL
# list; Wine has none and would load it as a dependency of its own DLLs
# under a native-first override (see planting.sh), so msvcrt.dll is planted
# under Wine's default load order only. Wine's msiexec.exe and net.exe are
# builtins; the "n" overrides make Wine run the recorders placed in the
# system folder instead, as the real programs would run on Windows.

PLANT_FOLDER='C:\Program Files\Pkg Dir'
PLANT_CURRENT='C:\Work Dir'
UNINSTALL_COMMAND='MsiExec.exe /X{7A1E2B3C-4D5E-6F70-8192-A3B4C5D6E7F8}'
# What the launcher's process loads on some road (+loaddll) but Wine's display driver and 16-bit modules; those
# loaded with its imports are planted under default order, as msvcrt.dll (below). A road loading others fails.
AT_START_DLLS="$(echo {kernelbase,kernel32,msvcrt,ucrtbase,sechost,advapi32,zlib1,version,win32u,user32,gdi32,imm32}.dll)"
AT_RUN_DLLS="$(echo {cfgmgr32,rpcrt4,setupapi,comctl32,compstui,spoolss,localspl,uxtheme,combase,ole32}.dll) Winspool.drv"

# The scenario's prefix path of a Windows path on drive C.
unix_path() {
  local rest="${1#C:\\}"
  echo "$WINEPREFIX/drive_c/${rest//\\//}"
}

# plant_decoys: the package in PLANT_FOLDER and every decoy; recorders for
# the system's net.exe and msiexec.exe; the overrides.
plant_decoys() {
  local pkg current
  pkg="$(unix_path "$PLANT_FOLDER")"
  current="$(unix_path "$PLANT_CURRENT")"
  package "$pkg" Setup.exe
  mkdir -p "$current"
  local folder name
  for folder in "$pkg" "$current"; do
    for name in $AT_START_DLLS $AT_RUN_DLLS; do cp "$WIN32_BUILD/helpers/recorder.dll" "$folder/$name"; done
    for name in net.exe MsiExec.exe; do cp "$WIN32_BUILD/helpers/side_stub.exe" "$folder/$name"; done
  done
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program Files/Pkg.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/windows/system32/net.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/windows/system32/msiexec.exe"
  cp "$WIN32_BUILD/helpers/loadlib.exe" "$current/loadlib.exe"
  export WINEDEBUG=+pid,+loaddll  # every module each process loads, on its standard error
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES$(printf ';%s=n,b' ${AT_RUN_DLLS,,});net.exe=n;msiexec.exe=n;winedbg.exe=d"
}

# Programs the stubs logged whose module is a decoy, one a line.
decoys_run() {
  stub_programs | grep -iE '^C:\\(Program\.exe|Program Files\\Pkg\.exe|Program Files\\Pkg Dir\\(net|MsiExec)\.exe|Work Dir\\)'
}

planted_loads() {
  local log="$WINEPREFIX/drive_c/planted.log"
  [ -f "$log" ] && tr -d '\r' <"$log"
}

# run_in_current ARGS...: as run_to_end (holding HOLD when set) from PLANT_CURRENT, traced into loaddll.txt.
run_in_current() {
  (cd "$(unix_path "$PLANT_CURRENT")" && timeout 60 wine 'C:\e2e\launch_wait.exe' --timeout "$END_LIMIT" \
    ${HOLD:+--hold "$HOLD"} "$PLANT_FOLDER\\Setup.exe" "$@" 2>"$WINEPREFIX/loaddll.txt" | tr -d '\r' | tail -n 1)
}

# The DLLs the launcher's process loaded (loaddll.txt) that were not planted.
unplanted_loads() {
  local pid
  pid="$(grep -m1 -F 'Pkg Dir\\Setup.exe"' "$WINEPREFIX/loaddll.txt" | cut -d: -f1)"
  { grep "^$pid:.*Loaded L" "$WINEPREFIX/loaddll.txt" || echo "no trace"; } | sed 's/.*\\//; s/".*//' |
    grep -v '16$' | grep -vixF -f <(printf '%s\n' setup.exe winex11.drv $AT_START_DLLS $AT_RUN_DLLS) | sort -u
}

# The control: from the current folder, a bare-name load takes the plant,
# so a launcher that loaded cfgmgr32.dll by name would have been caught.
check_control() {
  check "control: bare-name load of cfgmgr32.dll" \
    "$(cd "$(unix_path "$PLANT_CURRENT")" && w "$PLANT_CURRENT\\loadlib.exe" cfgmgr32.dll | tr '[:upper:]' '[:lower:]')" \
    'c:\work dir\cfgmgr32.dll'
}

# The checks every road shares, then the control.
check_no_decoy() {
  check "decoy programs run" "$(decoys_run)" ""
  check "planted DLLs loaded" "$(planted_loads)" ""
  check "DLLs loaded but not planted" "$(unplanted_loads)" ""
  check_control
}

# scenario_plants_install RELEASE: a fresh installation; the hand-off runs
# the package's programs by full path (and on NT 5.x waits through the
# system's cfgmgr32.dll).
scenario_plants_install() {
  new_scenario "plants: fresh installation on $1 runs and loads no decoy" "$1" || { finish; return; }
  plant_decoys
  local r
  r="$(run_in_current)"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 1
  check "installer started from the package" \
    "$(stub_programs | grep -ciF "$PLANT_FOLDER\\Install\\Setup.exe")" 1
  check_no_decoy
  finish
}

# scenario_plants_removal RELEASE: /a<printer> loads winspool and, on winxp, cfgmgr32
# and restarts the spooler with net.exe: each from the system folder.
scenario_plants_removal() {
  new_scenario "plants: printer removal on $1 runs and loads no decoy" "$1" || { finish; return; }
  plant_decoys
  check "queue added" "$(tool spoolctl add "$PRINTER" 'E2E Driver')" added
  local r
  r="$(run_in_current "/a$PRINTER")"
  check "launcher" "$(field launcher "$r")" ended
  check "queue removed" "$(tool spoolctl printer "$PRINTER")" no
  [ "$1" = winxp ] && check "net.exe from the system folder" \
    "$(stub_log | grep -i 'net\.exe' | cut -d'|' -f1 | sort -u | tr '[:upper:]' '[:lower:]')" \
    'c:\windows\system32\net.exe'
  check_no_decoy
  finish
}

# scenario_plants_uninstall: the maintenance dialog, Uninstall + Next, with
# an uninstall string naming MsiExec.exe by bare name.
scenario_plants_uninstall() {
  new_scenario "plants: Uninstall + Next runs the system's MsiExec.exe only" winxp || { finish; return; }
  plant_decoys
  reg_add "HKLM\\$PRODUCT_KEY" /v "${PDIENTRY}KEY" /d 1
  reg_add "HKLM\\$PRODUCT_KEY" /v InstalledDevices /d "$PRINTER,E2E Entry"
  reg_add "HKLM\\Software\\Corvale\\$PDIENTRY"
  reg_add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\E2E Entry' /v UninstallString \
    /d "$UNINSTALL_COMMAND"
  local out="$RUN_DIR/plants-uninstall.out"
  (cd "$(unix_path "$PLANT_CURRENT")" &&
    wine 'C:\e2e\launch_wait.exe' --timeout 30000 "$PLANT_FOLDER\\Setup.exe" >"$out" 2>"$WINEPREFIX/loaddll.txt") &
  local waiter=$!
  # A user's mouse clicks, with dialog.sh's click (xdotool on the virtual
  # desktop): Uninstall (1001), then Next (IDOK), enabled by that choice.
  check "dialog shown" "$(tool dlgtool wait 30000)" found
  click 1001 || check "Uninstall clicked" no yes
  click 1 || check "Next clicked" no yes
  wait_for_exit "$waiter"
  wait "$waiter" 2>/dev/null
  check "launcher" "$(field launcher "$(tr -d '\r' <"$out" | tail -n 1)")" ended
  wait_for_log_lines 1
  check "uninstall command" "$(stub_log | tr '[:upper:]' '[:lower:]')" \
    "c:\\windows\\system32\\msiexec.exe|$(echo "$UNINSTALL_COMMAND" | tr '[:upper:]' '[:lower:]')"
  check_no_decoy
  finish
}

# scenario_plants_gate: another copy running, then an earlier edition's "Caution!" box (OK pressed).
scenario_plants_gate() {
  new_scenario "plants: another copy and the Caution! box on win98 load no decoy" win98 || { finish; return; }
  plant_decoys
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  check "another copy" "$(field launcher "$(HOLD="${PDIENTRY}Setup" run_in_current)")" ended
  (tool wintool wait 'Caution!' 20000 >/dev/null && tool wintool ok 'Caution!' >/dev/null) &
  check "launcher after OK" "$(field launcher "$(run_in_current)")" ended
  check_no_decoy
  finish
}

E2E_SCENARIOS+=(
  "scenario_plants_install winxp"
  "scenario_plants_install win98"
  "scenario_plants_removal winxp"
  "scenario_plants_removal win98"
  scenario_plants_uninstall
  scenario_plants_gate
)
