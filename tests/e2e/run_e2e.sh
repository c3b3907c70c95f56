#!/usr/bin/env bash
# End-to-end test of the X11 back end: starts Xvfb on a free display, opens the demo in a real X
# window, drives it with xdotool, checks that the messages arrived, and compares screenshots
# with the headless rendering of the same window after the same input.
#
#   run_e2e.sh DEMO XCHECK
set -euo pipefail
demo=$1
xcheck=$2
source "$(dirname "$0")/xvfb_session.sh"
log="$work/log.txt"
demo_pid=""
start_xvfb 800x600x24
xdotool getmouselocation >/dev/null 2>&1 || fail "Xvfb on $DISPLAY does not answer"

touch "$work/log.txt"
"$demo" --log "$work/log.txt" >"$work/demo.out" 2>&1 &
demo_pid=$!
pids+=("$demo_pid")

wait_for() {
  for _ in $(seq 100); do
    grep -qx -- "$1" "$work/log.txt" && return 0
    kill -0 "$demo_pid" 2>/dev/null || fail "the demo ended early: $(cat "$work/demo.out")"
    sleep 0.1
  done
  fail "message did not arrive: $1"
}

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Zel window demo$' | head -n1) || true
[ -n "$wid" ] || fail "the demo window did not appear"
wait_for "WM_PAINT"

echo "e2e: window $wid on $DISPLAY painted; comparing with the headless rendering"
"$xcheck" --window "$wid" --out "$work/before" || fail "the window before input differs from the headless rendering"

xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool mousemove --window "$wid" 150 250 click 1
wait_for "WM_LBUTTONDOWN x=150 y=250"
xdotool type --delay 20 "Hello"
for key in 72 69 76 79; do wait_for "WM_KEYDOWN key=$key"; done
for ch in 72 101 108 111; do wait_for "WM_CHAR char=$ch"; done
# The down arrow of the list's own scroll bar.
xdotool mousemove --window "$wid" 460 290 click 1
wait_for "WM_VSCROLL code=1 pos=0"
wait_for "WM_VSCROLL code=8 pos=0"

"$xcheck" --window "$wid" --out "$work/after" --script "click:150,250|type:Hello|click:460,290" ||
  fail "the window after input differs from the headless rendering of the same input"

# Resized by the display: the window follows and paints the new area.
xdotool windowsize "$wid" 520 340
wait_for "WM_SIZE w=520 h=340"
script="click:150,250|type:Hello|click:460,290|size:520,340"
"$xcheck" --window "$wid" --out "$work/resized" --script "$script" ||
  fail "the resized window differs from the headless rendering"
# Unmapped and mapped again: the display asks for the contents (expose), which come from the
# back buffer.
xdotool windowunmap --sync "$wid"
xdotool windowmap --sync "$wid"
"$xcheck" --window "$wid" --out "$work/exposed" --script "$script" ||
  fail "the window shown again differs from the headless rendering"

# A popup (an override-redirect window) opens on the right button and closes when the user
# clicks elsewhere; that click is used up.
xdotool mousemove --window "$wid" 200 150 click 3
wait_for "POPUP shown"
popup=$(timeout 10 xdotool search --sync --onlyvisible --name '^Zel demo popup$' | head -n1) || true
[ -n "$popup" ] || fail "the popup window did not appear"
"$xcheck" --window "$popup" --popup --out "$work/popup" --script "$script|rclick:200,150" ||
  fail "the popup is no override-redirect window or differs from the headless rendering"
xdotool mousemove --window "$wid" 100 180 click 1
wait_for "WM_CANCELMODE popup"
sleep 0.2
if grep -qx "WM_LBUTTONDOWN x=100 y=180" "$work/log.txt"; then fail "the click that closed the popup reached the window"; fi
if xdotool search --onlyvisible --name '^Zel demo popup$' >/dev/null 2>&1; then fail "the popup is still shown"; fi

# Unmapping took the keyboard focus away; give it back as a user would.
xdotool windowfocus --sync "$wid"
xdotool key Escape
wait_for "WM_DESTROY"
for _ in $(seq 50); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$demo_pid" 2>/dev/null; then fail "the demo did not end after Escape"; fi
wait "$demo_pid" || fail "the demo ended with an error: $(cat "$work/demo.out")"
demo_pid=""
echo "e2e: messages arrived and both screenshots match the headless rendering"

# Starts the demo again and waits for its window.
start_demo() {
  : >"$work/log.txt"
  "$demo" --log "$work/log.txt" >"$work/demo.out" 2>&1 &
  demo_pid=$!
  pids+=("$demo_pid")
pids+=("$demo_pid")
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Zel window demo$' | head -n1) || true
  [ -n "$wid" ] || fail "the demo window did not appear"
  wait_for "WM_PAINT"
}
# Waits for the demo to end and sets status to its exit code.
wait_demo_end() {
  for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$demo_pid" 2>/dev/null && fail "the demo did not end: $1"
  status=0
  wait "$demo_pid" || status=$?
  demo_pid=""
}

# Another client destroys the window: the demo's window goes as well (WM_DESTROY) and it ends.
start_demo
"$xcheck" --destroy "$wid" || fail "could not destroy window $wid"
wait_for "WM_DESTROY"
wait_demo_end "after its window was destroyed by another client"
[ "$status" -eq 0 ] || fail "the demo ended with $status after its window was destroyed: $(cat "$work/demo.out")"
echo "e2e: a window destroyed by another client is destroyed in the demo, which ends"

# The X server goes away under the running demo: it ends with exit code 1 and says why.
start_demo
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null || true
wait_demo_end "after the X server went away"
[ "$status" -eq 1 ] || fail "the demo ended with $status, not 1, when the X server went away"
grep -q "connection to the X display .* was lost" "$work/demo.out" ||
  fail "the demo did not say that the display connection was lost: $(cat "$work/demo.out")"
echo "e2e: the demo ends with exit code 1 and a clear message when the X server goes away"
