#pragma once
// The widths of the prefixes of a one-line text, for an editor that must place its caret, scroll
// and draw in a text of any length: checkpoints every kilobyte or so keep the width of the text
// before them, so the width up to any offset costs one short measure, and an edit moves the
// checkpoints after it instead of measuring the text again.
//
// A checkpoint stands only on a byte that starts a character whatever precedes it (any byte
// outside 0x80..0xBF), so the width before it plus the width from it adds up exactly to what
// measuring the whole prefix gives, and an edit elsewhere never moves a character boundary there.
#include "host/graphics/Font.h"

#include <string>
#include <vector>

class TCanvas;

class TPrefixWidths {
public:
    // Canvas.TextWidth(Text.substr(0, Pos)), in the canvas's current font.
    int WidthTo(TCanvas& Canvas, const std::string& Text, int Pos);
    // The last checkpoint at or after From whose prefix width is at most X, or From itself when
    // there is none: where to start measuring or drawing for what lies right of X.
    int StartBefore(TCanvas& Canvas, const std::string& Text, int From, int X);
    // Text's bytes [Start, Start + Removed) were just replaced by Inserted bytes: the checkpoints
    // after them move and take the change of width, which costs measuring the bytes from the
    // last checkpoint before the edit to the first one after it.
    void Replaced(TCanvas& Canvas, const std::string& Text, int Start, int Removed, int Inserted);
    // The text was replaced as a whole.
    void Clear() { FPoints.clear(); }
    // Spacing of the checkpoints in bytes.
    static constexpr int Step = 1024;

private:
    struct TPoint {
        int Pos;
        int Width;
    };
    // Checkpoints (the first at 0) until one lies within Step bytes before Pos; in Canvas's font.
    void Cover(TCanvas& Canvas, const std::string& Text, int Pos);
    // Adds checkpoints after the last one while Pos lies more than Step bytes after it.
    void Extend(TCanvas& Canvas, const std::string& Text, int Pos);
    // The last checkpoint at or before Pos.
    const TPoint& PointBefore(int Pos) const;

    std::vector<TPoint> FPoints;
    HFONT FFont = 0;
};
