#!/usr/bin/env bash
# Builds Setup.exe and runs it under Wine (headless) from a sample printer
# package, with Wine posing as a chosen Windows release, then tells what it
# saw: the road the launcher took, the programs it started, the product's
# registry values and the completion event.
#
#   ./run-demo.sh [release] [situation] [language]
#   release:   win95 win98 winme nt40 win2k winxp win2003 win7 (default winxp)
#   situation: fresh device earlier-edition installed another-copy removal
#              (default fresh; device: the printer plugged in before the
#              software, on win98 unless another release is named)
#   language:  the user's language (default en): en de fr it nl es es-MX pt-BR
#              ru ko zh-CN, or any other (pl, ja, ...), or a locale (de_AT)
set -u

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$ROOT" || exit 1

RELEASES="win95 win98 winme nt40 win2k winxp win2003 win7"
SITUATIONS="fresh device earlier-edition installed another-copy removal"

usage() {
  echo "usage: ./run-demo.sh [release] [situation] [language]"
  echo "  release:   $RELEASES (default winxp)"
  echo "  situation: $SITUATIONS (default fresh)"
  echo "  language:  en de fr it nl es es-MX pt-BR ru ko zh-CN pl ... or a locale such as de_AT (default en)"
}

RELEASE=""
SITUATION=fresh
case "${1:-}" in
  -h | --help) usage; exit 0 ;;
esac
if [ $# -ge 1 ]; then
  if [[ " $SITUATIONS " == *" $1 "* ]] && [ $# -eq 1 ]; then
    SITUATION="$1"
  else
    RELEASE="$1"
  fi
fi
[ $# -ge 2 ] && SITUATION="$2"
LANGUAGE="${3:-en}"
if [ -z "$RELEASE" ]; then
  if [ "$SITUATION" = device ]; then RELEASE=win98; else RELEASE=winxp; fi
fi
if [[ " $RELEASES " != *" $RELEASE "* ]] || [[ " $SITUATIONS " != *" $SITUATION "* ]] || [ $# -gt 3 ]; then
  usage >&2
  exit 2
fi
# The user's language is the locale Wine runs in (UI language and code page).
case "$LANGUAGE" in
  *_*) LOCALE="$LANGUAGE" ;;
  es-MX) LOCALE=es_MX ;;
  pt-BR) LOCALE=pt_BR ;;
  zh-CN) LOCALE=zh_CN ;;
  en) LOCALE=en_US ;;
  ko) LOCALE=ko_KR ;;
  ja) LOCALE=ja_JP ;;
  [a-z][a-z]) LOCALE="${LANGUAGE}_${LANGUAGE^^}" ;;
  *)
    usage >&2
    exit 2
    ;;
esac

release_name() {
  case "$1" in
    win95) echo "Windows 95" ;;
    win98) echo "Windows 98 Second Edition" ;;
    winme) echo "Windows Me" ;;
    nt40) echo "Windows NT 4.0" ;;
    win2k) echo "Windows 2000" ;;
    winxp) echo "Windows XP" ;;
    win2003) echo "Windows Server 2003" ;;
    win7) echo "Windows 7" ;;
  esac
}

"$ROOT/scripts/install-deps.sh" || exit 1

BUILD="$ROOT/build/win32"
DEMO="$ROOT/build/demo"
mkdir -p "$DEMO"
echo "Building Setup.exe ..."
if ! { cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release && cmake --build "$BUILD" -j2; } >"$DEMO/build.log" 2>&1; then
  tail -n 30 "$DEMO/build.log"
  echo "Build failed (full log: build/demo/build.log)."
  exit 1
fi

# shellcheck source=tests/e2e/wine_lib.sh
source "$ROOT/tests/e2e/wine_lib.sh"
export LANG="$LOCALE.UTF-8" LC_ALL="$LOCALE.UTF-8"
wine_env
xvfb_ensure || exit 1
trap 'wine_stop; wine_keep_prefix "$DEMO/prefix"; xvfb_stop' EXIT
echo "Preparing a Wine prefix posing as $(release_name "$RELEASE") ..."
wine_new_prefix "$DEMO/prefix" || exit 1
wine_pose "$RELEASE"

