#!/usr/bin/env bash
# End-to-end test of zelgrid-designer: starts Xvfb on a free display, opens a copy of the sample
# form in real X windows, right clicks the grid and chooses "&Layout Editor..." from the context
# menu, adds a layout and a column in the layout editor, types the column's width and title
# caption, presses OK, saves with Ctrl+S and quits; zelform must then read the new layout from
# the saved file. A second start closes the window with unsaved changes and answers the question.
#
# With ZEL_E2E_SHOTS set, pictures of the windows (xwd) are left in that folder for a look.
#
#   run_designer_e2e.sh ZELGRID_DESIGNER ZELFORM PRESENT_CHECK SAMPLE_FORM
set -euo pipefail
designer=$1
zelform=$2
present=$3
sample=$4
source "$(dirname "$0")/xvfb_session.sh"
log="$work/designer.out"
start_xvfb 1024x768x24
form="$work/Form1.dfm"
cp "$sample" "$form"

# Starts the designer on the copy; sets wid (its window) and fid (the designed form's).
start_designer() {
  "$designer" "$form" >"$log" 2>&1 &
  designer_pid=$!
  pids+=("$designer_pid")
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZelGrid Designer - Form1.dfm' | head -n1) || true
  [ -n "$wid" ] || fail "the designer window did not appear"
  fid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orders$' | head -n1) || true
  [ -n "$fid" ] || fail "the designed form did not appear"
  sleep 0.5
}
# Keeps a picture of window $1 as $2.png when asked to.
shot() {
  [ -n "${ZEL_E2E_SHOTS:-}" ] || return 0
  mkdir -p "$ZEL_E2E_SHOTS"
  xwd -silent -id "$1" >"$ZEL_E2E_SHOTS/$2.xwd" || true
}
# Asks window $1 to close, as a window manager's close box does.
close_window() { "$present" --close "$1" || fail "could not ask window $1 to close"; }
# Waits for the window of the given title and gives it the focus; sets dlg.
focus_window() {
  dlg=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || true
  [ -n "$dlg" ] || fail "no window \"$1\" appeared"
  xdotool windowfocus --sync "$dlg" 2>/dev/null || true
  sleep 0.3
}
# Waits for the designer to end by itself.
wait_end() {
  for _ in $(seq 100); do kill -0 "$designer_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$designer_pid" 2>/dev/null && fail "the designer did not end"
  wait "$designer_pid" || fail "the designer failed"
}
# Presses KEY COUNT times.
repeat_key() { for _ in $(seq "$2"); do xdotool key "$1"; done; }

start_designer
shot "$fid" form
# A right click on a data cell of the grid opens its context menu; L chooses the verb.
xdotool windowfocus --sync "$fid" 2>/dev/null || true
xdotool mousemove --window "$fid" 60 45 click 3
sleep 0.5
xdotool key l
focus_window 'Form1.ZelGrid1 LayoutEditor'
# Shift+F3 adds Layout2, the last row; F3 adds its Column0. The column's rows: Width is the
# seventh, Title Caption the fourteenth.
xdotool key shift+F3 End F3 plus Down plus
repeat_key Down 7
xdotool key F2 ctrl+a BackSpace
xdotool type --delay 30 "144"
xdotool key Return
repeat_key Down 7
xdotool key F2 ctrl+a BackSpace
xdotool type --delay 30 "Shipped on"
xdotool key Return
sleep 0.3
shot "$dlg" editor
# OK is the dialog's default button.
xdotool key Tab Return
sleep 0.5
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool search --onlyvisible --name '^ZelGrid Designer - Form1.dfm \*$' >/dev/null ||
  fail "the designer does not show the form as modified"
xdotool key ctrl+s
sleep 0.5
xdotool search --onlyvisible --name '^ZelGrid Designer - Form1.dfm$' >/dev/null ||
  fail "the designer still shows the form as modified after Ctrl+S"
shot "$wid" designer
shot "$fid" form-after
close_window "$wid"
wait_end

"$zelform" check "$form" >"$work/check.txt" 2>&1 || { cat "$work/check.txt" >&2; fail "zelform refused the saved form"; }
grep -q "Layout 2: 1 columns" "$work/check.txt" || { cat "$work/check.txt" >&2; fail "the new layout was not saved"; }
grep -q "width 144" "$work/check.txt" || { cat "$work/check.txt" >&2; fail "the typed width was not saved"; }
grep -q "Shipped on" "$work/check.txt" || { cat "$work/check.txt" >&2; fail "the typed caption was not saved"; }
head -c 6 "$form" | grep -q object || fail "the text form was saved in another form"
echo "e2e: the designer ran the layout editor from the grid's context menu and saved the new layout"

# Again with the layout editor opened from the command line: another layout, OK, and the window
# closed with the change unsaved. Escape cancels the question; asked again through the designed
# form's close box, No discards.
cp "$form" "$work/saved.dfm"
"$designer" "$form" --layout-editor ZelGrid1 >"$log" 2>&1 &
designer_pid=$!
pids+=("$designer_pid")
focus_window 'Form1.ZelGrid1 LayoutEditor'
xdotool key shift+F3 Tab Return
wid=$(timeout 10 xdotool search --sync --onlyvisible --name '^ZelGrid Designer - Form1.dfm \*$' | head -n1) || true
[ -n "$wid" ] || fail "OK after a new layout did not mark the form modified"
fid=$(xdotool search --onlyvisible --name '^Orders$' | head -n1)
close_window "$wid"
focus_window Confirm
shot "$dlg" confirm
xdotool key Escape
sleep 0.5
kill -0 "$designer_pid" 2>/dev/null || fail "the designer ended although the question was cancelled"
close_window "$fid"
focus_window Confirm
xdotool key Tab Return
wait_end
cmp -s "$form" "$work/saved.dfm" || fail "the change was saved although the answer was No"
echo "e2e: closing with unsaved changes asked, and Cancel and No did what they say"
