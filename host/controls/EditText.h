#pragma once
// What the one-line in-place editors share: caret arithmetic over UTF-8 text (character steps that
// never land inside a multi-byte character, word steps and word bounds, the encoding of typed
// code points), and placing an editor window over its owner's cell.
#include <string>

#include "host/core/Types.h"

class TWinControl;

// Byte offset of the next (prior) character boundary; clamped to the text.
int NextCharPos(const std::string& Text, int Pos);
int PriorCharPos(const std::string& Text, int Pos);
// Ctrl+Right: past the rest of the current word and the blanks after it.
int NextWordPos(const std::string& Text, int Pos);
// Ctrl+Left: back over blanks, then to the start of the word before.
int PriorWordPos(const std::string& Text, int Pos);
// The word (or the run of blanks, or the one punctuation mark) around Pos, as [Start, End).
void WordBoundsAt(const std::string& Text, int Pos, int& Start, int& End);
std::string EncodeUtf8(unsigned Code);

// Whether the editor's window exists and is visible.
bool InplaceShown(const TWinControl* Editor);
// Places the editor at Loc (its parent's client coordinates) on top and shows it without
// activating; it takes the focus when Owner has it. An empty Loc hides it.
void ShowInplace(TWinControl* Editor, TWinControl* Owner, const TRect& Loc);
// Hides the editor's window; the focus it had goes back to Owner.
void HideInplace(TWinControl* Editor, TWinControl* Owner);
// Tells the editor's parent that the text changed (WM_COMMAND with EN_CHANGE).
void NotifyInplaceChange(TWinControl* Editor);
