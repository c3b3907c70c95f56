#pragma once
// TZelColumnRec: a flat, self-contained copy of every setting of one column and its title,
// with no grid and no collection. The layout editor keeps one per column and copies between
// records and columns with the three operations below. Besides the plain values it remembers
// which of them the column had assigned, so that writing a record back into the grid it was read
// from leaves a value the user did not change following the grid as before.
#include <concepts>
#include <memory>
#include <string>

#include "host/core/Persistent.h"
#include "host/core/Types.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "zelgrid/ColumnTypes.h"

class TZelColumn;

class TZelColumnRec : public TPersistent {
public:
    TZelColumnRec();
    ~TZelColumnRec() override;
    TZelColumnRec(const TZelColumnRec&) = delete;
    TZelColumnRec& operator=(const TZelColumnRec&) = delete;

    // From a column into the record: the column's effective values; does nothing when Source
    // is not a TZelColumn. A template, so that it hides the host's virtual Assign without
    // overriding it: called through a plain TPersistent, Assign is the host's, which raises
    // EConvertError for a source it cannot take.
    template <class T>
        requires std::convertible_to<T, TPersistent*>
    void Assign(T Source)
    {
        AssignFromColumn(Source);
    }
    // From the record into a column. A value outside AssignedValues is given to the column only
    // when it differs from what the column shows by default (it was changed, or the column's
    // grid has other defaults); otherwise the column goes on following its default. Does
    // nothing when Dest is not a TZelColumn.
    void AssignToColumn(TPersistent* Dest) const;
    // From another record into this one. Does nothing when Source is not a TZelColumnRec.
    void AssignFromRec(TPersistent* Source);

    // The pick list text standing for an empty pick list: one character of code 0.
    static std::string EmptyPickListText() { return std::string(1, '\0'); }
    // The nine values of a column and its title that are either assigned or follow a default.
    static constexpr TZelColumnValues AllColumnValues { cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly,
        cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont };

    std::string TitleCaption;
    const std::unique_ptr<TFont> Titlefont;
    TColor TitleColor = clTeal;
    TAlignment TitleAlignment = taLeftJustify;
    bool ColumnSumEnable = false;
    TColor Color = 0;
    int Width = 60;
    const std::unique_ptr<TFont> Font;
    // Lines each ended by CR LF; EmptyPickListText() empties a column's pick list; an empty
    // string carries no pick list at all.
    std::string PickListText = EmptyPickListText();
    int DropDownRows = 7;
    TZelColumnButtonStyle ButtonStyle = cbsAuto;
    TAlignment Alignment = taLeftJustify;
    bool Visible = true;
    bool ReadOnly = false;
    std::string Format;
    bool WordWrap = false;
    TZelColumnType aType = tctText;
    signed char Tag = 0;
    int Flags = -1;
    // Which of the nine values the record gives a column as its own: all of them for a new
    // record, the column's own set for a record read from a column.
    TZelColumnValues AssignedValues = AllColumnValues;

private:
    void AssignFromColumn(TPersistent* Source);
};
