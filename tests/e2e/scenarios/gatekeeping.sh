# shellcheck shell=bash
# The roads other than the installation, each a start state, a release and a
# run held against its plan (compared_run): another copy, no information
# file, an information file naming nothing usable, an earlier edition (the
# user reads the "Caution!" box and presses OK), earlier-edition keys
# without subkeys, the installed product (the user cancels the maintenance
# dialog), removal mode, unsupported releases.

EARLIER_EDITION='[HKEY_LOCAL_MACHINE\Software\Ostrane\Varnesse\Old Edition]'

# saw WHAT WHILE: notes for the observer that the user saw WHAT, and the
# completion event's state while it was up, with the time.
saw() {
  local probe
  probe="$(tool event_probe "$COMPLETION_EVENT" --at)"
  printf '%s|%s\n%s|completion event while the %s was up: %s\n' "${probe#*$'\n'}" "$1" "${probe#*$'\n'}" "$2" \
    "${probe%%$'\n'*}" >>"$WINEPREFIX/observed.box"
}

# The user at the box: notes what it says and whether the waiting program was
# released while it was up, then presses OK.
caution_reader() {
  [ "$(tool wintool wait 'Caution!' 20000)" = 'Caution!' ] || return
  saw "shows a message box \"Caution!\": $(tool wintool text 'Caution!')" box
  tool wintool ok 'Caution!' >/dev/null
}

# The user at the maintenance dialog: notes it and the event, then presses
# Cancel (DIALOG_PLAY, when set, plays the user's part instead).
dialog_user() {
  [ "$(tool dlgtool wait 30000)" = found ] || return
  saw "shows the maintenance dialog" dialog
  "${DIALOG_PLAY:-click}" 2
}

# scenario_road ROAD RELEASE: one road on one release.
scenario_road() {
  new_scenario "$1 on $2, as planned" "$2" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  case "$1" in
    another-copy)
      start_state <<<"$EARLIER_EDITION"
      compared_run --hold "${PDIENTRY}Setup" 'C:\pkg\Setup.exe'
      # A road without windows never loads the window system.
      check "launcher and window system in the module trace" \
        "$(launcher_modules | grep -xE 'setup\.exe|user32\.dll|gdi32\.dll')" setup.exe
      ;;
    another-copy-removal)
      start_state <<<"$EARLIER_EDITION"
      compared_run --hold "${PDIENTRY}Setup" 'C:\pkg\Setup.exe' "/a$PRINTER"
      ;;
    no-information-file)
      rm "$WINEPREFIX/drive_c/pkg/InstallInfo.ini"
      start_state <<<"$EARLIER_EDITION"
      compared_run --hold Setup 'C:\pkg\Setup.exe'
      ;;
    earlier-edition)
      start_state <<<"$EARLIER_EDITION"
      RUN_USER=caution_reader compared_run 'C:\pkg\Setup.exe'
      ;;
    earlier-keys-without-subkeys)
      printf '[%s]\n\n[%s]\n"Note"="values only"\n' 'HKEY_LOCAL_MACHINE\Software\Ostrane\Tamsk' \
        'HKEY_LOCAL_MACHINE\Software\Ostrane\Varnesse' | start_state
      compared_run 'C:\pkg\Setup.exe'
      ;;
    installed)
      printf '[%s]\n"%sKEY"="1"\n\n[%s]\n' "HKEY_LOCAL_MACHINE\\$PRODUCT_KEY" "$PDIENTRY" \
        "HKEY_LOCAL_MACHINE\\Software\\Corvale\\$PDIENTRY" | start_state
      RUN_USER=dialog_user compared_run 'C:\pkg\Setup.exe'
      ;;
    root-marker)
      # No RegistryPath: a marker at the root of HKEY_LOCAL_MACHINE (98 and
      # Me allow values there) beside the maker key makes no installed
      # product; the installation runs, writing nothing at the root.
      sed -i '/^RegistryPath=/d' "$WINEPREFIX/drive_c/pkg/InstallInfo.ini"
      printf '[HKEY_LOCAL_MACHINE]\n"%sKEY"="1"\n\n[%s]\n' "$PDIENTRY" \
        "HKEY_LOCAL_MACHINE\\Software\\Corvale\\$PDIENTRY" | start_state
      compared_run 'C:\pkg\Setup.exe'
      check "the root marker" "$(grep -c "^\"${PDIENTRY}KEY\"" "$WINEPREFIX/system.reg")" 1
      ;;
    removal) compared_run 'C:\pkg\Setup.exe' "/a$PRINTER" ;;
    unusable)
      # A PDIENTRY too long to name the instance event.
      printf '[INSTALL_INFO]\r\nRegistryPath=%s\r\nPDIENTRY=%0600d\r\n' "$PRODUCT_KEY" 0 >"$WINEPREFIX/drive_c/pkg/InstallInfo.ini"
      compared_run 'C:\pkg\Setup.exe'
      ;;
    unsupported)
      compared_run 'C:\pkg\Setup.exe'
      compared_run 'C:\pkg\Setup.exe' "/a$PRINTER"
      ;;
  esac
  finish
}

