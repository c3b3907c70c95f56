#pragma once
// A shown grid whose application answers every cell with its coordinates, and questions about
// the pixels of the grid's window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/graphics/Bitmap.h"
#include "host/windows/Input.h"
#include "host/windows/ScrollBar.h"
#include "tests/zelgrid/ZelGridTestSupport.h"

class GridDrawingTest : public ZelGridTest {
protected:
    // Every OnGetDataCell question, in order.
    std::vector<std::pair<int, int>> Asked;

    GridDrawingTest()
    {
        Grid->OnGetDataCell = [this](int ACol, int ARow, std::string& AValue) {
            Asked.emplace_back(ACol, ARow);
            AValue = "R" + std::to_string(ARow) + "C" + std::to_string(ACol);
        };
    }

    // Paints the whole grid again and captures its window, border included.
    std::unique_ptr<TBitmap> Shot()
    {
        Grid->Invalidate();
        RedrawWindow(Grid->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        Settle();
        return CaptureWindow(Grid->Handle());
    }
    // Where the client area starts in the captured window.
    TPoint ClientOrigin()
    {
        TRect r;
        GetClientRectInWindow(Grid->Handle(), r);
        return {r.Left, r.Top};
    }
    TPixel At(const TBitmap& Shot, int X, int Y)
    {
        const TPoint o = ClientOrigin();
        return Shot.Pixel(X + o.X, Y + o.Y);
    }
    // A client rectangle in the captured window's coordinates.
    TRect InShot(const TRect& R)
    {
        const TPoint o = ClientOrigin();
        return R.Offset(o.X, o.Y);
    }
    void Unfocus()
    {
        Form->SetActiveControl(nullptr);
        SetFocus(Form->Handle());
        Settle();
    }
};
