#pragma once
// TZelColumn: one column of one layout. Five of its values (colour, width, font, alignment,
// read-only) are either assigned or follow a default from the grid; FAssignedValues records
// which of them, and of the four title values, are assigned.
#include <memory>
#include <string>

#include "host/core/Collection.h"
#include "host/core/Currency.h"
#include "host/core/Strings.h"
#include "host/core/Types.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "zelgrid/ColumnTitle.h"
#include "zelgrid/ColumnTypes.h"

class TCustomZelGrid;
class TZelGridColumns;

namespace ZelColumnDetail {
// Opens the grid's layout bracket before the host's item constructor inserts the column (and
// reports that insertion), and closes it when the column's constructor ends or fails. It is
// the first base of TZelColumn so that it runs before TCollectionItem.
class TConstructionLayoutBracket {
protected:
    explicit TConstructionLayoutBracket(TCollection* Collection);
    ~TConstructionLayoutBracket();
    void CloseLayoutBracket();
    TConstructionLayoutBracket(const TConstructionLayoutBracket&) = delete;
    TConstructionLayoutBracket& operator=(const TConstructionLayoutBracket&) = delete;

private:
    TCustomZelGrid* FBracketGrid = nullptr;
};
} // namespace ZelColumnDetail

class TZelColumn : private ZelColumnDetail::TConstructionLayoutBracket, public TCollectionItem {
public:
    explicit TZelColumn(TCollection* Collection);
    ~TZelColumn() override;

    // Makes the column's effective colour, width, font, alignment and read-only flag its own
    // assigned values and copies the rest of the settings; aType, Tag, Flags, Visible and
    // FOrdPosition stay as they were.
    void Assign(TPersistent* Source) override;
    // Copies every field of Source and its assigned-value bookkeeping as they are, title and
    // pick list included, so this column shows and stores exactly what Source does.
    void AssignExactly(const TZelColumn* Source);

    // The grid of the owning column collection, or nullptr.
    TCustomZelGrid* GetGrid() const;

    TAlignment DefaultAlignment() const { return taLeftJustify; }
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    bool DefaultReadOnly() const { return false; }
    int DefaultWidth() const;

    TAlignment GetAlignment() const;
    TColor GetColor() const;
    // The column font; an unassigned one is silently refreshed from the default first.
    TFont* GetFont() const;
    // The pick list, created empty on first use.
    TStrings* GetPickList();
    bool GetReadOnly() const;
    int GetWidth() const;

    virtual void SetAlignment(TAlignment Value);
    virtual void SetReadOnly(bool Value);
    virtual void SetWidth(int Value);
    void SetButtonStyle(TZelColumnButtonStyle Value);
    void SetColor(TColor Value);
    void SetFont(TFont* Value);
    // nullptr frees the pick list; otherwise its lines and objects are copied.
    void SetPickList(TStrings* Value);
    void SetTitle(TZelColumnTitle* Value);
    void SetFlags(int Value) { FFlags = Value; }
    void SetFormat(const std::string& Value) { FFormat = Value; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    // Hides (width -1, the last width remembered) or shows the column.
    void SetVisible(bool Value);

    bool IsAlignmentStored() const;
    bool IsColorStored() const;
    bool IsFontStored() const;
    bool IsReadOnlyStored() const;
    bool IsWidthStored() const;
    bool IsFormatStored() const { return !FFormat.empty(); }
    bool IsWordWrapStored() const { return FWordWrap; }
    bool IsVisibleStored() const { return !FVisible; }

    // Copies the default font into an unassigned column font without reporting a change.
    void RefreshDefaultFont();
    // Unassigns all nine values, frees the pick list and resets the button style.
    virtual void RestoreDefaults();
    // Makes the title; called on the title's first use, once the column is complete, so that a
    // subclass's override is the one that runs.
    virtual TZelColumnTitle* CreateTitle();
    // The change handler of the column font.
    void FontChanged(TObject* Sender);
    // The application's summary of this column; 0 unless ColumnSumEnable and a grid.
    Currency GetSummary();

    // The title, made by CreateTitle on first use.
    TZelColumnTitle* Title() const;
    int Flags() const { return FFlags; }
    TZelColumnButtonStyle ButtonStyle() const { return FButtonStyle; }
    const std::string& Format() const { return FFormat; }
    bool WordWrap() const { return FWordWrap; }
    bool Visible() const { return FVisible; }
    int OrdPosition() const { return FOrdPosition; }
    TZelColumnValues AssignedValues() const { return FAssignedValues; }
    // Whether a pick list exists (GetPickList creates one).
    bool HasPickList() const { return FPickList != nullptr; }

    // Published values that are plain fields.
    TZelColumnType aType = tctLogic;
    signed char Tag = 0;
    bool ColumnSumEnable = false;
    int DropDownRows = 7;

private:
    friend class TZelColumnTitle;
    friend class TZelGridColumns;
    void MarkAssigned(TZelColumnValue Value) { FAssignedValues.Include(Value); }

    // The collection when it is a column collection, kept by it (GetGrid is asked on every
    // read of a defaulted value).
    TZelGridColumns* FColumns = nullptr;
    int FOrdPosition = -1;
    int FFlags = -1;
    TColor FColor = 0;
    int FWidth = 0;
    int FSavedWidth = 0;
    mutable std::unique_ptr<TZelColumnTitle> FTitle;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TStringList> FPickList;
    TZelColumnButtonStyle FButtonStyle = cbsAuto;
    TAlignment FAlignment = taLeftJustify;
    bool FVisible = true;
    bool FReadOnly = false;
    TZelColumnValues FAssignedValues;
    std::string FFormat;
    bool FWordWrap = false;
};

namespace ZelColumnDetail {
// The layout bracket of a subclass's construction: it encloses the column's own, so that the
// pass sees the column only once it is complete (a pass inside a base constructor would see a
// plain TZelColumn).
class TSubclassConstructionBracket : private TConstructionLayoutBracket {
protected:
    explicit TSubclassConstructionBracket(TCollection* Collection) : TConstructionLayoutBracket(Collection) {}
    void CloseSubclassBracket() { CloseLayoutBracket(); }
};
} // namespace ZelColumnDetail

// A marker column: a column collection whose first column is one reports csDefault. It
// behaves exactly as TZelColumn and makes a TPassthroughColumnTitle.
class TPassthroughColumn : private ZelColumnDetail::TSubclassConstructionBracket, public TZelColumn {
public:
    explicit TPassthroughColumn(TCollection* Collection);
    void SetIndex(int Value) override;
    void SetAlignment(TAlignment Value) override;
    void SetReadOnly(bool Value) override;
    void SetWidth(int Value) override;
    TZelColumnTitle* CreateTitle() override;
};