# ---- the sample package -------------------------------------------------------
PKG_WIN='C:\Sample Package'
PKG="$WINEPREFIX/drive_c/Sample Package"
PRODUCT_KEY='Software\Ostrane\Sample Printer'
PDIENTRY='SamplePrinter'
PRINTER='Sample Printer'
COMPLETION_EVENT='HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}'

mkdir -p "$PKG/Util" "$PKG/Install" "$WINEPREFIX/drive_c/e2e"
cp "$BUILD"/helpers/*.exe "$WINEPREFIX/drive_c/e2e/"
cp "$BUILD/Setup.exe" "$PKG/Setup.exe"
for program in Util/OemHlt07.exe Util/CloseDlg.exe Util/OemAdv07.exe Install/Setup.exe Cleanup.exe; do
  cp "$BUILD/helpers/side_stub.exe" "$PKG/$program"
done
cat <<EOF | sed 's/$/\r/' >"$PKG/InstallInfo.ini"
[INSTALL_INFO]
RegistryPath=$PRODUCT_KEY
PDIENTRY=$PDIENTRY
GUIDUNDINF={6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}
VID_PID=VID_1E2F&PID_0A07,VID_1E2F&PID_0A08
[UNINSTALL]
INFSGUID={5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}
EOF
# The package's runtime libraries; in the Windows folders, an INF file a
# device installation of the product left behind, and a stale library.
echo "msvcp60 of the sample package" >"$PKG/msvcp60.dll"
echo "mfc42 of the sample package" >"$PKG/mfc42.dll"
printf '[Version]\r\n; {5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}\r\n' >"$WINEPREFIX/drive_c/windows/inf/oem7.inf"
echo "precompiled" >"$WINEPREFIX/drive_c/windows/inf/oem7.pnf"
echo "stale" >"$WINEPREFIX/drive_c/windows/system32/Oemk3207.dll"

w() { timeout 60 wine "$@" 2>/dev/null | tr -d '\r'; }
tool() {
  local name="$1"
  shift
  w "C:\\e2e\\$name.exe" "$@"
}
reg_add() { wine reg add "$@" /f >/dev/null 2>&1; }

# Removal mode: one INF file of the product (with the marker of
# InstallInfo.ini and its .pnf) and one of another maker in C:\windows\inf.
INF_DIR="$WINEPREFIX/drive_c/windows/inf"
DEMO_INF_FILES="oem50.inf oem50.pnf oem51.inf oem51.pnf"
lay_demo_inf_files() {
  mkdir -p "$INF_DIR"
  printf '[Version]\r\n; {5c1e0a93-7b24-4f6d-9e37-2a8b64d0c51f}\r\n' >"$INF_DIR/oem50.inf"
  printf '[Version]\r\n; {0A1B2C3D-0000-4000-8000-123456789ABC}\r\n' >"$INF_DIR/oem51.inf"
  printf 'PNF' >"$INF_DIR/oem50.pnf"
  printf 'PNF' >"$INF_DIR/oem51.pnf"
}

# ---- the situation ---------------------------------------------------------------
ARGS=()
HOLD=()
case "$SITUATION" in
  earlier-edition)
    reg_add 'HKLM\Software\Ostrane\Varnesse\Edition 1' /v Version /d 1.0
    ;;
  installed)
    reg_add "HKLM\\$PRODUCT_KEY" /v "${PDIENTRY}KEY" /d 1
    reg_add "HKLM\\$PRODUCT_KEY" /v InstalledLocation /d 'C:\Program Files\Sample Printer\'
    reg_add "HKLM\\$PRODUCT_KEY" /v InstalledDevices /d ',SamplePrinterUninstall,'
    reg_add "HKLM\\Software\\Corvale\\$PDIENTRY"
    reg_add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\SamplePrinterUninstall' \
      /v UninstallString /d 'C:\Program Files\Sample Printer\Uninstall.exe'
    mkdir -p "$WINEPREFIX/drive_c/Program Files/Sample Printer"
    cp "$BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program Files/Sample Printer/Uninstall.exe"
    ;;
  another-copy)
    HOLD=(--hold "${PDIENTRY}Setup")
    ;;
  removal)
    ARGS=("/a$PRINTER")
    lay_demo_inf_files
    # A queue for the launcher to remove, added through Wine's spooler.
    PRINTER_BEFORE="$(tool spoolctl add "$PRINTER" 'Sample Printer Driver' >/dev/null; tool spoolctl printer "$PRINTER")"
    ;;
  device)
    # Plugged in before the software: Windows enumerated the USB device and
    # installed its printer function with the product's setup class.
    case "$RELEASE" in
      win98 | winme | win95) ENUM='HKEY_LOCAL_MACHINE\Enum' ;;
      *) ENUM='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum' ;;
    esac
    cat <<EOF | sed 's/$/\r/' >"$WINEPREFIX/drive_c/device.reg"
REGEDIT4

[$ENUM\USB\VID_1E2F&PID_0A07\5&2C1D&0&1]
"Class"="USB"

[$ENUM\USB\VID_1E2F&PID_0A07&MI_00\6&3A&0&0000]
"Class"="Image"

[$ENUM\DOT4PRT\SAMPLE_PRINTER\7&1F&0&1]
"ClassGUID"="{6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}"
EOF
    wine regedit /S 'C:\device.reg' >/dev/null 2>&1
    ;;
esac

# What the hand-off may change, before the run: the install mode and the
# files of the Windows INF and system folders.
install_mode() {
  wine reg query "HKLM\\$PRODUCT_KEY" /v InstallMode 2>/dev/null | tr -d '\r' | sed -n 's/^ *InstallMode *REG_SZ *//p'
}
snapshot() {
  find "$WINEPREFIX/drive_c/windows/inf" "$WINEPREFIX/drive_c/windows/system32" -maxdepth 2 -type f \
    -printf '%p %s %T@\n' 2>/dev/null | sed "s|^$WINEPREFIX/drive_c/|C:/|" | sort
}
MODE_BEFORE="$(install_mode)"
snapshot >"$DEMO/files.before"
# Wine lists these calls of every process; the launcher's are picked out.
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d \
  'RegOpenKeyExA;RegCreateKeyExA;RegSetValueExA;CopyFileA;CMP_WaitNoPendingInstallEvents;FindWindowA;Sleep;FindFirstFileA;DeleteFileA;WritePrivateProfileStringA;CreateFileA;CreateProcessA;WaitForSingleObject;SetThreadPriority;MessageBoxA;DialogBoxParamA;OpenEventA;SetEvent;OpenPrinterA;DeletePrinter;DeletePrinterDriverA' \
  /f >/dev/null 2>&1

