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

# plant_decoys: the package in PLANT_FOLDER and every decoy (the plan is
# told of the programs); recorders for the system's net.exe and msiexec.exe;
# the overrides.
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
  PLAN_ARGS=(--program "$PLANT_CURRENT\net.exe" --program "$PLANT_CURRENT\MsiExec.exe" --program 'C:\Program.exe'
    --program 'C:\Program Files\Pkg.exe' --program 'C:\windows\system32\msiexec.exe')
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program Files/Pkg.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/windows/system32/net.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/windows/system32/msiexec.exe"
  cp "$WIN32_BUILD/helpers/loadlib.exe" "$current/loadlib.exe"
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES$(printf ';%s=n,b' ${AT_RUN_DLLS,,});net.exe=n;msiexec.exe=n"
}

# run_in_current [--hold NAME] [ARGUMENT]: compared_run of the launcher in
# PLANT_FOLDER, started in PLANT_CURRENT. A decoy run is a program the plan
# does not start.
run_in_current() {
  local hold=()
  [ "${1:-}" != --hold ] || { hold=(--hold "$2") && shift 2; }
  RUN_FOLDER="$(unix_path "$PLANT_CURRENT")" compared_run "${hold[@]}" "$PLANT_FOLDER\\Setup.exe" "$@"
}

planted_loads() {
  local log="$WINEPREFIX/drive_c/planted.log"
  [ -f "$log" ] && tr -d '\r' <"$log"
}

# The checks every road shares beyond the plan: no planted DLL loaded, none
# loaded that was not planted; then the control: from the current folder, a
# bare-name load takes the plant, so a launcher that loaded cfgmgr32.dll by
# name would have been caught.
check_no_decoy() {
  check "planted DLLs loaded" "$(planted_loads)" ""
  check "DLLs loaded but not planted" "$(launcher_modules | grep -v '16$' |
    grep -vixF -f <(printf '%s\n' setup.exe winex11.drv $AT_START_DLLS $AT_RUN_DLLS) | sort -u)" ""
  check "control: bare-name load of cfgmgr32.dll" \
    "$(cd "$(unix_path "$PLANT_CURRENT")" && w "$PLANT_CURRENT\\loadlib.exe" cfgmgr32.dll | tr '[:upper:]' '[:lower:]')" \
    'c:\work dir\cfgmgr32.dll'
}

# scenario_plants ROAD RELEASE: a fresh installation (the hand-off runs the
# package's programs by full path, and on NT 5.x waits through the system's
# cfgmgr32.dll); /a<printer> (winspool, cfgmgr32 on NT 5.x and net.exe,
# each from the system folder); the maintenance dialog's Uninstall + Next
# with an uninstall string naming MsiExec.exe by bare name; another copy
# running, then an earlier edition's "Caution!" box.
scenario_plants() {
  new_scenario "plants: $1 on $2 runs and loads no decoy, as planned" "$2" || { finish; return; }
  plant_decoys
  case "$1" in
    installation) run_in_current ;;
    removal)
      check "queue added" "$(tool spoolctl add "$PRINTER" 'E2E Driver')" added
      PLAN_ARGS+=(--printer "$PRINTER=E2E Driver")
      OBSERVE_ALLOW=driver-flags END_LIMIT=40000 run_in_current "/a$PRINTER"
      ;;
    uninstall)
      printf '[%s]\n"%sKEY"="1"\n"InstalledDevices"="%s,E2E Entry"\n\n[%s]\n\n[%s]\n"UninstallString"="%s"\n' \
        "HKEY_LOCAL_MACHINE\\$PRODUCT_KEY" "$PDIENTRY" "$PRINTER" "HKEY_LOCAL_MACHINE\\Software\\Corvale\\$PDIENTRY" \
        'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\E2E Entry' "$UNINSTALL_COMMAND" |
        start_state
      # A user's mouse clicks, with dialog.sh's click (xdotool on the virtual
      # desktop): Uninstall (1001), then Next (IDOK), enabled by that choice.
      play_uninstall() { click 1001 && click 1; }
      PLAN_ARGS+=(--choose uninstall)
      DIALOG_PLAY=play_uninstall RUN_USER=dialog_user run_in_current
      ;;
    gate)
      start_state <<<"$EARLIER_EDITION"
      run_in_current --hold "${PDIENTRY}Setup"
      RUN_USER=caution_reader run_in_current
      ;;
  esac
  check_no_decoy
  finish
}

E2E_SCENARIOS+=(
  "scenario_plants installation winxp"
  "scenario_plants installation win98"
  "scenario_plants removal winxp"
  "scenario_plants removal win98"
  "scenario_plants uninstall winxp"
  "scenario_plants gate win98"
)
