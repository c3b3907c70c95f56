#pragma once
// Caret arithmetic over the UTF-8 text of the one-line editors: character steps that never land
// inside a multi-byte character, word steps and word bounds, and the encoding of typed code points.
#include <string>

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
