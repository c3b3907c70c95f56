#!/usr/bin/env bash
# End-to-end test of the demo application: starts Xvfb on a free display, opens zelgrid-demo over
# 30 records in a real X window, deletes a record answering the question, edits an amount (and has
# a bad one refused with a message box), pastes from and copies to another program through the
# CLIPBOARD selection, edits across columns with Tab, sizes a column by dragging its title line,
# switches the layout, quits, and checks the changes and the layouts the demo saved. It then
# starts the demo again: the window must look like the headless rendering from the same layout
# file and show the sized column; a cell copied into another and a record appended with Down and
# typed into must be saved. Then, with the built-in layouts: Escape leaves a cell without storing
# what was typed, and a record appended with Down and left empty is not saved; last, a click on a
# title sorts the records (again: descending) and a click on "Number" sorts them back. Then the
# customer chooser shows "Brightwater & Sons" as it is and chooses it with Enter; the chooser and
# the "Delete record?" box closed by the window manager's close request change nothing; and over
# 1,000,000 records the scroll thumb dragged to the middle shows and selects the records there.
#
#   run_demo_e2e.sh ZELGRID_DEMO CLIPBOARD_PEER WINDOWSHOT PRESENT
set -euo pipefail
demo=$1
peer=$2
windowshot=$3
present=$4
source "$(dirname "$0")/xvfb_session.sh"
log="$work/demo.out"
start_xvfb 1024x768x24
# The demo keeps its layouts under the configuration folder: the test's own, never the user's.
export XDG_CONFIG_HOME="$work/config"
layouts="$work/demo.layout"

# Starts the demo over 30 records with the test's layout file and further options; sets wid.
start_demo() { open_demo --rows 30 --layout-file "$layouts" "$@"; }
# Starts the demo with exactly the given options; sets demo_pid and wid.
open_demo() {
  "$demo" "$@" >"$work/demo.out" 2>&1 &
  demo_pid=$!
  pids+=("$demo_pid")
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZelGrid demo' | head -n1) || true
  [ -n "$wid" ] || fail "the demo window did not appear"
  refocus
  sleep 0.5
}
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
# Quits with Ctrl+Q and waits for a clean end.
quit_demo() {
  xdotool key ctrl+q
  for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$demo_pid" 2>/dev/null; then
    xdotool search --onlyvisible --name '.' getwindowname %@ >&2 || true
    fail "the demo did not end after Ctrl+Q"
  fi
  wait "$demo_pid" || fail "the demo failed"
}
# Fails unless FILE has a line matching the pattern.
expect_line() {
  grep -q -- "$2" "$1" || { cat "$1" >&2; fail "$1 lacks: $2"; }
}
# Ctrl+C on the current cell; another program must then read TEXT from the clipboard (asked
# again for a while, as a busy demo may take the selection late). WHAT names the cell in the failure.
expect_copied() {
  local copied=""
  xdotool key ctrl+c
  for _ in $(seq 20); do
    sleep 0.25
    copied=$(timeout 10 "$peer" --get) || copied=""
    [ "$copied" = "$1" ] && return 0
  done
  fail "the other program read '$copied' from the clipboard, not $2 '$1'"
}

# A --save-changes destination that cannot be written (here a directory) is refused with exit code
# 2 before any window opens, so that no edit is made that could not be saved.
rc=0
timeout 10 "$demo" --rows 30 --layout-file "$layouts" --save-changes "$work" >"$work/refused.out" 2>&1 || rc=$?
[ "$rc" = 2 ] || { cat "$work/refused.out" >&2; fail "a directory as --save-changes ended with code $rc, not 2"; }
expect_line "$work/refused.out" "is a directory"

start_demo --save-changes "$work/changes.csv"

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
xdotool key Left
expect_copied "Greystone Mills" "the customer of record 3"
wait "$peer_pid" 2>/dev/null || true
# Tab across columns: the amount of the sixth row (record 7, as record 5 is gone) and its status,
# each committed by the Tab that leaves it.
xdotool mousemove --window "$wid" 380 162 click 1
sleep 0.3
xdotool type --delay 30 "5.25"
xdotool key Tab
xdotool type --delay 30 "Shipped"
xdotool key Tab
sleep 0.3
# The title line right of "Customer" (150 pixels wide, ending at x=327) dragged 60 pixels right.
xdotool mousemove --window "$wid" 327 12 mousedown 1 mousemove --window "$wid" 357 12 sleep 0.1 \
  mousemove --window "$wid" 387 12 mouseup 1