echo "Running Setup.exe${ARGS[*]:+ ${ARGS[*]}} (situation: $SITUATION) ..."
OUT="$DEMO/waiter.out"
# The stubs note the completion event's state as they start and end, and run
# for a second and a half each.
E2E_STUB_DETAILS=1 E2E_STUB_SLEEP_MS=1500 WINEDEBUG=+relay \
  wine 'C:\e2e\launch_wait.exe' --timeout 120000 "${HOLD[@]}" "$PKG_WIN\\Setup.exe" "${ARGS[@]}" \
  >"$OUT" 2>"$DEMO/trace.txt" &
WAITER=$!

BOX_TITLE=""
BOX_TEXT=""
DIALOG_CAPTION=""
DIALOG_EVENT=""
EVENT_DURING_BOX=""
WINDOW_LEFT_OPEN=0
event_set_polls=0
for _ in $(seq 1 1200); do
  kill -0 "$WAITER" 2>/dev/null || break
  if [ -z "$BOX_TITLE" ] && [ "$(tool wintool exists 'Caution!')" = yes ]; then
    BOX_TITLE="$(tool wintool wait 'Caution!' 1000)"
    BOX_TEXT="$(tool wintool text 'Caution!')"
    EVENT_DURING_BOX="$(tool event_probe "$COMPLETION_EVENT")"
    sleep 0.5
    import -window root "$DEMO/screen.png" 2>/dev/null
    tool wintool ok 'Caution!' >/dev/null
    continue
  fi
  # (A message box is a dialog too: the maintenance dialog is the one with
  # the Uninstall radio button.)
  if [ -z "$DIALOG_CAPTION" ] && [ -z "$BOX_TITLE" ] &&
    [[ "$(tool dlgtool where 1001)" =~ ^[0-9]+\ [0-9]+$ ]]; then
    # The maintenance dialog: keep its picture, choose Uninstall, press Next.
    sleep 0.5
    DIALOG_EVENT="$(tool event_probe "$COMPLETION_EVENT")"
    tool dlgtool dump >"$DEMO/dialog.txt"
    DIALOG_CAPTION="$(sed -n 's/^caption=//p' "$DEMO/dialog.txt")"
    read -r -a frame <<<"$(sed -n 's/^window=//p' "$DEMO/dialog.txt")"
    import -window root -crop "${frame[2]}x${frame[3]}+${frame[0]}+${frame[1]}" +repage "$DEMO/screen.png" 2>/dev/null
    for control in 1001 1; do
      # shellcheck disable=SC2046
      xdotool mousemove $(tool dlgtool where $control) click 1
      sleep 0.5
    done
    continue
  fi
  if [ -z "$BOX_TITLE" ] && [ -z "$DIALOG_CAPTION" ] && [ "$(tool event_probe "$COMPLETION_EVENT")" = set ]; then
    # The event is set but the launcher still runs: it shows a window.
    event_set_polls=$((event_set_polls + 1))
    if [ $event_set_polls -ge 20 ]; then
      WINDOW_LEFT_OPEN=1
      import -window root "$DEMO/screen.png" 2>/dev/null
      break
    fi
  fi
  sleep 0.1
