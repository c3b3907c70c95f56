#include "design/EditorTables.h"

#include "host/core/Exceptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

const TPropscol PropertiesCols[TypeElCount] = {
    { "Layout", teLayout },
    { "Column", teColumn },
    { "Alignment", teColAlignment },
    { "Type", teType },
    { "ButtonStyle", teButtonStyle },
    { "Column Color", teColor },
    { "Dropdown Rows", teDropDownRows },
    { "ReadOnly", teReadOnly },
    { "Width", teWidth },
    { "Format", teFormat },
    { "Font", teColumnFont },
    { "WordWrap", teWordwrap },
    { "Summary", teColumnSumEnable },
    { "Visible", teVisible },
    { "PickList", tePickList },
    { "Title Caption", teTitleCaption },
    { "Title Alignment", teTitleAlignment },
    { "Title Color", teTitleColor },
    { "Title Font", teTitleFont },
};

const TIdentMapEntry Booleans[2] = { { 0, "No" }, { 1, "Yes" } };
const TIdentMapEntry Alignments[3] = { { 0, "Left" }, { 1, "Right" }, { 2, "Center" } };
const TIdentMapEntry Types[6]
    = { { 0, "Logic" }, { 1, "Integer" }, { 2, "Currency" }, { 3, "Text" }, { 4, "Procedure" }, { 5, "CheckList" } };
const TIdentMapEntry ButtonStyles[3] = { { 0, "Auto" }, { 1, "Ellipsis" }, { 2, "None" } };
const TIdentMapEntry aColors[42] = {
    { 0x00000000, "clBlack" },
    { 0x00000080, "clMaroon" },
    { 0x00008000, "clGreen" },
    { 0x00008080, "clOlive" },
    { 0x00800000, "clNavy" },
    { 0x00800080, "clPurple" },
    { 0x00808000, "clTeal" },
    { 0x00808080, "clGray" },
    { 0x00C0C0C0, "clSilver" },
    { 0x000000FF, "clRed" },
    { 0x0000FF00, "clLime" },
    { 0x0000FFFF, "clYellow" },
    { 0x00FF0000, "clBlue" },
    { 0x00FF00FF, "clFuchsia" },
    { 0x00FFFF00, "clAqua" },
    { 0x00FFFFFF, "clWhite" },
    { 0x80000000, "clScrollBar" },
    { 0x80000001, "clBackground" },
    { 0x80000002, "clActiveCaption" },
    { 0x80000003, "clInactiveCaption" },
    { 0x80000004, "clMenu" },
    { 0x80000005, "clWindow" },
    { 0x80000006, "clWindowFrame" },
    { 0x80000007, "clMenuText" },
    { 0x80000008, "clWindowText" },
    { 0x80000009, "clCaptionText" },
    { 0x8000000A, "clActiveBorder" },
    { 0x8000000B, "clInactiveBorder" },
    { 0x8000000C, "clAppWorkSpace" },
    { 0x8000000D, "clHighlight" },
    { 0x8000000E, "clHighlightText" },
    { 0x8000000F, "clBtnFace" },
    { 0x80000010, "clBtnShadow" },
    { 0x80000011, "clGrayText" },
    { 0x80000012, "clBtnText" },
    { 0x80000013, "clInactiveCaptionText" },
    { 0x80000014, "clBtnHighlight" },
    { 0x80000015, "cl3DDkShadow" },
    { 0x80000016, "cl3DLight" },
    { 0x80000017, "clInfoText" },
    { 0x80000018, "clInfoBk" },
    { 0x1FFFFFFF, "clNone" },
};

std::span<const TIdentMapEntry> KindTable(TTypeEl Kind)
{
    switch (Kind) {
    case teColAlignment:
    case teTitleAlignment:
        return Alignments;
    case teType:
        return Types;
    case teButtonStyle:
        return ButtonStyles;
    case teColor:
    case teTitleColor:
        return aColors;
    case teReadOnly:
    case teWordwrap:
    case teColumnSumEnable:
    case teVisible:
        return Booleans;
    default:
        return {};
    }
}

const char* IdentName(std::span<const TIdentMapEntry> Table, long long Value)
{
    for (const TIdentMapEntry& e : Table)
        if (e.Value == Value) return e.Name;
    return nullptr;
}

bool IdentValue(std::span<const TIdentMapEntry> Table, const std::string& Name, long long& Value)
{
    for (const TIdentMapEntry& e : Table)
        if (Name == e.Name) {
            Value = e.Value;
            return true;
        }
    return false;
}

int StrToInt(const std::string& S)
{
    const auto refuse = [&] { return EConvertError("'" + S + "' is not a valid integer value"); };
    std::size_t i = (!S.empty() && (S[0] == '-' || S[0] == '+')) ? 1 : 0;
    if (i == S.size()) throw refuse();
    for (std::size_t k = i; k < S.size(); ++k)
        if (S[k] < '0' || S[k] > '9') throw refuse();
    errno = 0;
    const long long v = std::strtoll(S.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) throw refuse();
    return static_cast<int>(v);
}
