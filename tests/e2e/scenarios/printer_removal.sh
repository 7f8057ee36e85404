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
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winspool.drv=n,b;net.exe=n;winedbg.exe=d"
  export E2E_STUB_SHOW=1
}

# scenario_printer_removal RELEASE LANG NAME [hang]: with "hang" the queue's
# window takes no messages and the first "net stop" never ends.
scenario_printer_removal() {
  local release="$1" lang="$2" name="$3" hang="${4:-}"
  new_scenario "/a removes queue \"$name\" on $release ($lang)${hang:+ hang}" "$release" "$lang" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  plant_removal_traps
  check "queue added" "$(tool spoolctl add "$name" "$E2E_DRIVER")" added
  check "queue present before" "$(tool spoolctl printer "$name")" yes

  # The window in another letter case opens last, so it is the topmost and
  # met first: only a case-sensitive search passes it over. Under Wine,
  # EnumWindows also lists hidden "Default IME" windows; no title of theirs
  # holds the name. Under ja_JP the name holds a double-byte character whose
  # second byte is 5C; Wine's _mbsstr does not keep to character boundaries
  # as Windows' does (see the contract Mbcs_MbsstrKeepsToCharacterBoundaries_932),
  # so a match that starts inside a character is tried on the simulator only.
  local queue_log="$RUN_DIR/queue-window.log" other_log="$RUN_DIR/other-window.log"
  local queue_pid other_pid
  queue_pid="$(open_window_logged "$(ansi_hex "Queue - $name")" "$queue_log" ${hang:+120 hang})"
  other_pid="$(open_window_logged "$(ansi_hex "${name,,} - other case")" "$other_log")"

  # Wine's CMP_WaitNoPendingInstallEvents returns at once, so on winxp the
  # window pass follows straight away.
  local r s e ms
  if [ -n "$hang" ]; then
    sleep 5.5 && touch "$WINEPREFIX/drive_c/e2e-hang-once.txt"  # hung: 5 s without taking messages
    # Into a file: a net.exe left running would hold a pipe. --timing waits twice: 2 x 42 s at most.
    timeout 90 wine 'C:\e2e\launch_wait.exe' --timing --timeout 42000 'C:\pkg\Setup.exe' "/a$name" >"$RUN_DIR/r.txt"
    r="$(tr -d '\r' <"$RUN_DIR/r.txt")" s="$(field start_us "$r")" e="$(field end_us "$r")"
    ms=$(((${e:-0} - ${s:-0}) / 1000))  # 63 s of waits and pauses, 60 for net stop; +5 s for a window waited for
    check "run time 63 to 66 s" "$((ms >= 63000 && ms < 66000)) ($ms ms)" "1 ($ms ms)"
  else
    r="$(run_to_end 'C:\pkg\Setup.exe' "/a$name")"
  fi
  check "launcher" "$(field launcher "$r")" ended
  check "completion event" "$(field event "$r")" set
  case "$lang" in ja_JP*) check "code page" "$(field acp "$r")" 932 ;; esac
  check "queue after" "$(tool spoolctl printer "$name")" no
  check "window in another letter case" "$(grep -c WM_COMMAND "$other_log")" 0

  local net_system='C:\windows\system32\net.exe' restart expected_net="" expected_driver
  restart="$net_system|net stop spooler|show=0
$net_system|net start spooler|show=0"
  case "$release$hang" in
    winxphang)
      check "hung queue window given up" "$(grep -c WM_COMMAND "$queue_log")" 0
      check "net stop hung, then ended" "$([ -f "$WINEPREFIX/drive_c/e2e-hang-once.txt" ] || tool event_probe E2EHungStub)" absent
      ;;&
    winxp*)
      [ -n "$hang" ] || check "queue window answered with IDOK" "$(tr -d '\r' <"$queue_log" | grep WM_COMMAND)" "WM_COMMAND 1 0"
      # Windows deletes the driver with DPD_DELETE_UNUSED_FILES after one
      # restart. Wine refuses every non-zero flag (error 87), so the launcher
      # restarts the spooler a second time, retries once, and the driver stays.
      # Wine's own net.exe would change nothing; the recorder stands in for it.
      expected_net="$restart
$restart"
      expected_driver=yes
      ;;
    *)
      # Under the win98 pose Wine's spooler is still its NT one; its
      # DeletePrinterDriverA removes the unused driver as Windows 98 does.
      check "no window answered" "$(grep -c WM_COMMAND "$queue_log")" 0
      expected_driver=no
      ;;
  esac
  check "net commands (hidden, system folder)" "$(stub_log | grep -i 'net\.exe')" "$expected_net"
  check "driver left" "$(tool spoolctl driver "$E2E_DRIVER")" "$expected_driver"
  check "planted Winspool.drv loaded by the launcher" "$(stub_log | grep -c '^PLANTED')" 0
  # Control: with the same overrides a bare-name load takes the plant, as a
  # link-time import of winspool by Setup.exe would have done.
  check "control: bare-name load" "$(w 'C:\pkg\loadlib.exe' winspool.drv | tr '[:upper:]' '[:lower:]')" \
    'c:\pkg\winspool.drv'
  check "control: plant logged the load" "$(stub_log | grep '^PLANTED')" 'PLANTED Winspool.drv|C:\pkg\loadlib.exe'
  kill "$queue_pid" "$other_pid" 2>/dev/null
  finish
}

E2E_SCENARIOS+=(
  "scenario_printer_removal winxp en_US.UTF-8 'E2E Printer'"
  "scenario_printer_removal win98 en_US.UTF-8 'E2E Printer'"
  "scenario_printer_removal winxp ja_JP.UTF-8 'E2E 表 Printer'"
  "scenario_printer_removal winxp en_US.UTF-8 'E2E Printer' hang"
)