done
if [ $WINDOW_LEFT_OPEN -eq 1 ]; then
  wine_stop
fi
wait "$WAITER" 2>/dev/null
REPORT="$(tr -d '\r' <"$OUT" | tail -n 1)"
field() { echo "$REPORT" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
EVENT="$(field event)"
ENDED="$(field launcher)"
[ $WINDOW_LEFT_OPEN -eq 1 ] && EVENT=set && ENDED="running (stopped by the demo)"

# The stubs write their line as they end; the uninstall command is not
# waited for by the launcher, so give it the time it takes.
if [ "$SITUATION" = installed ] && [ -n "$DIALOG_CAPTION" ]; then
  for _ in $(seq 1 50); do
    grep -qi 'Uninstall.exe|' "$WINEPREFIX/drive_c/e2e-log.txt" 2>/dev/null && break
    sleep 0.1
  done
fi
sleep 0.3
STARTED="$( [ -f "$WINEPREFIX/drive_c/e2e-log.txt" ] && tr -d '\r' <"$WINEPREFIX/drive_c/e2e-log.txt")"
INSTALLER_STARTED=0
echo "$STARTED" | grep -qi 'Install\\Setup.exe|' && INSTALLER_STARTED=1

# ---- what was seen ------------------------------------------------------------------
REMOVAL=""
echo "$STARTED" | grep -qi 'Util\\OemHlt07.exe|' && REMOVAL="removal mode (side program started), then "
if [ -n "$BOX_TITLE" ]; then
  ROAD="earlier edition present: message box shown"
elif [ -n "$DIALOG_CAPTION" ]; then
  ROAD="already installed: maintenance dialog shown; the demo chose Uninstall and pressed Next"
elif [ $WINDOW_LEFT_OPEN -eq 1 ]; then
  ROAD="already installed: event set, then a window stayed open (maintenance dialog)"
elif [ $INSTALLER_STARTED -eq 1 ]; then
  ROAD="installation: the package's installer was started"
elif [ "$SITUATION" = another-copy ]; then
  ROAD="another copy running: ended silently"
elif [ "$SITUATION" = installed ]; then
  ROAD="already installed: event set, no dialog window appeared"
else
  case "$RELEASE" in
    win95 | nt40 | win7) ROAD="unsupported release: ended silently" ;;
    *) ROAD="passed every gatekeeping test; no installer was started" ;;
  esac
fi

