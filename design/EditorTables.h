#pragma once
// The layout editor's tables: the kinds of tree nodes with their captions, and the names
// offered and accepted for the enumerated, Boolean and colour values of a column.
#include "host/graphics/Color.h"

#include <span>
#include <string>

// The kind of a node of the layout editor's tree, kept in the node's OverlayIndex.
enum TTypeEl : unsigned char {
    teLayout,
    teColumn,
    teColAlignment,
    teType,
    teButtonStyle,
    teColor,
    teDropDownRows,
    teReadOnly,
    teWidth,
    teFormat,
    teColumnFont,
    teWordwrap,
    teColumnSumEnable,
    teVisible,
    tePickList,
    teTitleCaption,
    teTitleAlignment,
    teTitleColor,
    teTitleFont
};
constexpr int TypeElCount = teTitleFont + 1;

struct TPropscol {
    const char* Caption;
    TTypeEl Kind;
};
// Indexed by TTypeEl: the caption prefixes of layout and column nodes, then the property rows'.
extern const TPropscol PropertiesCols[TypeElCount];

struct TIdentMapEntry {
    long long Value;
    const char* Name;
};
extern const TIdentMapEntry Booleans[2];
extern const TIdentMapEntry Alignments[3];
extern const TIdentMapEntry Types[6];
extern const TIdentMapEntry ButtonStyles[3];
extern const TIdentMapEntry aColors[42];

// The value table behind a property row (empty for rows without one).
std::span<const TIdentMapEntry> KindTable(TTypeEl Kind);
// The name of Value in Table, or nullptr.
const char* IdentName(std::span<const TIdentMapEntry> Table, long long Value);
// Whether Name is exactly (case-sensitive) a name of Table; Value receives its value.
bool IdentValue(std::span<const TIdentMapEntry> Table, const std::string& Name, long long& Value);

// The decimal integer S, with an optional sign and nothing else; EConvertError otherwise.
int StrToInt(const std::string& S);
