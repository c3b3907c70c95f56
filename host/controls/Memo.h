#pragma once
// TMemo: multi-line plain text. The text is its Lines, a string list that stays the one copy:
// typing edits the list, and changing the list (Assign, Add, Text) shows at once. A caret and an
// anchor mark the selection, made with the mouse or with Shift and the caret keys; Ctrl+A, C, X
// and V select all and go through the clipboard. The window's own scroll bars follow the text.
// Lines are never wrapped: long lines are reached with the horizontal scroll bar.
#include <algorithm>
#include <string>

#include "host/controls/WinControl.h"
#include "host/core/Strings.h"


// A place in the text: a line and a byte offset in it (always on a character boundary).
struct TMemoPos {
    int Line = 0;
    int Pos = 0;
    friend bool operator==(const TMemoPos&, const TMemoPos&) = default;
    friend auto operator<=>(const TMemoPos&, const TMemoPos&) = default;
};

class TMemo : public TCustomControl {
public:
    explicit TMemo(TComponent* AOwner);

    TStrings* Lines() { return &FLines; }
    void SetLines(TStrings* Value) { FLines.Assign(Value); }
    // The lines joined with line breaks.
    std::string Text() const { return FLines.GetText(); }
    void SetText(const std::string& Value) { FLines.SetText(Value); }

    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // Enter starts a new line and Escape stays in the memo (otherwise they go to the form, to its
    // default and Cancel buttons).
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    // Tab types a tab (otherwise it moves the focus).
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    // The user changed the text since the flag was last cleared.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    TMemoPos CaretPos() const { return FCaret; }
    // Moves the caret; with Extend the anchor stays and the selection grows or shrinks.
    void SetCaretPos(TMemoPos Value, bool Extend = false);
    bool HasSelection() const { return FCaret != FAnchor; }
    void Select(TMemoPos Anchor, TMemoPos Caret);
    void SelectAll();
    // The selected text, lines joined with "\n".
    std::string SelText() const;
    // Replaces the selection (or inserts at the caret) with Text, which may hold line breaks.
    void SetSelText(const std::string& Text);
    void CopyToClipboard() const;
    void CutToClipboard();
    void PasteFromClipboard();

    // The first line shown and the text's horizontal offset in pixels.
    int TopLine() const { return FTopLine; }
    void SetTopLine(int Value);
    int ScrollX() const { return FScrollX; }
    void SetScrollX(int Value);
    // Lines that fit the client area completely (at least one).
    int VisibleLines();
    // The text position nearest to a client point.
    TMemoPos PosFromPoint(TPoint P);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void BoundsChanged() override;
    void WMChar(TWMKey& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void WMHScroll(TWMScroll& Message) override;
    void WMMouseWheel(TWMMouseWheel& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    // Line's text; an empty memo has one empty line.
    std::string LineText(int Line) const;
    int LineCount() const { return std::max(1, FLines.Count()); }
    TMemoPos Clamp(TMemoPos P) const;
    TMemoPos SelStartPos() const { return FCaret < FAnchor ? FCaret : FAnchor; }
    TMemoPos SelEndPos() const { return FCaret < FAnchor ? FAnchor : FCaret; }
    int LineHeight();
    int TextWidth(const std::string& Text, int Bytes);
    // The lines changed (by the user or through Lines): keep the caret inside, follow it.
    void LinesChanged();
    // The user changed the text.
    void UserChanged();
    void UpdateScrollBars();
    void ScrollCaretIntoView();
    void ScrollBy(int Bar, int Code);
    bool CanModify() const { return !FReadOnly; }
    void TypeText(const std::string& Text);
    void DeleteBackward();
    void DeleteForward();

    TStringList FLines;
    TMemoPos FCaret;
    TMemoPos FAnchor;
    // The x the caret keeps while it moves up and down through shorter lines; -1 for none.
    int FCaretX = -1;
    int FTopLine = 0;
    int FScrollX = 0;
    TScrollStyle FScrollBars = ssNone;
    bool FReadOnly = false;
    bool FWantReturns = true;
    bool FWantTabs = false;
    bool FModified = false;
    bool FSelecting = false;
};