sleep 0.3
# F6 twice shows "Overview" again; a third time leaves "Details" shown, as the next start must.
xdotool key F6 F6 F6
quit_demo

[ -f "$work/changes.csv" ] || fail "no changes were saved"
expect_line "$work/changes.csv" '^changed,2,[0-9-]*,[^,]*,77.5,'
expect_line "$work/changes.csv" '^changed,3,[0-9-]*,[^,]*,123.45,'
expect_line "$work/changes.csv" '^changed,7,.*,5\.25,Shipped,'
expect_line "$work/changes.csv" '^deleted,5,'
if grep -q abc "$work/changes.csv"; then fail "the refused amount was stored"; fi
[ -f "$layouts" ] || fail "the layouts were not saved"
# The first Customer column is that of "Overview".
width=$(awk '/Title.Caption = .Customer./ { getline; print $3; exit }' "$layouts")
[ "$width" = 210 ] || { cat "$layouts" >&2; fail "the sized column was saved $width pixels wide, not 210"; }
grep -q '^  LayoutIndex = 1$' "$layouts" || { cat "$layouts" >&2; fail "the shown layout was not saved"; }
echo "e2e: the demo stored the edits typed in its window, moved text to and from another program and saved the sized column"

# The headless rendering from the saved layouts, and the demo started again from them.
"$demo" --rows 30 --layout-file "$layouts" --png "$work/restored.png" >/dev/null || fail "the headless rendering failed"
start_demo --save-changes "$work/appended.csv"
"$windowshot" --window "$wid" --expect "$work/restored.png" --out "$work/shot" ||
  fail "the restarted window differs from the headless rendering of the same layouts"
# Back to "Overview": where "Amount" began before the column was sized, the first record's
# customer now shows. Copied there, it is pasted into the customer of the second record.
xdotool key F6
xdotool mousemove --window "$wid" 360 37 click 1
sleep 0.3
expect_copied "Abernathy Ltd" "the customer of record 1 in the sized column"
xdotool key Down ctrl+v
sleep 0.3
# Down past the last record appends one; the customer typed into it is stored when Up leaves it.
xdotool key ctrl+End Down
sleep 0.3
xdotool type --delay 30 "Zed Corp"
xdotool key Up
sleep 0.3
quit_demo
expect_line "$work/appended.csv" '^changed,2,[0-9-]*,Abernathy Ltd,'
expect_line "$work/appended.csv" '^appended,31,[0-9-]*,Zed Corp,'
echo "e2e: the restarted demo showed the saved layouts as rendered headless, copied a cell into another and saved the appended record"

# A save that fails when the window closes (the destination became a directory): the message says
# why and the window stays open; Ctrl+S saves the changes to a file typed into its dialog, and the
# next Ctrl+Q saves them there again and ends the demo.
mkdir -p "$work/blocked"
start_demo --save-changes "$work/blocked/changes.csv"
xdotool key Right Down Delete
answer_dialog Confirm
mkdir "$work/blocked/changes.csv"
xdotool key ctrl+q
answer_dialog Error
kill -0 "$demo_pid" 2>/dev/null || fail "the demo ended though its changes could not be saved"
xdotool key ctrl+s
dlg=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save changes as$' | head -n1) || true
[ -n "$dlg" ] || fail "Ctrl+S opened no \"Save changes as\" dialog"
xdotool windowfocus --sync "$dlg" 2>/dev/null || true
xdotool key ctrl+a
xdotool type --delay 20 "$work/elsewhere.csv"
xdotool key Return
sleep 0.3
refocus
quit_demo
expect_line "$work/elsewhere.csv" '^deleted,2,'
echo "e2e: a save that failed at closing kept the window open, and Ctrl+S saved the changes elsewhere"

# Escape leaves a cell without storing the text typed into it; a record appended and left empty
# (Down on it appends no other) is dropped when Up leaves it. Nothing is saved.
layouts="$work/fresh.layout"
start_demo --save-changes "$work/escaped.csv"
xdotool mousemove --window "$wid" 250 37 click 1
sleep 0.3
xdotool type --delay 30 "Nobody"
xdotool key Escape
sleep 0.3
expect_copied "Abernathy Ltd" "the customer of record 1, kept by Escape"
xdotool key ctrl+End Down
sleep 0.3
xdotool key Down
sleep 0.3
xdotool key Up
sleep 0.3
quit_demo
if [ -f "$work/escaped.csv" ] && grep -q '^changed\|^appended' "$work/escaped.csv"; then
  cat "$work/escaped.csv" >&2
  fail "a text left with Escape or an empty appended record was saved"
