# shellcheck shell=bash
# Launchers against each other under Wine: a second launcher started while
# the first is still in its sequence (here: showing the maintenance dialog)
# must find the first one's instance event and end as another copy, without
# a dialog of its own and without starting anything.
#
# Wine differs from Windows here only in where the events live: every
# process of one prefix shares one wineserver, as every process of one
# Windows session shares one object directory, so the test holds for both.

# The user starts a second launcher while the first one's dialog is up: its
# own waiter creates the completion event anew; it must see it set, and the
# launcher must end on its own (a launcher that missed the first one would
# show a dialog of its own and keep running until its waiter gives up).
# Then Cancel in the first one's dialog.
second_launcher() {
  local r
  r="$(timeout 30 wine 'C:\e2e\launch_wait.exe' --timeout 15000 'C:\pkg\Setup.exe' 2>/dev/null | tr -d '\r')"
  check "second launcher and its completion event" "$(field launcher "$r") $(field event "$r")" "ended set"
  click 2
}

scenario_two_launchers() {
  new_scenario "a second launcher, started while the first shows its dialog, ends as another copy, as planned" winxp ||
    { finish; return; }
  dialog_package 'C:\\uninst\\remove.exe' 'C:\uninst\remove.exe'
  DIALOG_PLAY=second_launcher RUN_USER=dialog_user END_LIMIT=40000 compared_run 'C:\pkg\Setup.exe'
  finish
}

E2E_SCENARIOS+=(
  scenario_two_launchers
)
