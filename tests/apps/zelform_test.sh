#!/bin/sh
# zelform end to end: a text form converted to binary and back is unchanged, check prints the
# grid's layouts, assigned values and stored properties, a damaged file exits 1 naming where,
# a failed write exits 1 and leaves the old output whole, bad use exits 2.
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
        Columns = <
          item
            ColumnSumEnable = True
            aType = tctCheckList
            Tag = -5
            Flags = -1
            ButtonStyle = cbsEllipsis
            DropDownRows = 3
            PickList.Strings = (
              'yes'
              'no')
            Title.Font.Charset = DEFAULT_CHARSET
            Title.Font.Color = clRed
            Title.Font.Height = -11
            Title.Font.Name = 'MS Sans Serif'
            Title.Font.Style = []
            Format = '#,##0.00 "per unit";(#,##0.00 "per unit")'
            WordWrap = True
          end>
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
# Every property a column and its title store is listed, also those outside the assigned values.
stored="stored: ColumnSumEnable=True, aType=tctCheckList, Tag=-5, Flags=-1, ButtonStyle=cbsEllipsis, DropDownRows=3,\
 PickList=('yes', 'no'), Title.Font.Charset=DEFAULT_CHARSET, Title.Font.Color=clRed, Title.Font.Height=-11,\
 Title.Font.Name='MS Sans Serif', Title.Font.Style=\[\],\
 Format='#,##0.00 \"per unit\";(#,##0.00 \"per unit\")', WordWrap=True$"
grep -q "0 'Col0' tctCheckList width 64; assigned: Title.Font=MS Sans Serif -11; $stored" "$dir/tree" ||
    fail "stored properties missing in: $(cat "$dir/tree")"

head -c 40 "$dir/form.bin" > "$dir/short.bin"
status=0; "$zelform" check "$dir/short.bin" 2> "$dir/err" || status=$?
[ $status -eq 1 ] || fail "truncated file exits $status"
grep -q "offset" "$dir/err" || fail "no offset in: $(cat "$dir/err")"

sed 's/Tag = 0/Tag = zero/' "$dir/form.txt" > "$dir/bad.txt"
status=0; "$zelform" check "$dir/bad.txt" 2> "$dir/err" || status=$?
[ $status -eq 1 ] || fail "bad text exits $status"
grep -q "line 9" "$dir/err" || fail "no line in: $(cat "$dir/err")"

# A byte unfit for a terminal in a damaged binary file is shown escaped, with the offset.
cp "$dir/form.bin" "$dir/ctrl.bin"
at=$(grep -boa Caption "$dir/ctrl.bin" | head -n 1 | cut -d: -f1)
printf '\001' | dd of="$dir/ctrl.bin" bs=1 seek=$((at + 1)) conv=notrunc 2> /dev/null
status=0; "$zelform" check "$dir/ctrl.bin" 2> "$dir/err" || status=$?
[ $status -eq 1 ] || fail "control byte exits $status"
grep -q 'Property C\\x01ption does not exist (at offset 16)$' "$dir/err" || fail "no escaped byte in: $(cat "$dir/err")"

# Failed writes: each case runs a command that cannot write its output; it exits 1 with the
# message, and OUT, written earlier by a good run, is byte for byte what it was. A fake full
# disk is a file size limit of 512 bytes with its signal ignored, so writes fail with EFBIG.
[ "$(wc -c < "$dir/form.bin")" -gt 512 ] || fail "the form is too small to fill the fake disk"
mkdir "$dir/out"
"$zelform" to-text "$dir/form.bin" "$dir/out/form.txt" || fail "to-text OUT"
cmp -s "$dir/form.txt" "$dir/out/form.txt" || fail "OUT differs"
cp "$dir/out/form.txt" "$dir/kept.txt"
ln -s form.txt "$dir/out/link.txt"
full() { (trap '' XFSZ; ulimit -f 1; "$@"); }
while IFS='|' read -r name message command; do
    status=0; eval "$command" > /dev/null 2> "$dir/err" || status=$?
    [ $status -eq 1 ] || fail "$name: exits $status"
    grep -q "$message" "$dir/err" || fail "$name: no '$message' in: $(cat "$dir/err")"
    cmp -s "$dir/kept.txt" "$dir/out/form.txt" || fail "$name: the old OUT was changed"
    [ "$(ls -A "$dir/out")" = "$(printf 'form.txt\nlink.txt')" ] || fail "$name: left behind: $(ls -A "$dir/out")"
done <<'CASES'
to-text, full disk|cannot write .*/out/form.txt: File too large|full "$zelform" to-text "$dir/form.bin" "$dir/out/form.txt"
to-binary, full disk|cannot write .*/out/form.txt: File too large|full "$zelform" to-binary "$dir/form.txt" "$dir/out/form.txt"
through a link, full disk|cannot write .*/out/link.txt: File too large|full "$zelform" to-text "$dir/form.bin" "$dir/out/link.txt"
a damaged file|offset|"$zelform" to-text "$dir/short.bin" "$dir/out/form.txt"
OUT is a directory|out is a directory|"$zelform" to-text "$dir/form.bin" "$dir/out"
standard output full, to-text|cannot write to standard output: No space left on device|"$zelform" to-text "$dir/form.bin" > /dev/full
standard output full, to-binary|cannot write to standard output: No space left on device|"$zelform" to-binary "$dir/form.txt" > /dev/full
standard output full, check|cannot write to standard output: No space left on device|"$zelform" check "$dir/form.bin" > /dev/full
a directory as input|out is a directory, not a form file|"$zelform" check "$dir/out"
CASES
# A folder the user may not write to keeps OUT (root writes anywhere, so only for others).
if [ "$(id -u)" -ne 0 ]; then
    chmod a-w "$dir/out"
    status=0; "$zelform" to-text "$dir/form.bin" "$dir/out/form.txt" 2> "$dir/err" || status=$?
    chmod u+w "$dir/out"
    [ $status -eq 1 ] || fail "read-only folder: exits $status"
    grep -q "Permission denied" "$dir/err" || fail "read-only folder: $(cat "$dir/err")"
    cmp -s "$dir/kept.txt" "$dir/out/form.txt" || fail "read-only folder: the old OUT was changed"
fi
# A good write through the link replaces its target and keeps the link.
"$zelform" to-text "$dir/ctrl.bin" "$dir/out/link.txt" 2> /dev/null && fail "a damaged file was written"
sed 's/Orders/Sales/' "$dir/form.txt" > "$dir/sales.txt"
"$zelform" to-text "$dir/sales.txt" "$dir/out/link.txt" || fail "to-text through the link"
[ -L "$dir/out/link.txt" ] || fail "the link was replaced"
cmp -s "$dir/sales.txt" "$dir/out/form.txt" || fail "the link's target was not written"

status=0; "$zelform" convert "$dir/form.txt" 2> /dev/null || status=$?
[ $status -eq 2 ] || fail "bad use exits $status"
"$zelform" --help | grep -q "to-binary" || fail "help"
echo "zelform: all checks passed"
