# shellcheck shell=bash
# Launchers against each other under Wine: a second launcher started while
# the first is still in its sequence (here: showing the maintenance dialog)
# must find the first one's instance event and end as another copy, without
# a dialog of its own and without starting anything.
#
# Wine differs from Windows here only in where the events live: every
# process of one prefix shares one wineserver, as every process of one
# Windows session shares one object directory, so the test holds for both.

scenario_two_launchers() {
  new_scenario "a second launcher, started while the first shows its dialog, ends as another copy" winxp || {
    finish
    return
  }
  dialog_package 'C:\\uninst\\remove.exe'
  stub_at 'C:\uninst\remove.exe'
  if ! dialog_open; then
    REASONS+=("no dialog from the first launcher")
    finish
    return
  fi
  # The second launcher's own waiter creates the completion event anew; it
  # must see it set, and the launcher must end on its own. A launcher that
  # missed the first one would show a dialog of its own and keep running
  # (its waiter gives up after 15 s; the scenario looks after 10 s).
  local out="$RUN_DIR/second-launcher.out" r
  wine 'C:\e2e\launch_wait.exe' --timeout 15000 'C:\pkg\Setup.exe' >"$out" 2>/dev/null &
  if ! wait_for_exit $!; then
    REASONS+=("the second launcher did not end: it missed the first one")
    finish
    return
  fi
  r="$(tr -d '\r' <"$out" | tail -n 1)"
  check "second launcher" "$(field launcher "$r")" ended
  check "second launcher's completion event" "$(field event "$r")" set
  check "first launcher while the second ran" "$(kill -0 "$DIALOG_WAITER" 2>/dev/null && echo running)" running
  check "programs started by either" "$(stub_log)" ""
  # The first one's dialog still works: Cancel ends it, starting nothing.
  click 2
  r="$(dialog_closed)"
  check "first launcher after Cancel" "$(field launcher "$r")" ended
  check "programs started after Cancel" "$(stub_log)" ""
  finish
}

E2E_SCENARIOS+=(
  scenario_two_launchers
)
