#!/usr/bin/env bash
# Builds Setup.exe and runs it under Wine (headless) from a sample printer
# package, with Wine posing as a chosen Windows release, then tells what it
# saw: the road the launcher took, the programs it started, the product's
# registry values and the completion event.
#
#   ./run-demo.sh [release] [situation] [language]
#   release:   win95 win98 winme nt40 win2k winxp win2003 win7 (default winxp)
#   situation: fresh earlier-edition installed another-copy removal (default fresh)
#   language:  the user's language (default en): en de fr it nl es es-MX pt-BR
#              ru ko zh-CN, or any other (pl, ja, ...), or a locale (de_AT)
set -u

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$ROOT" || exit 1

RELEASES="win95 win98 winme nt40 win2k winxp win2003 win7"
SITUATIONS="fresh earlier-edition installed another-copy removal"

usage() {
  echo "usage: ./run-demo.sh [release] [situation] [language]"
  echo "  release:   $RELEASES (default winxp)"
  echo "  situation: $SITUATIONS (default fresh)"
  echo "  language:  en de fr it nl es es-MX pt-BR ru ko zh-CN pl ... or a locale such as de_AT (default en)"
}

RELEASE=winxp
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
trap 'wine_stop; xvfb_stop' EXIT
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

w() { timeout 60 wine "$@" 2>/dev/null | tr -d '\r'; }
tool() {
  local name="$1"
  shift
  w "C:\\e2e\\$name.exe" "$@"
}
reg_add() { wine reg add "$@" /f >/dev/null 2>&1; }

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
    ;;
esac

echo "Running Setup.exe${ARGS[*]:+ ${ARGS[*]}} (situation: $SITUATION) ..."
OUT="$DEMO/waiter.out"
wine 'C:\e2e\launch_wait.exe' --timeout 120000 "${HOLD[@]}" "$PKG_WIN\\Setup.exe" "${ARGS[@]}" >"$OUT" 2>/dev/null &
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
  while IFS='|' read -r module commandline; do
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
echo "Event:      completion event ${EVENT:-unknown}; launcher ${ENDED:-unknown}"
[ -n "$BOX_TITLE" ] || [ -n "$DIALOG_CAPTION" ] || [ $WINDOW_LEFT_OPEN -eq 1 ] && echo "Screenshot: build/demo/screen.png"
exit 0
