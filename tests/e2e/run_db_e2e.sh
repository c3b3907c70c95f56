#!/usr/bin/env bash
# End-to-end test of the demo on its own SQLite database under Xvfb. The first run makes the
# database of 1,000,000 orders in the data folder; an amount is edited and the process killed
# with SIGKILL: the database holds the edit and passes its integrity check. Started again, the
# demo shows the edit, sorts the records by a click on the "Amount" title, and over the records
# sorted back by "Number" the scroll thumb dragged to the middle selects a record near 500,000.
#
#   run_db_e2e.sh ZELGRID_DEMO CLIPBOARD_PEER
set -euo pipefail
demo=$1
peer=$2
source "$(dirname "$0")/xvfb_session.sh"
command -v sqlite3 >/dev/null || fail "sqlite3 is missing (scripts/setup installs it)"
log="$work/demo.out"
start_xvfb 1024x768x24
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
db="$XDG_DATA_HOME/zelgrid-demo/orders.db"

open_demo() {
  "$demo" --no-layout-file >"$log" 2>&1 &
  demo_pid=$!
  pids+=("$demo_pid")
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZelGrid demo' | head -n1) || true
  [ -n "$wid" ] || fail "the demo window did not appear"
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
}
# Ctrl+C on the current cell until another program reads what the test CHECK function accepts
# (a record shows empty while the database is made or sorted); WHAT names it in the failure.
copied=""
copy_until() {
  local tries=$1 check=$2 what=$3
  for _ in $(seq "$tries"); do
    xdotool key ctrl+c
    sleep 0.25
    copied=$(timeout 10 "$peer" --get) || copied=""
    "$check" "$copied" && return 0
  done
  fail "the current cell copied '$copied', not $what"
}
is() { [ "$1" = "$expected" ]; }
near_middle() { [[ "$1" =~ ^[0-9]+$ ]] && [ "$1" -gt 400000 ] && [ "$1" -lt 600000 ]; }
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; sleep 0.3; }

# First run: the window opens at once; the first record shows once the database is made.
open_demo
expected=1
copy_until 240 is "record 1 once the database is made"
[ -f "$db" ] || fail "no database at $db"
# The amount of record 2 (second data row, fourth column), committed with Down.
click 380 62
xdotool type --delay 30 "77.5"
xdotool key Down
sleep 0.5
kill -KILL "$demo_pid"
wait "$demo_pid" 2>/dev/null || true
check=$(sqlite3 "$db" "PRAGMA integrity_check")
[ "$check" = ok ] || fail "the integrity check after SIGKILL says: $check"
stored=$(sqlite3 "$db" "SELECT Amount FROM orders WHERE Number = 2")
[ "$stored" = 77.5 ] || fail "after SIGKILL the database holds amount '$stored' for record 2, not 77.5"

# Second run: the edit is there.
open_demo
expected=1
copy_until 120 is "record 1 once the database is read"
click 380 62
expected=77.5
copy_until 20 is "the amount stored before the kill"
# A click on the "Amount" title sorts the records: the first row holds the smallest amount.
expected=$(sqlite3 "$db" "SELECT Amount FROM orders ORDER BY Amount, Number LIMIT 1")
click 380 12
click 380 37
copy_until 120 is "the smallest amount after sorting by Amount"
# Sorted back by "Number", the thumb (right edge, below the up arrow) dragged to the middle.
click 40 12
click 40 37
expected=1
copy_until 120 is "record 1 after sorting by Number"
xdotool mousemove --window "$wid" 708 26 mousedown 1
for y in 60 120 180 250; do xdotool mousemove --window "$wid" 708 "$y"; sleep 0.1; done
xdotool mouseup 1
sleep 0.5
copy_until 20 near_middle "a record near 500,000 after the thumb was dragged to the middle"
xdotool key ctrl+q
for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$demo_pid" 2>/dev/null && fail "the demo did not end after Ctrl+Q"
wait "$demo_pid" || fail "the demo failed"
[ "$(sqlite3 "$db" "PRAGMA integrity_check")" = ok ] || fail "the integrity check after Ctrl+Q failed"
echo "e2e: the orders database kept its edit through SIGKILL, sorted, and the thumb showed record $copied"
