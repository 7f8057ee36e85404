# shellcheck shell=bash
# The maintenance dialog of an installed product, in each language: what the
# user sees (caption, texts, order, default button, the white header band and
# the header picture), the radio buttons switching Next, Next starting the
# registered uninstall command and Cancel starting nothing. Screenshots go to
# build/screens/<language>.png.
#
# Wine differs from Windows here:
# - the UI language comes from LC_MESSAGES (new_scenario sets LC_ALL), not
#   from an installed language pack;
# - Spanish with the traditional sort (1034) has no Unix locale, so Wine
#   cannot pose it for a whole program: its block holds the same texts as
#   Spanish (Mexico) and modern sort, which are shown;
# - for a language without a block of its own (Polish) Wine's lookup falls
#   back to English (United States); Windows has its own fallback order;
# - class names come back as "Button"/"Static": compared without case;
# - screen pixels are compared only where the launcher paints (the band) or
#   the picture lies, never the frame or the controls Wine draws its own way.

DIALOG_ENTRY='E2E Printer Entry'
SCREENS="${SCREENS:-$ROOT/build/screens}"

# dialog_package UNINSTALL-STRING PROGRAM...: the package of an installed
# product whose Uninstall entry holds UNINSTALL-STRING (as regedit escapes
# it), and a logging stub at each PROGRAM's path of drive C.
dialog_package() {
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  start_state <<REG
[HKEY_LOCAL_MACHINE\\${PRODUCT_KEY}]
"${PDIENTRY}KEY"="1"
"InstalledDevices"="E2E Printer,${DIALOG_ENTRY},USB"

[HKEY_LOCAL_MACHINE\\Software\\Corvale\\${PDIENTRY}]

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${DIALOG_ENTRY}]
"UninstallString"="$1"
REG
  shift
  local program unix
  for program in "$@"; do
    unix="$WINEPREFIX/drive_c/${program#C:\\}"
    unix="${unix//\\//}"
    mkdir -p "$(dirname "$unix")"
    cp "$WIN32_BUILD/helpers/side_stub.exe" "$unix"
    PLAN_ARGS+=(--program "$program")
  done
}

# click ID: a real mouse click on control ID (the virtual desktop lies at the
# top left of the X screen, so Wine's screen points are X's).
click() {
  local where
  where="$(tool dlgtool where "$1")"
  [[ "$where" =~ ^[0-9]+\ [0-9]+$ ]] || return 1
  # shellcheck disable=SC2086
  xdotool mousemove $where click 1
  sleep 0.3
}

# control_state ID: "ENABLED CHECKED" of control ID in a fresh dump.
control_state() {
  tool dlgtool dump | awk -F'|' -v id="control=$1" '$1 == id { print $4, $5 }'
}

# dialog_look LANGUAGE LANGID: checks the open dialog against the language's
# texts and layout, keeps its screenshot and compares the painted pixels.
dialog_look() {
  local language="$1" langid="$2" dump="$RUN_DIR/dialog-$1.txt" shot="$SCREENS/$1.png"
  tool dlgtool dump >"$dump"
  check "dialog" "$(python3 "$ROOT/tests/e2e/dialog_check.py" "$dump" "$langid" | tr '\n' ';')" ""
  mkdir -p "$SCREENS"
  local window client picture
  read -r -a window <<<"$(sed -n 's/^window=//p' "$dump")"
  read -r -a client <<<"$(sed -n 's/^client=//p' "$dump")"
  read -r -a picture <<<"$(awk -F'|' '$2 == "Static" { print $6 }' "$dump")"
  import -window root -crop "${window[2]}x${window[3]}+${window[0]}+${window[1]}" +repage "$shot"
  # Client point (x, y) in the screenshot.
  local ox=$((client[0] - window[0])) oy=$((client[1] - window[1])) w="${client[2]}"
  local white=255,255,255 at x y
  for at in "1 0" "1 30" "1 59" "$((w - 2)) 0" "$((w - 2)) 59"; do
    read -r x y <<<"$at"
    check "band pixel ($x,$y)" "$(pixel "$shot" $((ox + x)) $((oy + y)))" "$white"
  done
  # Just outside the band: the side edges and below it (y 60 is the group
  # box's frame line, drawn by Wine's own button code).
  for at in "0 30" "$((w - 1)) 30" "5 68"; do
    read -r x y <<<"$at"
    [ "$(pixel "$shot" $((ox + x)) $((oy + y)))" != "$white" ] || REASONS+=("white outside the band at ($x,$y)")
  done
  # The header picture in its place, on the band: its corner pixel as in the bitmap.
  local bmp="$ROOT/src/resources/art/header.bmp"
  check "picture pixel" "$(pixel "$shot" $((ox + picture[0] + 3)) $((oy + picture[1] + 3)))" "$(pixel "$bmp" 3 3)"
  check "band left of the picture" "$(pixel "$shot" $((ox + picture[0] - 3)) $((oy + picture[1] + 3)))" "$white"
}

