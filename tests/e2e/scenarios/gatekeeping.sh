# shellcheck shell=bash
# Gatekeeping roads: another copy, no information file, earlier edition,
# unsupported releases, removal mode side program, installed product.


# Another copy is running: its instance event is held by the waiter. An
# earlier-edition key is present too, so a launcher that failed to notice the
# other copy would show the box and not end.
scenario_another_copy() {
  new_scenario "another copy running ends silently, event set" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local r trace="$RUN_DIR/another-copy-loaddll.txt"
  r="$(E2E_STDERR="$trace" WINEDEBUG=+pid,+loaddll run_to_end --hold "${PDIENTRY}Setup" 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  check "programs started" "$(stub_log)" ""
  # A road without windows never loads the window system.
  check "launcher and window system in the module trace" \
    "$(launcher_modules "$trace" | grep -xE 'setup\.exe|user32\.dll|gdi32\.dll')" setup.exe
  finish
}

# The libraries bound on first call cannot be loaded (user32, then also
# advapi32, disabled for programs named Setup.exe): the "Caution!" box cannot
# show, the registry cannot be read; the launcher ends cleanly with the event
# set (without advapi32 it takes the installation road to its end).
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
  local r out="$RUN_DIR/without-window-system.out"
  timeout 40 wine 'C:\e2e\launch_wait.exe' --timeout "$END_LIMIT" 'C:\pkg\Setup.exe' >"$out" 2>/dev/null
  r="$(tr -d '\r' <"$out" | tail -n 1)"
  check "launcher" "$(field launcher "$r") exit $(field exit "$r")" "ended exit 0"
  check "completion event" "$(field event "$r")" set
  # No key can be read: not an earlier edition, not installed; the hand-off.
  [ -z "$also" ] || check "installer started" "$(wait_for_log_lines 1; stub_programs | grep -ci 'Install\\Setup.exe')" 1
  finish
}

# A second launcher in removal mode still carries out the removal (the side
# program on 9x) before it ends as "another copy".
scenario_another_copy_removal() {
  new_scenario "another copy in removal mode removes first, then ends" win98 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local r
  r="$(run_to_end --hold "${PDIENTRY}Setup" 'C:\pkg\Setup.exe' "/a$PRINTER")"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 1
  check "programs started" "$(stub_log)" 'C:\pkg\Util\OemHlt07.exe|C:\pkg\Util\OemHlt07.exe'
  finish
}

# Without an information file PDIENTRY is empty: the instance event is "Setup".
scenario_no_information_file() {
  new_scenario "no InstallInfo.ini: instance event is named \"Setup\"" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe no-ini
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local r
  r="$(run_to_end --hold Setup 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  finish
}

# An earlier edition blocks with the "Caution!" box; the waiting program is
# released only after the user has closed it.
scenario_earlier_edition() {
  new_scenario "earlier edition shows \"Caution!\", event set only after OK" win98 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Varnesse\Old Edition'
  local out="$RUN_DIR/earlier-edition.out"
  wine 'C:\e2e\launch_wait.exe' --timeout 60000 'C:\pkg\Setup.exe' >"$out" 2>/dev/null &
  local waiter=$!
  local title
  title="$(tool wintool wait 'Caution!' 20000)"
  check "box title" "$title" 'Caution!'
  if [ "$title" = 'Caution!' ]; then
    check "box text" "$(tool wintool text 'Caution!')" "$CAUTION_TEXT"
    check "event while the box is up" "$(tool event_probe "$COMPLETION_EVENT")" unset
    check "launcher while the box is up" "$(kill -0 "$waiter" 2>/dev/null && echo running)" running
    check "pressing OK" "$(tool wintool ok 'Caution!')" pressed
  fi
  local i
  for i in $(seq 1 100); do
    kill -0 "$waiter" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$waiter" 2>/dev/null; then
    REASONS+=("launcher did not end after OK")
    wine_stop
  fi
  wait "$waiter" 2>/dev/null
  local r
  r="$(tr -d '\r' <"$out" | tail -n 1)"
  check "launcher after OK" "$(field launcher "$r")" ended
  check "completion event after OK" "$(field event "$r")" set
  check "box after OK" "$(tool wintool exists 'Caution!')" no
  finish
}

# Earlier-edition keys that exist without a subkey do not block.
scenario_earlier_key_without_subkey() {
  new_scenario "earlier-edition keys without subkeys do not block" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add 'HKLM\Software\Ostrane\Tamsk'
  reg_add 'HKLM\Software\Ostrane\Varnesse' /v Note /d 'values only'
  local r
  r="$(run_to_end 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  check "box" "$(tool wintool exists 'Caution!')" no
  finish
}

# Unsupported releases end silently with the event set, in removal mode too,
# where the 9x side program must not be started either.
scenario_unsupported() {
  local release="$1" label="$2"
  new_scenario "$label ($release) ends silently, event set, nothing started" "$release" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  local r
  r="$(run_to_end 'C:\pkg\Setup.exe')"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  r="$(run_to_end 'C:\pkg\Setup.exe' "/a$PRINTER")"
  check "launcher (removal mode)" "$(field launcher "$r")" ended
  check "completion event (removal mode)" "$(field event "$r")" set
  sleep 0.5
  check "programs started" "$(stub_log)" ""
  finish
}

