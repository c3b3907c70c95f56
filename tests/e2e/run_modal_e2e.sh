#!/usr/bin/env bash
# End-to-end test of modal windows in a real X display (Xvfb, no window manager): e2e-modal opens
# a chooser without a Cancel button, a confirmation box and the chooser again over its main window.
# The first two are closed with WM_DELETE_WINDOW, as a window manager's close button asks, and the
# last with Escape; each must end as Cancel. Every window names the program (WM_CLASS), its
# process (_NET_WM_PID) and a title; the dialogs and the popup menu name the main window as the
# one they belong to (WM_TRANSIENT_FOR).
#
#   run_modal_e2e.sh MODAL PRESENT
set -euo pipefail
modal=$1
present=$2
command -v xprop >/dev/null || { echo "e2e: xprop is missing (scripts/setup installs it)" >&2; exit 1; }
source "$(dirname "$0")/xvfb_session.sh"
start_xvfb 1024x768x24
log="$work/modal.out"
"$modal" >"$log" 2>&1 &
modal_pid=$!
pids+=("$modal_pid")

# The window named exactly NAME, once it shows.
window() {
  local id
  id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || true
  [ -n "$id" ] || fail "no window \"$1\" appeared"
  echo "$id"
}
# Fails unless window ID has PROPERTY with a value matching the pattern.
expect_prop() {
  local value
  value=$(xprop -id "$1" "$2" 2>&1) || true
  grep -Eq -- "$3" <<<"$value" || fail "window $1: $2 is \"$value\", expected $3"
}
# The identity every top-level window carries, and the window it belongs to (none: "").
expect_identity() {
  expect_prop "$1" WM_CLASS '= "e2e-modal", "E2e-modal"$'
  expect_prop "$1" _NET_WM_PID "= $modal_pid\$"
  expect_prop "$1" _NET_WM_NAME "= \"$2\"\$"
  if [ -n "${3:-}" ]; then
    expect_prop "$1" WM_TRANSIENT_FOR "window id # $(printf '0x%x' "$3")\$"
  fi
}
# Waits until the program printed LINE.
expect_output() {
  for _ in $(seq 100); do
    grep -qx -- "$1" "$log" && return 0
    kill -0 "$modal_pid" 2>/dev/null || break
    sleep 0.1
  done
  fail "the program did not print \"$1\""
}

main=$(window "Modal check")
expect_identity "$main" "Modal check"

chooser=$(window Chooser)
expect_identity "$chooser" Chooser "$main"
"$present" --close "$chooser"
expect_output "Chooser: 2"

confirm=$(window Confirm)
expect_identity "$confirm" Confirm "$main"
"$present" --close "$confirm"
expect_output "Confirm: 2"

chooser=$(window Chooser)
xdotool windowfocus --sync "$chooser" 2>/dev/null || true
xdotool key Escape
expect_output "Chooser: 2"

expect_output "popup open"
popup=""
for id in $(xdotool search --class e2e-modal); do
  if xwininfo -id "$id" | grep -q "Override Redirect State: yes" && xwininfo -id "$id" | grep -q "IsViewable"; then popup=$id; fi
done
[ -n "$popup" ] || fail "the popup menu did not appear"
expect_prop "$popup" WM_TRANSIENT_FOR "window id # $(printf '0x%x' "$main")\$"
"$present" --close "$main"
expect_output closed
wait "$modal_pid" || fail "e2e-modal ended with an error"
echo "e2e: modal windows closed by WM_DELETE_WINDOW and Escape; windows named their program, process, title and owner"