# scenario_dialog LANGUAGE LOCALE LANGID UNINSTALL-STRING PROGRAM [DECOY...]:
# the dialog in LOCALE must be LANGID's. Uninstall, Add a Device, Uninstall,
# Next must start PROGRAM with UNINSTALL-STRING as its command line and end
# the launcher; a second run with Uninstall chosen and Enter (the default
# button is Cancel) must start nothing. DECOYs are stubs that must not run.
scenario_dialog() {
  local language="$1" locale="$2" langid="$3" command="$4" program="$5" END_LIMIT=60000
  shift 4
  new_scenario "maintenance dialog, $language ($locale), as planned" winxp "$locale.UTF-8" || { finish; return; }
  dialog_package "$(printf '%s' "$command" | sed 's/\\/\\\\/g; s/"/\\"/g')" "$@"
  # What the user does and sees beyond the plan's reach: the dialog's looks
  # and its buttons while choosing.
  play_choices() {
    dialog_look "$language" "$langid"
    click 1001
    check "Next after Uninstall" "$(control_state 1)" "1 0"
    check "Uninstall after its click" "$(control_state 1001)" "1 1"
    click 1002
    check "Next after Add a Device" "$(control_state 1)" "0 0"
    check "Uninstall after Add a Device" "$(control_state 1001)" "1 0"
    check "programs started while choosing" "$(stub_log)" ""
    click 1001
    click 1
  }
  play_enter() { click 1001 && xdotool key Return; }
  PLAN_ARGS+=(--choose uninstall)
  DIALOG_PLAY=play_choices RUN_USER=dialog_user compared_run 'C:\pkg\Setup.exe'
  # The plan runs the launcher's own lookup: the program is named here too.
  check "program Next started" "$(stub_log | cut -d'|' -f1 | tr '[:upper:]' '[:lower:]')" "${program,,}"
  PLAN_ARGS=("${PLAN_ARGS[@]:0:${#PLAN_ARGS[@]}-2}" --choose cancel)
  DIALOG_PLAY=play_enter RUN_USER=dialog_user compared_run 'C:\pkg\Setup.exe'
  finish
}

# scenario_dialog_starts_nothing WHAT BUTTON UNINSTALL-STRING [DECOY]:
# Uninstall chosen, then BUTTON clicked (2 Cancel, 1 Next): the dialog
# closes and nothing starts, not even the DECOY stub.
scenario_dialog_starts_nothing() {
  local what="$1" button="$2"
  new_scenario "maintenance dialog: $what starts nothing, as planned" winxp || { finish; return; }
  dialog_package "$(printf '%s' "$3" | sed 's/\\/\\\\/g')" ${4:+"$4"}
  play_button() { click 1001 && click "$button"; }
  PLAN_ARGS+=(--choose "$([ "$button" = 1 ] && echo uninstall || echo cancel)")
  DIALOG_PLAY=play_button RUN_USER=dialog_user compared_run 'C:\pkg\Setup.exe'
  finish
}

QUOTED='"C:\Program Files\E2E Maker\Uninstall Tool.exe" /remove "E2E Printer"'
QUOTED_PROGRAM='C:\Program Files\E2E Maker\Uninstall Tool.exe'

E2E_SCENARIOS+=(
  # A bare program name: found in the system folder, not beside the launcher.
  # (Started with no application name, Wine runs the copy beside the launcher,
  # as Windows does: seen when the launcher leaves the name out.)
  "scenario_dialog en-US en_US 1033 'e2euninst.exe /x {E2E}' 'C:\\windows\\system32\\e2euninst.exe' 'C:\\pkg\\e2euninst.exe'"
  # An unquoted path with blanks: the whole name, not the shorter C:\Program.exe.
  "scenario_dialog de de_DE 1031 'C:\\Program Files\\E2E Maker\\Uninstall Tool.exe /remove' '$QUOTED_PROGRAM' 'C:\\Program.exe'"
  # Unquoted, beside a folder of the program's own name: "Uninst /S" goes
  # on into no folder, so Uninst.exe is the program.
  "scenario_dialog es-MX es_MX 2058 'C:\\E2E Maker\\Uninst /S' 'C:\\E2E Maker\\Uninst.exe' 'C:\\E2E Maker\\Uninst\\keep.exe'"
  "scenario_dialog es-ES es_ES 3082 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog fr fr_FR 1036 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog it it_IT 1040 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog ko ko_KR 1042 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog nl nl_NL 1043 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog pt-BR pt_BR 1046 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog ru ru_RU 1049 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog zh-CN zh_CN 2052 '$QUOTED' '$QUOTED_PROGRAM'"
  # Polish has no block: Wine's lookup gives the whole English dialog.
  "scenario_dialog pl pl_PL 1033 '$QUOTED' '$QUOTED_PROGRAM'"
  "scenario_dialog_starts_nothing Cancel 2 'C:\\pkg\\Util\\OemAdv07.exe /uninstall'"
  # The program is missing: C:\Program.exe (C:\Program Files is a folder) never stands in.
  "scenario_dialog_starts_nothing 'Next with the uninstaller missing' 1 \
    'C:\\Program Files\\E2E Maker\\gone.exe -remove' 'C:\\Program.exe'"
)
