# shellcheck shell=bash
# Cells of setup-plan --matrix held against Wine, one per road: the cell's
# --cell options made into the machine under Wine, and the run held against
# the plan of those options (compared_run).

# The matrix's release names as the scenarios pose them: the matrix's win98
# is the first edition.
cell_release() {
  case "$1" in win98) echo win98fe ;; win98se) echo win98 ;; *) echo "$1" ;; esac
}

# The user at the maintenance dialog answers as the cell scripts (CELL_CHOICE).
play_cell_choice() {
  case "$CELL_CHOICE" in
    uninstall) click 1001 && click 1 ;;
    add-device) click 1002 && click 1 ;;
    *) click 2 ;;
  esac
}

# Windows finishes installing the device: the cell's --at file imported at
# its time (whole seconds).
play_cell_at() {
  sleep "$((${CELL_AT%%=*} / 1000))"
  wine regedit /S "C:\\cell\\${CELL_AT##*/}" >/dev/null 2>&1
}

# scenario_matrix_cell RELEASE:STATE: the e2e package, with a device id and
# printer class so that every state is posed.
scenario_matrix_cell() {
  local release="${1%%:*}" state="${1#*:}"
  new_scenario "matrix cell $1 under Wine, as planned" "$(cell_release "$release")" || { finish; return; }
  local pkg="$WINEPREFIX/drive_c/pkg" cells="$WINEPREFIX/drive_c/cell"
  package "$pkg" Setup.exe
  printf 'VID_PID=VID_E2E0&PID_0001\r\nGUIDUNDINF={E2E00000-0000-0000-0000-00000000C1A5}\r\n' >>"$pkg/InstallInfo.ini"
  local line args=()
  line="$("$HOST_BUILD/setup-plan" --matrix --cell "$1=$cells" "$pkg" 2>&1)" || { REASONS+=("--cell: $line"); finish; return; }
  eval "args=(${line#setup-plan })"
  local i=0 hold=() argument=() effects="" allow="" value program
  CELL_CHOICE="" CELL_AT=""
  while [ "$i" -lt "${#args[@]}" ]; do
    value="${args[i + 1]:-}"
    case "${args[i]}" in
      --release) ;;
      --reg) wine regedit /S "C:\\cell\\${value##*/}" >/dev/null 2>&1 && PLAN_ARGS+=(--reg "$value") ;;
      --effect)
        program="${value%%=*}"
        case "$program" in [A-Za-z]:\\*) ;; *) program="C:\\pkg\\$program" ;; esac
        effects+="$program>C:\\cell\\${value##*/}|"
        PLAN_ARGS+=(--effect "$value")
        ;;
      --program)
        mkdir -p "$(dirname "$(unix_path "$value")")" && cp "$WIN32_BUILD/helpers/side_stub.exe" "$(unix_path "$value")"
        PLAN_ARGS+=(--program "$value")
        ;;
      --choose) CELL_CHOICE="$value" PLAN_ARGS+=(--choose "$value") ;;
      --event) hold+=(--hold "$value") ;;
      --printer)
        check "queue added" "$(tool spoolctl add "$value" "$value")" added && PLAN_ARGS+=(--printer "$value")
        # net.exe a recorder, as in the removal scenarios; Wine keeps the driver.
        cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/windows/system32/net.exe"
        export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;net.exe=n"
        allow=driver-flags
        ;;
      --at) CELL_AT="$value" PLAN_ARGS+=(--at "$value") ;;
      --) argument=("$value") ;;
      "$pkg") i=$((i - 1)) ;;
      *) REASONS+=("the cell's ${args[i]} is not played under Wine") ;;
    esac
    i=$((i + 2))
  done
  [ ${#REASONS[@]} -eq 0 ] || { finish; return; }
  local user=""
  [ -z "$CELL_CHOICE" ] || user=dialog_user
  [ -z "$CELL_AT" ] || user=play_cell_at
  [ "$state" != earlier ] || user=caution_reader
  E2E_STUB_EFFECTS="$effects" OBSERVE_ALLOW="$allow" DIALOG_PLAY=play_cell_choice RUN_USER="$user" END_LIMIT=60000 \
    compared_run "${hold[@]}" 'C:\pkg\Setup.exe' "${argument[@]}"
  # The scripted effects acted under Wine: the product is marked installed
  # exactly where the installer ran, and no longer after the uninstaller.
  local marked ran
  marked="$(grep -c "^\"${PDIENTRY}KEY\"" "$WINEPREFIX/system.reg")"
  ran="$(stub_programs | grep -ci 'Install\\Setup.exe')"
  case "$state" in
    uninstall) check "the uninstaller's effect" "$marked" 0 ;;
    *) check "the installer's effect" "$marked" "$ran" ;;
  esac
  finish
}

# One cell per road (installation three ways, dialog, box, copy, unsupported).
E2E_SCENARIOS+=(
  "scenario_matrix_cell winxp:fresh" "scenario_matrix_cell winme:device" "scenario_matrix_cell winxp:removal"
  "scenario_matrix_cell winxp:uninstall" "scenario_matrix_cell win98:earlier" "scenario_matrix_cell win2k:copy"
  "scenario_matrix_cell win95:fresh"
)