# The libraries bound on first call cannot be loaded (user32, then also
# advapi32, disabled for programs named Setup.exe), which no plan can pose:
# the "Caution!" box cannot show, the registry cannot be read; the launcher
# ends cleanly with the event set (without advapi32 it takes the
# installation road to its end).
scenario_earlier_edition_without_window_system() {
  local also="${1:-}"
  new_scenario "earlier edition without user32${also:+ and $also}: no crash, event set" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local library
  for library in user32 $also; do
    reg_add 'HKCU\Software\Wine\AppDefaults\Setup.exe\DllOverrides' /v "$library" /d disabled
  done
  # Output to a file: a launcher that crashed would leave a process holding
  # a pipe open.
  local r out="$WINEPREFIX/launch.out"
  timeout 40 wine 'C:\e2e\launch_wait.exe' --timeout "$END_LIMIT" 'C:\pkg\Setup.exe' >"$out" 2>/dev/null
  r="$(tr -d '\r' <"$out" | tail -n 1)"
  check "launcher" "$(field launcher "$r") exit $(field exit "$r")" "ended exit 0"
  check "completion event" "$(field event "$r")" set
  # No key can be read: not an earlier edition, not installed; the hand-off.
  [ -z "$also" ] || check "installer started" "$(wait_for_log_lines 1; stub_programs | grep -ci 'Install\\Setup.exe')" 1
  finish
}

# Removal mode with a launcher whose name ends in a double-byte character
# whose second byte is a backslash (表 is 95 5C in code page 932): a folder
# search that is not multibyte-aware cuts the path inside that character
# and finds no side program. From a folder with a blank: the side program is
# started by its full path, never as C:\Program.exe.
scenario_removal_path() {
  new_scenario "removal mode, launcher $1, as planned" "$2" "${3:-en_US.UTF-8}" || { finish; return; }
  local unix="$WINEPREFIX/drive_c/${1#C:\\}"
  unix="${unix//\\//}"
  package "${unix%/*}" "${unix##*/}"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  PLAN_ARGS=(--program 'C:\Program.exe')
  compared_run "$1" "/a$PRINTER"
  [ -z "${3:-}" ] || check "code page" "$(field acp "$RUN_REPORT")" 932
  finish
}

E2E_SCENARIOS+=(
  "scenario_road another-copy winxp" "scenario_road another-copy win2k" "scenario_road another-copy winme"
  "scenario_road another-copy win98" "scenario_road another-copy win98fe"
  "scenario_road another-copy-removal win98" "scenario_road no-information-file winxp"
  "scenario_road earlier-edition winxp" "scenario_road earlier-edition win2k" "scenario_road earlier-edition winme"
  "scenario_road earlier-edition win98" "scenario_road earlier-edition win98fe"
  "scenario_road earlier-keys-without-subkeys winxp"
  "scenario_road installed winxp" "scenario_road installed win2k" "scenario_road installed winme"
  "scenario_road installed win98" "scenario_road installed win98fe" "scenario_road root-marker win98"
  "scenario_road removal winxp" "scenario_road removal win2k" "scenario_road removal winme"
  "scenario_road removal win98" "scenario_road removal win98fe"
  "scenario_road unsupported win95" "scenario_road unsupported nt40" "scenario_road unsupported win7"
  "scenario_road unusable winxp" "scenario_road unusable win98"
  scenario_earlier_edition_without_window_system
  "scenario_earlier_edition_without_window_system advapi32"
  "scenario_removal_path 'C:\\pkg\\Setup表.exe' win98 ja_JP.UTF-8"
  "scenario_removal_path 'C:\\Program Files\\E2E Pkg\\Setup.exe' winme"
  "scenario_removal_path 'C:\\ソフト\\表\\Setup.exe' winxp ja_JP.UTF-8"
  "scenario_removal_path 'C:\\Größe Pkg\\Setup.exe' win98"
)
