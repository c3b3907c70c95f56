#!/usr/bin/env bash
# End-to-end test of the X11 back end's presenting and keyboard in a real X display (Xvfb):
# - the demo form presented through MIT-SHM and through XPutImage shows exactly its back buffer
#   after a session of small damages (e2e-present);
# - characters beyond ASCII, one composed from a dead key and one typed directly, arrive in a
#   grid cell through the input method, and the window closes through WM_DELETE_WINDOW as a
#   window manager's close button asks, saving the edit on the way out.
#
#   run_x11_e2e.sh DEMO PRESENT
set -euo pipefail
demo=$1
present=$2
source "$(dirname "$0")/xvfb_session.sh"
start_xvfb 1024x768x24
"$present" --out "$work" || fail "the X window does not show what was presented"

# A layout with a dead acute and the euro sign, so that both keys are on the keyboard.
setxkbmap -layout us -variant intl || fail "setxkbmap could not load the us intl layout"
export LANG=C.UTF-8
log="$work/demo.out"
changes="$work/changes.csv"
"$demo" --rows 1000 --no-layout-file --save-changes "$changes" >"$work/demo.out" 2>&1 &
demo_pid=$!
pids+=("$demo_pid")
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZelGrid demo' | head -n1) || true
[ -n "$wid" ] || fail "the demo window did not appear"
xdotool windowfocus --sync "$wid"
# From the first cell (Number) to Customer, then é composed from the dead acute and e, and the euro
# sign, which has no 8-bit character; Down commits.
xdotool key --delay 50 Right Right dead_acute e EuroSign Down
sleep 0.5
"$present" --close "$wid"
for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$demo_pid" 2>/dev/null && fail "the demo did not close on WM_DELETE_WINDOW"
wait "$demo_pid" || fail "the demo ended with an error"
demo_pid=""
[ -s "$changes" ] || fail "the demo saved no changes"
grep -q ",é€," "$changes" || fail "the typed characters did not arrive: $(cat "$changes")"
echo "e2e: composed and non-ASCII characters arrived through the input method; closed through WM_DELETE_WINDOW"
