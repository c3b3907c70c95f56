#!/bin/sh
# zelgrid-designer's command line without a display: --png renders the windows (with the layout
# editor when asked), a bad form file exits 1 naming it, bad use exits 2.
set -eu
designer=$1
sample=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$designer" "$sample" --png "$dir/plain.png" >/dev/null || fail "--png"
"$designer" "$sample" --layout-editor ZelGrid1 --png "$dir/editor.png" >/dev/null || fail "--layout-editor"
for f in plain editor; do
  [ "$(head -c 4 "$dir/$f.png" | tail -c 3)" = PNG ] || fail "$f.png is no PNG"
done
# The layout editor's window is drawn beside the other two.
[ "$(wc -c < "$dir/editor.png")" -gt "$(wc -c < "$dir/plain.png")" ] || fail "the layout editor is not in the picture"

printf 'object Form1: TForm\n  Width = \n' > "$dir/bad.dfm"
status=0; "$designer" "$dir/bad.dfm" --png "$dir/bad.png" 2> "$dir/err" || status=$?
[ $status -eq 1 ] || fail "a bad form exits $status"
grep -q "Line 3, column 1" "$dir/err" || fail "no position in: $(cat "$dir/err")"
status=0; "$designer" "$sample" --select Nope --png "$dir/x.png" 2> /dev/null || status=$?
[ $status -eq 2 ] || fail "an unknown component exits $status"
status=0; "$designer" 2> /dev/null || status=$?
[ $status -eq 2 ] || fail "no file exits $status"
"$designer" --help | grep -q -- "--layout-editor" || fail "help"
echo "zelgrid-designer: all checks passed"
