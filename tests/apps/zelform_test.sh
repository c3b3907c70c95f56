#!/bin/sh
# zelform end to end: a text form converted to binary and back is unchanged, check prints the
# grid's layouts and assigned values, a damaged file exits 1 naming where, bad use exits 2.
set -eu
zelform=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cat > "$dir/form.txt" <<'FORM'
object Form1: TForm
  Caption = 'Orders'
  object Grid1: TZelGrid
    Layout = <
      item
        Columns = <
          item
            aType = tctText
            Tag = 0
            Flags = -1
            Title.Caption = 'Name'
          end
          item
            aType = tctCurrency
            Tag = 0
            Flags = -1
            Width = 90
          end>
      end
      item
        Columns = <>
      end>
    OnGetDataCell = Form1GetDataCell
    LayoutIndex = 1
  end
end
FORM

"$zelform" to-binary "$dir/form.txt" "$dir/form.bin" || fail "to-binary"
[ "$(head -c 4 "$dir/form.bin")" = TPF0 ] || fail "no signature"
"$zelform" to-text "$dir/form.bin" > "$dir/again.txt" || fail "to-text"
cmp -s "$dir/form.txt" "$dir/again.txt" || fail "text round trip differs"

"$zelform" check "$dir/form.bin" > "$dir/tree" || fail "check"
grep -q "^  Grid1: TZelGrid$" "$dir/tree" || fail "no grid in: $(cat "$dir/tree")"
grep -q "Layout 0: 2 columns" "$dir/tree" || fail "no layout"
grep -q "1 'Col1' tctCurrency width 90; assigned: Width=90" "$dir/tree" || fail "no column: $(cat "$dir/tree")"
grep -q "LayoutIndex 1" "$dir/tree" || fail "no layout index"

head -c 40 "$dir/form.bin" > "$dir/short.bin"
status=0; "$zelform" check "$dir/short.bin" 2> "$dir/err" || status=$?
[ $status -eq 1 ] || fail "truncated file exits $status"
grep -q "offset" "$dir/err" || fail "no offset in: $(cat "$dir/err")"

sed 's/Tag = 0/Tag = zero/' "$dir/form.txt" > "$dir/bad.txt"
status=0; "$zelform" check "$dir/bad.txt" 2> "$dir/err" || status=$?
[ $status -eq 1 ] || fail "bad text exits $status"
grep -q "line 9" "$dir/err" || fail "no line in: $(cat "$dir/err")"

status=0; "$zelform" convert "$dir/form.txt" 2> /dev/null || status=$?
[ $status -eq 2 ] || fail "bad use exits $status"
"$zelform" --help | grep -q "to-binary" || fail "help"
echo "zelform: all checks passed"
