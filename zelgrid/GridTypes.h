#pragma once
// The grid's option set and the types of its events. Parameter names are part of the published
// interface: handlers are written against them.
#include <cstdint>
#include <functional>
#include <string>

#include "host/controls/Grids.h"
#include "host/core/Currency.h"
#include "host/core/Persistent.h"
#include "host/core/Sets.h"
#include "host/core/Types.h"

class TZelColumn;

enum TZelGridOption : unsigned char {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
    dgTabs, dgRowSelect, dgAlwaysShowSelection, dgPopupOnClick, dgConfirmDelete, dgCancelOnExit
};
using TZelGridOptions = TSet<TZelGridOption, std::uint16_t>;

// [dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
//  dgConfirmDelete, dgCancelOnExit]
constexpr std::uint16_t DefaultZelGridOptionBits = 6397;
// The options whose change needs a new layout pass.
constexpr TZelGridOptions LayoutOptions{dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator,
                                        dgColLines, dgRowLines, dgAlwaysShowSelection};

using TGetDataCellEvent = std::function<void(int ACol, int ARow, std::string& AValue)>;
using TValidateDataEvent = std::function<void(int ACol, int ARow, const std::string& NewVal, bool& ACancel)>;
using TGetRowCountEvent = std::function<void(int& ARowCount)>;
using TCopyCellEvent = std::function<void(int ACol, int ARow)>;
using TPasteCellEvent = std::function<void(int ACol, int ARow)>;
using TCopyRecordEvent = std::function<void(int ARow)>;
using TPasteRecordEvent = std::function<void(int ARow)>;
using TAppendRecordEvent = std::function<void(TObject* Sender)>;
using TDeleteRecordEvent = std::function<void(int ARow)>;
using TSetDefaultValueEvent = std::function<void(int ACol)>;
using TGetSummaryEvent = std::function<void(TObject* Sender, int Acol, Currency& aSummary)>;
using TMoveToRowEvent = std::function<void(int ARow)>;
using TMouseCellEvent = std::function<void(TObject* Sender, int Col, int Row)>;
using TColSizingEvent = std::function<void(int Acol)>;
// A click on the title of a data column; Column is null where the layout has no column object.
using TTitleClickEvent = std::function<void(TObject* Sender, int DataCol, TZelColumn* Column)>;
using TLayoutChangeEvent = std::function<void(int OldLay, int NewLay)>;
using TDrawDataCellEvent = std::function<void(TObject* Sender, const TRect& Rect, TGridDrawState State)>;
using TDrawColumnCellEvent =
    std::function<void(TObject* Sender, const TRect& Rect, int DataCol, TZelColumn* Column, TGridDrawState State)>;

// The grid's private message: a deferred layout pass.
constexpr unsigned CM_DEFERLAYOUT = 1124;

// The width of the indicator column, in pixels.
constexpr int IndicatorWidth = 11;