# Removal mode starts the side program on Windows 98, 98 SE and Me only.
scenario_removal_by_release() {
  new_scenario "removal mode starts Util\\OemHlt07.exe on 98/Me only" winme || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  local release expected r
  # win98fe last: its pose removes the NT version values for good.
  for release in winme win2k winxp win98fe; do
    wine_pose "$release"
    rm -f "$WINEPREFIX/drive_c/e2e-log.txt"
    r="$(run_to_end 'C:\pkg\Setup.exe' "/a$PRINTER")"
    check "$release: launcher" "$(field launcher "$r")" ended
    check "$release: completion event" "$(field event "$r")" set
    # After the removal the installation goes on: the dialog closer and the
    # installer start (never the 98 side program in removal mode).
    case "$release" in
      winme | win98fe)
        expected='C:\pkg\Util\OemHlt07.exe|C:\pkg\Util\OemHlt07.exe'
        wait_for_log_lines 3
        ;;
      *)
        expected=''
        wait_for_log_lines 2
        ;;
    esac
    check "$release: removal side program" "$(stub_log | grep -F 'OemHlt07')" "$expected"
    check "$release: hand-off programs" "$(stub_programs | grep -v OemHlt07 | tr '\n' ' ')" \
      'C:\pkg\Install\Setup.exe C:\pkg\Util\CloseDlg.exe '
  done
  finish
}

# Code page 932: the launcher's file name ends in a double-byte character
# whose second byte is a backslash (表 is 95 5C). A folder search that is not
# multibyte-aware cuts the path inside that character and finds no side program.
scenario_removal_shift_jis() {
  new_scenario "removal mode on 98 SE, launcher named Setup表.exe (cp932)" win98 ja_JP.UTF-8 || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" 'Setup表.exe'
  local r
  r="$(run_to_end 'C:\pkg\Setup表.exe' "/a$PRINTER")"
  check "code page" "$(field acp "$r")" 932
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 3
  check "removal side program first" "$(stub_log | head -n 1)" 'C:\pkg\Util\OemHlt07.exe|C:\pkg\Util\OemHlt07.exe'
  check "programs started" "$(stub_programs | tr '\n' ' ')" \
    'C:\pkg\Install\Setup.exe C:\pkg\Util\CloseDlg.exe C:\pkg\Util\OemHlt07.exe '
  finish
}

# A package folder with a blank: the side program is started by its full
# path, never by the unquoted search that would run C:\Program.exe first.
scenario_removal_folder_with_blank() {
  new_scenario "removal mode from a folder with a blank does not run C:\\Program.exe" winme || { finish; return; }
  package "$WINEPREFIX/drive_c/Program Files/E2E Pkg" Setup.exe
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  local r
  r="$(run_to_end 'C:\Program Files\E2E Pkg\Setup.exe' "/a$PRINTER")"
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  wait_for_log_lines 3
  check "removal side program first" "$(stub_log | head -n 1)" \
    'C:\Program Files\E2E Pkg\Util\OemHlt07.exe|C:\Program Files\E2E Pkg\Util\OemHlt07.exe'
  check "C:\Program.exe never run" "$(stub_programs | grep -c 'C:\\Program.exe')" 0
  finish
}

# Already installed: the waiting program is released before the maintenance
# dialog. Where the dialog is shown the launcher keeps running; the event must
# be set all the same.
scenario_installed() {
  new_scenario "installed product: event set before the maintenance dialog" winxp || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  reg_add "HKLM\\$PRODUCT_KEY" /v "${PDIENTRY}KEY" /d 1
  reg_add "HKLM\\Software\\Corvale\\$PDIENTRY"
  local out="$RUN_DIR/installed.out"
  wine 'C:\e2e\launch_wait.exe' --timeout 20000 'C:\pkg\Setup.exe' >"$out" 2>/dev/null &
  local waiter=$! state="" i
  for i in $(seq 1 100); do
    state="$(tool event_probe "$COMPLETION_EVENT")"
    [ "$state" = set ] && break
    kill -0 "$waiter" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$waiter" 2>/dev/null; then
    # The dialog is up (or the launcher hangs): the event must already be set.
    check "completion event while the launcher runs" "$state" set
    wine_stop
    wait "$waiter" 2>/dev/null
  else
    wait "$waiter" 2>/dev/null
    local r
    r="$(tr -d '\r' <"$out" | tail -n 1)"
    check "launcher" "$(field launcher "$r")" ended
    check "completion event" "$(field event "$r")" set
  fi
  check "programs started" "$(stub_log)" ""
  finish
}

# ---- main ----------------------------------------------------------------------


E2E_SCENARIOS+=(
  scenario_another_copy
  scenario_another_copy_removal
  scenario_no_information_file
  scenario_earlier_edition
  scenario_earlier_edition_without_window_system
  "scenario_earlier_edition_without_window_system advapi32"
  scenario_earlier_key_without_subkey
  "scenario_unsupported win95 'Windows 95'"
  "scenario_unsupported nt40 'Windows NT 4.0'"
  "scenario_unsupported win7 'Windows 7'"
  scenario_removal_by_release
  scenario_removal_shift_jis
  scenario_removal_folder_with_blank
  scenario_installed
)
