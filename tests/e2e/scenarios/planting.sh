# shellcheck shell=bash
# DLL planting: a DLL of ours (helpers/recorder.dll, which logs when it is
# loaded) lies beside Setup.exe under the name of every DLL the launcher
# imports, and under the names of DLLs it must load only by full path, with
# a DLL override that prefers a native copy found in the program's folder.
# Posing as each release the launcher supports, none of them may be loaded,
# and the launcher must still run to its end (which also shows the
# application object was built before WinMain: without it nothing runs and
# the completion event stays unset).
#
# Wine and Windows: Windows takes kernel32, user32, gdi32 and advapi32 from
# its system folder whatever lies beside the program (known DLLs, loaded-
# module list; see cmake/win32.cmake). Wine 8 has no known-DLL protection:
# with a native-first override it loads a planted copy of any of the four
# (kernel32 too; the process then fails), and a planted msvcrt.dll as a
# dependency of its own builtin DLLs although Setup.exe does not import it;
# it ignores a KnownDLLs registry key. So here those five are planted under
# Wine's default load order only, and the native-first override is given
# for the DLLs a launcher could be tempted to import at link time
# (winspool.drv, cfgmgr32.dll, and any other name Setup.exe imports): a
# link-time import of one of them is caught. The control program shows the
# override takes a planted copy in this Wine.

# The DLL names Setup.exe imports, as its import table gives them.
imported_dlls() {
  i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'
}

# plant FOLDER NAME...: the recorder under each NAME in FOLDER.
plant() {
  local folder="$1" name
  shift
  for name in "$@"; do
    cp "$WIN32_BUILD/helpers/recorder.dll" "$folder/$name"
  done
}

planted_log() {
  local log="$WINEPREFIX/drive_c/planted.log"
  [ -f "$log" ] && tr -d '\r' <"$log"
}

# What system libraries bring along (src/records/system_library.cpp).
COMPANIONS='\\(rpcrt4|setupapi|comctl32|compstui|spoolss|localspl|uxtheme|ole32)\.dll$'

# launcher_loads [ARGUMENT]: the paths the launcher itself gives LoadLibraryExA
# in a run of C:\pkg\Setup.exe, lower-case, one a line (a relay trace of its
# own calls: Wine's libraries load what they need by themselves).
launcher_loads() {
  local trace="$WINEPREFIX/relay.trace" pid
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d LoadLibraryExA /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayFromInclude /d Setup.exe /f >/dev/null 2>&1
  E2E_STDERR="$trace" WINEDEBUG=+pid,+loaddll,+relay run_to_end 'C:\pkg\Setup.exe' "$@" >/dev/null
  pid="$(grep -a -m1 'trace:loaddll:.*Loaded L".*\\Setup[^\\]*\.exe"' "$trace" | cut -d: -f1)"
  [ -n "$pid" ] || { echo "no trace"; return; }
  grep -a "^$pid:.*Call [A-Za-z0-9]*\.LoadLibraryExA(" "$trace" | sed 's/^[^"]*"//; s/".*//; s/\\\\/\\/g' |
    tr '[:upper:]' '[:lower:]'
}

scenario_planted_dlls() {
  local release="$1"
  new_scenario "planted DLLs beside Setup.exe are not loaded ($release), as planned" "$release" || { finish; return; }
  local imported=() name
  while read -r name; do imported+=("$name"); done < <(imported_dlls "$WIN32_BUILD/Setup.exe")
  check "imports read" "$([ ${#imported[@]} -gt 0 ] && echo yes)" yes
  # Native first: every imported DLL that is not one of Wine's unprotected
  # core four, and the DLLs the launcher may only load by full path.
  local preferred=(winspool.drv cfgmgr32.dll)
  for name in "${imported[@]}"; do
    case "${name,,}" in kernel32.dll | user32.dll | gdi32.dll | advapi32.dll) ;; *) preferred+=("$name") ;; esac
  done
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  plant "$WINEPREFIX/drive_c/pkg" "${imported[@]}" msvcrt.dll "${preferred[@]}"
  mkdir -p "$WINEPREFIX/drive_c/control"
  cp "$WIN32_BUILD/helpers/spooler_importer.exe" "$WINEPREFIX/drive_c/control/"
  plant "$WINEPREFIX/drive_c/control" winspool.drv

  local overrides="" saved="$WINEDLLOVERRIDES"
  for name in "${preferred[@]}"; do overrides+="${name,,}=n,b;"; done
  export WINEDLLOVERRIDES="$overrides$saved"

  # Control: a program that imports winspool.drv gets the planted copy.
  w 'C:\control\spooler_importer.exe' >/dev/null
  check "control program loads the planted winspool.drv" "$(planted_log | tr '[:upper:]' '[:lower:]')" \
    'loaded c:\control\winspool.drv'
  rm -f "$WINEPREFIX/drive_c/planted.log"

  compared_run 'C:\pkg\Setup.exe'
  check "planted DLLs loaded" "$(planted_log)" ""
  # The removal road loads winspool.drv; with no companion beside it, nothing more.
  local loads
  loads="$(launcher_loads '/aNo Such Printer')"
  check "the launcher's loads traced" "$(grep -c 'system32\\winspool\.drv$' <<<"$loads")" 1
  check "companions the launcher loads, none planted" "$(grep -E "$COMPANIONS" <<<"$loads")" ""
  # A compstui.dll beside it: the system's is loaded first, never the planted one.
  plant "$WINEPREFIX/drive_c/pkg" compstui.dll
  export WINEDLLOVERRIDES="compstui.dll=n,b;$WINEDLLOVERRIDES"
  loads="$(launcher_loads '/aNo Such Printer')"
  check "companions the launcher loads, compstui.dll planted" "$(grep -E "$COMPANIONS" <<<"$loads")" \
    'c:\windows\system32\compstui.dll'
  check "planted DLLs loaded, compstui.dll planted" "$(planted_log)" ""
  export WINEDLLOVERRIDES="$saved"
  finish
}

E2E_SCENARIOS+=(
  "scenario_planted_dlls win98fe"
  "scenario_planted_dlls win98"
  "scenario_planted_dlls winme"
  "scenario_planted_dlls win2k"
  "scenario_planted_dlls winxp"
)