fi
echo "e2e: Escape discarded the typed text and the empty appended record was not kept"

# Sorting by a click on a title (the grid raises the title click from its mouse handling). The
# Number column is current.
start_demo
xdotool key Down Down Down Down
sleep 0.3
# The Amount title (Number 70, Date 90 and Customer 150 pixels wide before it).
xdotool mousemove --window "$wid" 373 12 click 1
sleep 0.5
xdotool key ctrl+Home
expect_copied "23" "the number of the record of the smallest amount (144.34)"
xdotool mousemove --window "$wid" 373 12 click 1
sleep 0.5
xdotool key ctrl+Home
expect_copied "21" "the number of the record of the largest amount (4949.18)"
# The Number title: the records in their own order again.
xdotool mousemove --window "$wid" 45 12 click 1
sleep 0.5
xdotool key ctrl+End
expect_copied "30" "the number of the last record, sorted back"
quit_demo
echo "e2e: a click on a title sorted the records, a second one reversed them and Number sorted them back"

# Asks window ID, titled TITLE, to close as a window manager's close box does (WM_DELETE_WINDOW)
# and waits until it is gone.
close_by_window_manager() {
  "$present" --close "$1" || fail "the close request could not be sent to \"$2\""
  for _ in $(seq 50); do xdotool search --onlyvisible --name "^$2\$" >/dev/null || break; sleep 0.1; done
  if xdotool search --onlyvisible --name "^$2\$" >/dev/null; then fail "\"$2\" stayed open after the close request"; fi
  refocus
}

# The chooser (F2 on a customer) lists "Brightwater & Sons" as it is; Down and Enter choose it.
# Then the chooser and the "Delete record?" box are closed as a window manager's close box asks
# (WM_DELETE_WINDOW): both end as Cancel, so the customer and the record stay.
start_demo --save-changes "$work/chosen.csv"
xdotool mousemove --window "$wid" 250 37 click 1
sleep 0.3
xdotool key F2
dlg=$(timeout 10 xdotool search --sync --onlyvisible --name '^Choose a customer$' | head -n1) || true
[ -n "$dlg" ] || fail "F2 on a customer opened no chooser"
xdotool windowfocus --sync "$dlg" 2>/dev/null || true
xdotool key Down Return
sleep 0.3
refocus
expect_copied "Brightwater & Sons" "the customer chosen in the list"
xdotool key Down F2
dlg=$(timeout 10 xdotool search --sync --onlyvisible --name '^Choose a customer$' | head -n1) || true
[ -n "$dlg" ] || fail "F2 on the second customer opened no chooser"
close_by_window_manager "$dlg" "Choose a customer"
xdotool key Escape Delete
dlg=$(timeout 10 xdotool search --sync --onlyvisible --name '^Confirm$' | head -n1) || true
[ -n "$dlg" ] || fail "Delete asked no question"
close_by_window_manager "$dlg" Confirm
expect_copied "Eastgate Foods" "the customer of record 2, kept by the closed chooser and question"
quit_demo
expect_line "$work/chosen.csv" '^changed,1,[0-9-]*,"\?Brightwater & Sons"\?,'
if grep -q '^deleted\|^changed,2,' "$work/chosen.csv"; then
  cat "$work/chosen.csv" >&2
  fail "a dialog closed by the close request changed a record"
fi
echo "e2e: the chooser chose \"Brightwater & Sons\"; the chooser and the question closed by the window manager changed nothing"

# Over 1,000,000 records the scroll thumb (right edge, below the up arrow) is dragged to the middle
# of its track: the view follows, and the record current after the release lies near the middle.
open_demo --rows 1000000 --no-layout-file
xdotool mousemove --window "$wid" 708 26 mousedown 1
for y in 60 120 180 250; do xdotool mousemove --window "$wid" 708 "$y"; sleep 0.1; done
xdotool mouseup 1
sleep 0.5
copied=""
xdotool key ctrl+c
for _ in $(seq 20); do
  sleep 0.25
  copied=$(timeout 10 "$peer" --get) || copied=""
  [[ "$copied" =~ ^[0-9]+$ ]] && [ "$copied" -gt 400000 ] && [ "$copied" -lt 600000 ] && break
done
[[ "$copied" =~ ^[0-9]+$ ]] && [ "$copied" -gt 400000 ] && [ "$copied" -lt 600000 ] ||
  fail "after the thumb was dragged to the middle the current record is '$copied', not one near 500,000"
quit_demo
echo "e2e: the scroll thumb dragged to the middle of 1,000,000 records showed record $copied"
