# Sourced by the end-to-end scripts: a work folder, cleanup of the processes they start, and an
# Xvfb on a display nobody uses (DISPLAY exported). The caller sets "log" to a file that fail()
# shows and may add process ids to "pids" for cleanup.
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zel-e2e.XXXXXX")
log=/dev/null
pids=()
cleanup() {
  local status=$?
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ $status -eq 0 ]; then rm -rf "$work"; else echo "e2e: files kept in $work" >&2; fi
}
trap cleanup EXIT
fail() {
  echo "e2e: $*" >&2
  cat "$log" >&2 2>/dev/null || true
  exit 1
}

# Xvfb tells the display number it picked, so that parallel runs never collide; its process id
# is left in "xvfb_pid". It does not reset when its last client leaves: a program started during
# a reset would find no display, and the keyboard layout a script set would be lost.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  pids+=("$xvfb_pid")
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not report its display"
  export DISPLAY=":$(head -n1 "$work/display")"
}
