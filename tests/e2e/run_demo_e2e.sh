#!/usr/bin/env bash
# End-to-end test of the demo application: starts Xvfb on a free display, opens zelgrid-demo over
# 30 records in a real X window, deletes a record answering the question, edits an amount (and has
# a bad one refused with a message box), pastes from and copies to another program through the
# CLIPBOARD selection, switches the layout, quits, and checks the changes the demo saved.
#
#   run_demo_e2e.sh ZELGRID_DEMO CLIPBOARD_PEER
set -euo pipefail
demo=$1
peer=$2
source "$(dirname "$0")/xvfb_session.sh"
log="$work/demo.out"
start_xvfb 1024x768x24
# The demo keeps its layouts under the configuration folder: the test's own, never the user's.
export XDG_CONFIG_HOME="$work/config"

"$demo" --rows 30 --save-changes "$work/changes.csv" >"$work/demo.out" 2>&1 &
demo_pid=$!
pids+=("$demo_pid")
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZelGrid demo' | head -n1) || true
[ -n "$wid" ] || fail "the demo window did not appear"
# Without a window manager nobody gives the focus back to the window once a dialog is gone.
refocus() { xdotool windowfocus --sync "$wid" 2>/dev/null || true; }
# Waits for the dialog of the given title, gives it the focus and presses Return (its OK button).
answer_dialog() {
  local dlg
  dlg=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || true
  [ -n "$dlg" ] || fail "no dialog \"$1\" appeared"
  xdotool windowfocus --sync "$dlg" 2>/dev/null || true
  xdotool key Return
  sleep 0.3
  refocus
}
refocus
sleep 0.5

# Record 5, reached with the keys: Delete, and the question answered with Return (OK).
xdotool key Right Down Down Down Down Delete
answer_dialog Confirm
# The amount of record 2 (second data row, fourth column), typed and committed with Down.
xdotool mousemove --window "$wid" 380 62 click 1
sleep 0.3
xdotool type --delay 30 "77.5"
xdotool key Down
sleep 0.3
# Text that is no amount is refused with a message box; the record keeps its amount.
xdotool key Up
xdotool type --delay 30 "abc"
xdotool key Down
answer_dialog Error
xdotool key Escape
# Another program copies "123.45"; Ctrl+V pastes it into the amount of record 3, now current.
"$peer" --set 123.45 20 &
peer_pid=$!
pids+=("$peer_pid")
sleep 0.5
xdotool key ctrl+v
sleep 0.3
# Ctrl+C on the customer of record 3; the other program reads it.
xdotool key Left ctrl+c
sleep 0.3
copied=$(timeout 10 "$peer" --get) || fail "the other program could not read the clipboard"
[ "$copied" = "Greystone Mills" ] || fail "the other program read '$copied' from the clipboard"
wait "$peer_pid" 2>/dev/null || true
xdotool key F6 F6 ctrl+q

for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$demo_pid" 2>/dev/null; then
  xdotool search --onlyvisible --name '.' getwindowname %@ >&2 || true
  fail "the demo did not end after Ctrl+Q"
fi
wait "$demo_pid" || fail "the demo failed"

[ -f "$work/changes.csv" ] || fail "no changes were saved"
expect_line() {
  grep -q -- "$1" "$work/changes.csv" || { cat "$work/changes.csv" >&2; fail "saved changes lack: $1"; }
}
expect_line '^changed,2,[0-9-]*,[^,]*,77.5,'
expect_line '^changed,3,[0-9-]*,[^,]*,123.45,'
expect_line '^deleted,5,'
if grep -q abc "$work/changes.csv"; then fail "the refused amount was stored"; fi
echo "e2e: the demo stored the edit typed in its window and moved text to and from another program"
