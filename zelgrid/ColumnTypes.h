#pragma once
// The enumerations and sets the column model shares with the grid, the column record and the
// layout editor. Each enumeration is one byte; the numeric values are the streamed ones.
#include <cstdint>

#include "host/core/Sets.h"

enum TZelColumnType : unsigned char {
    tctLogic, tctInteger, tctCurrency, tctText, tctFormula, tctCheckList, tctCode
};

enum TZelColumnButtonStyle : unsigned char { cbsAuto, cbsEllipsis, cbsNone };

// The nine values of a column that are either assigned or follow a default: five of the
// column (cvColor .. cvReadOnly) and four of its title (cvTitleColor .. cvTitleFont).
enum TZelColumnValue : unsigned char {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly,
    cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont
};
using TZelColumnValues = TSet<TZelColumnValue, std::uint16_t>;

// The title's four members of TZelColumnValues.
constexpr TZelColumnValues ColumnTitleValues{cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont};

enum TZelGridColumnsState : unsigned char { csDefault, csCustomized };
