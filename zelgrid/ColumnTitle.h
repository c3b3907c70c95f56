#pragma once
// TZelColumnTitle: the title cell of one column (caption, colour, font, alignment). Each value is
// either assigned or follows a default from the grid or the column; which ones are assigned is
// kept in the owning column's assigned-value set, so one set covers the column and its title.
#include <memory>
#include <string>

#include "host/core/Persistent.h"
#include "host/core/Types.h"
#include "host/graphics/Color.h"
#include "host/graphics/Font.h"
#include "zelgrid/ColumnTypes.h"

class TZelColumn;

class TZelColumnTitle : public TPersistent {
public:
    // Column owns the title; the title's font starts as a copy of the default font.
    explicit TZelColumnTitle(TZelColumn* Column);
    ~TZelColumnTitle() override;
    TZelColumnTitle(const TZelColumnTitle&) = delete;
    TZelColumnTitle& operator=(const TZelColumnTitle&) = delete;

    // Copies the values assigned in Source's column; the rest of this title is left alone.
    void Assign(TPersistent* Source) override;

    TZelColumn* Column() const { return FColumn; }

    TAlignment DefaultAlignment() const;
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    std::string DefaultCaption() const;

    TAlignment GetAlignment() const;
    TColor GetColor() const;
    std::string GetCaption() const;
    // The title font; an unassigned one is silently refreshed from the default first.
    TFont* GetFont() const;

    void SetAlignment(TAlignment Value);
    void SetColor(TColor Value);
    virtual void SetCaption(const std::string& Value);
    void SetFont(TFont* Value);

    bool IsAlignmentStored() const;
    bool IsColorStored() const;
    bool IsCaptionStored() const;
    bool IsFontStored() const;

    // Copies the default font into an unassigned title font without reporting a change.
    void RefreshDefaultFont();
    // Returns all four values to their defaults.
    virtual void RestoreDefaults();
    // The change handler of the title font: marks it assigned, updates the whole collection.
    void FontChanged(TObject* Sender);

private:
    friend class TZelColumn;
    bool IsAssigned(TZelColumnValue Value) const;
    void MarkAssigned(TZelColumnValue Value);

    TZelColumn* FColumn;
    std::string FCaption;
    std::unique_ptr<TFont> FFont;
    TColor FColor = 0;
    TAlignment FAlignment = taLeftJustify;
};

// The title class of TPassthroughColumn; behaves exactly as its parent.
class TPassthroughColumnTitle : public TZelColumnTitle {
public:
    using TZelColumnTitle::TZelColumnTitle;
    void SetCaption(const std::string& Value) override;
};