echo
echo "Release:    $(release_name "$RELEASE") ($RELEASE)"
echo "Situation:  $SITUATION"
echo "Language:   $LANGUAGE (LANG=$LOCALE.UTF-8)"
echo "Road:       $REMOVAL$ROAD"
echo "Steps the launcher took, in order (from Wine's trace of its calls):"
awk -f "$ROOT/scripts/demo_steps.awk" "$DEMO/trace.txt"
if [ -n "$BOX_TITLE" ]; then
  echo "Box:        \"$BOX_TITLE\": $BOX_TEXT"
  echo "            completion event while the box was up: $EVENT_DURING_BOX; OK pressed by the demo"
fi
if [ -n "$DIALOG_CAPTION" ]; then
  echo "Dialog:     \"$DIALOG_CAPTION\"; completion event while it was up: $DIALOG_EVENT"
  grep '^control=100[12]|' "$DEMO/dialog.txt" | cut -d'|' -f7 | sed 's/^/              ( ) /'
fi
if [ -n "$STARTED" ]; then
  first=1
  while IFS='|' read -r module commandline _; do
    [ -n "$module" ] || continue
    if [ $first -eq 1 ]; then label="Started:   "; first=0; else label="           "; fi
    echo "$label $module   (command line: $commandline)"
  done <<<"$STARTED"
else
  echo "Started:    nothing"
fi
PRODUCT_VALUES="$(wine reg query "HKLM\\$PRODUCT_KEY" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)$/\1/p' |
  sed -E 's/ +REG_[A-Z_]+ +/ = /')"
if [ -n "$PRODUCT_VALUES" ]; then
  echo "Registry:   HKLM\\$PRODUCT_KEY"
  echo "$PRODUCT_VALUES" | sed 's/^/              /'
elif wine reg query "HKLM\\$PRODUCT_KEY" >/dev/null 2>&1; then
  echo "Registry:   HKLM\\$PRODUCT_KEY exists, no values"
else
  echo "Registry:   HKLM\\$PRODUCT_KEY does not exist"
fi
if [ "$SITUATION" = removal ]; then
  kept="" removed=""
  for file in $DEMO_INF_FILES; do
    if [ -f "$INF_DIR/$file" ]; then kept="$kept $file"; else removed="$removed $file"; fi
  done
  echo "INF files:  C:\\windows\\inf: removed${removed:- nothing}; kept${kept:- nothing}"
  gone() { [ "$1" = yes ] && echo present || echo absent; }
  echo "Printer:    queue \"$PRINTER\" $(gone "${PRINTER_BEFORE:-no}") before, $(gone "$(tool spoolctl printer "$PRINTER")") after;" \
    "driver $(gone "$(tool spoolctl driver 'Sample Printer Driver')") after"
fi
if [ $INSTALLER_STARTED -eq 1 ]; then
  echo "InstallMode: before the run ${MODE_BEFORE:-(none)}, after it $(install_mode)"
  snapshot >"$DEMO/files.after"
  echo "Files changed:"
  join -a1 -a2 -e '-' -o 0,1.2,1.3,2.2,2.3 "$DEMO/files.before" "$DEMO/files.after" |
    awk '$2 == "-" { print "              created  " $1; next }
         $4 == "-" { print "              deleted  " $1; next }
         $2 != $4 || $3 != $5 { print "              changed  " $1 }' | tr '/' '\\'
  INSTALLER_LINE="$(echo "$STARTED" | grep -i 'Install\\Setup.exe|' | head -n 1)"
  during="$(echo "$INSTALLER_LINE" | tr '|' '\n' | sed -n 's/^event=//p')"
  at_end="$(echo "$INSTALLER_LINE" | tr '|' '\n' | sed -n 's/^event_at_end=//p')"
  echo "Event:      completion event while the installer ran: ${during:-unknown} as it started," \
    "${at_end:-unknown} as it ended"
  echo "            after the launcher ended: ${EVENT:-unknown}"
else
  echo "Event:      completion event ${EVENT:-unknown}; launcher ${ENDED:-unknown}"
fi
[ -n "$BOX_TITLE" ] || [ -n "$DIALOG_CAPTION" ] || [ $WINDOW_LEFT_OPEN -eq 1 ] && echo "Screenshot: build/demo/screen.png"
exit 0
