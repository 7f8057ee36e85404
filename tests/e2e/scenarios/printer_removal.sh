# shellcheck shell=bash
# Printer removal: Setup.exe /a<name> removes a queue that Wine's spooler
# holds, answers the queue's window on NT 5.x, and never runs a net.exe or
# loads a Winspool.drv planted beside it.

E2E_DRIVER='E2E Driver'

# Traps in the package folder, and a recorder in place of the system's
# net.exe: both log "MODULE|COMMAND LINE|show=N" through the stub. The
# overrides make Wine take a native net.exe from the system folder, and a
# native Winspool.drv first wherever a search finds one.
plant_removal_traps() {
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/pkg/net.exe"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/windows/system32/net.exe"
  cp "$WIN32_BUILD/helpers/planted/Winspool.drv" "$WINEPREFIX/drive_c/pkg/Winspool.drv"
  cp "$WIN32_BUILD/helpers/loadlib.exe" "$WINEPREFIX/drive_c/pkg/loadlib.exe"
  cp "$WIN32_BUILD/wine/openwin.exe" "$WINEPREFIX/drive_c/e2e/openwin.exe"
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winspool.drv=n,b;net.exe=n"
  export E2E_STUB_SHOW=1
}

# The window title TEXT for setup-plan, which reads it as text.
plan_title() {
  printf '%s' "$1"
}

# scenario_printer_removal RELEASE LANG NAME [hang] [earlier]: with "hang" the queue's
# window takes no messages and the first "net stop" never ends (each net
# command is waited for 60 s at most); with "earlier" an earlier edition is
# installed, and the "Caution!" box follows the removal: nothing starts after
# the spooler's restart.
scenario_printer_removal() {
  local release="$1" lang="$2" name="$3" hang="${4:-}" earlier="${5:-}"
  new_scenario "/a removes queue \"$name\" on $release ($lang)${hang:+ hang}${earlier:+, then the Caution! box}, as planned" \
    "$release" "$lang" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  [ -z "$earlier" ] || start_state <<<"$EARLIER_EDITION"
  plant_removal_traps
  check "queue added" "$(tool spoolctl add "$name" "$E2E_DRIVER")" added

  # The window in another letter case opens last, so it is the topmost and
  # met first: only a case-sensitive search passes it over. Under Wine,
  # EnumWindows also lists hidden "Default IME" windows; no title of theirs
  # holds the name. Under ja_JP the name holds a double-byte character whose
  # second byte is 5C; Wine's _mbsstr does not keep to character boundaries
  # as Windows' does (see the contract Mbcs_MbsstrKeepsToCharacterBoundaries_932),
  # so a match that starts inside a character is tried on the simulator only.
  local queue_log="$WINEPREFIX/queue-window.log" other_log="$WINEPREFIX/other-window.log"
  local queue_pid other_pid
  open_windows() {
    queue_pid="$(open_window_logged "$(ansi_hex "Queue - $name")" "$queue_log" ${hang:+120 hang})"
    other_pid="$(open_window_logged "$(ansi_hex "${name,,} - other case")" "$other_log")"
    # Both close once the run has ended (compared_run then lets go of what
    # BEFORE_RUN holds), so that the wait for every program is not a wait for them.
    { for _ in $(seq 1 600); do [ ! -e "$WINEPREFIX/drive_c/e2e/stop-hold" ] || break; sleep 0.2; done
      kill "$queue_pid" "$other_pid"; } 2>/dev/null &
    # hung: 5 s without taking messages
    [ -z "$hang" ] || { sleep 5.5 && touch "$WINEPREFIX/drive_c/e2e-hang-once.txt"; }
  }
  PLAN_ARGS=(--printer "$name=$E2E_DRIVER" "--${hang:+hung-}window" "$(plan_title "Queue - $name")"
    --window "$(plan_title "${name,,} - other case")")
  local timing=()
  if [ -n "$hang" ]; then
    PLAN_ARGS+=(--spooler-stop 86400000)
    timing=(--timing)
  fi
  # Windows deletes the driver with DPD_DELETE_UNUSED_FILES after one
  # restart of the spooler. Under the win98 pose Wine's spooler is still its
  # NT one; its DeletePrinterDriverA removes the unused driver as Windows 98
  # does.
  BEFORE_RUN=open_windows OBSERVE_ALLOW=driver-flags END_LIMIT=90000 RUN_USER="${earlier:+caution_reader}" \
    compared_run "${timing[@]}" 'C:\pkg\Setup.exe' "/a$name"
  if [ -n "$hang" ]; then
    local ms=$((($(field end_us "$RUN_REPORT") - $(field start_us "$RUN_REPORT")) / 1000))
    # 63 s of waits and pauses, 60 for net stop, and 3 for the other net
    # commands (each stub runs STUB_RUNS_MS); +5 s for a window waited for
    check "run time 66 to 69 s" "$((ms >= 66000 && ms < 69000)) ($ms ms)" "1 ($ms ms)"
    # The hung net stop's worker (as net1.exe) was ended with it, before
    # net start ran, and neither outlives the launcher.
    check "hung net command after the launcher" "$(tool event_probe E2EHungStub)" absent
    check "its worker after the launcher" "$(tool event_probe E2EHungWorker)" absent
    check "net commands started while the worker lived" \
      "$(cat "$WINEPREFIX/drive_c/e2e-overlap.txt" 2>/dev/null | tr -d '\r')" ""
  fi
  case "$lang" in ja_JP*) check "code page" "$(field acp "$RUN_REPORT")" 932 ;; esac
  # What the windows received, which the plan does not show.
  check "window in another letter case" "$(grep -c WM_COMMAND "$other_log")" 0
  case "$release$hang" in
    winxp | win2k*) check "queue window answered with IDOK" "$(tr -d '\r' <"$queue_log" | grep WM_COMMAND)" "WM_COMMAND 1 0" ;;
    *) check "queue window answered (98, or hung)" "$(grep -c WM_COMMAND "$queue_log")" 0 ;;
  esac
  check "planted Winspool.drv loaded by the launcher" "$(stub_log | grep -c '^PLANTED')" 0
  # Control: with the same overrides a bare-name load takes the plant, as a
  # link-time import of winspool by Setup.exe would have done.
  check "control: bare-name load" "$(w 'C:\pkg\loadlib.exe' winspool.drv | tr '[:upper:]' '[:lower:]')" \
    'c:\pkg\winspool.drv'
  check "control: plant logged the load" "$(stub_log | grep '^PLANTED')" 'PLANTED Winspool.drv|C:\pkg\loadlib.exe'
  kill "$queue_pid" "$other_pid" 2>/dev/null
  finish
}

# The longest scenarios (the hung one above all): they go first, so that the
# run does not end waiting on them alone.
E2E_SCENARIOS=(
  "scenario_printer_removal winxp en_US.UTF-8 'E2E Printer' hang"
  "scenario_printer_removal winxp en_US.UTF-8 'E2E Printer'"
  "scenario_printer_removal win2k en_US.UTF-8 'E2E Printer' '' earlier"
  "scenario_printer_removal win98 en_US.UTF-8 'E2E Printer'"
  "scenario_printer_removal winxp ja_JP.UTF-8 'E2E 表 Printer'"
  "${E2E_SCENARIOS[@]}"
)
