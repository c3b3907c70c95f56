#pragma once
// What the user sees of a form: the form with the windows shown over it (a dropped list, a
// dialog) laid where the screen shows them, for golden snapshots.
#include <initializer_list>
#include <memory>

#include "host/graphics/Bitmap.h"
#include "host/windows/Paint.h"
#include "host/windows/Window.h"

// Area is in the form window's coordinates; an empty Area takes the form and every shown window
// whole. Hidden or destroyed windows in Over are skipped; uncovered parts stay the desktop's grey.
inline std::unique_ptr<TBitmap> WindowPicture(HWND Form, std::initializer_list<HWND> Over, TRect Area = {})
{
    TRect formRect;
    GetWindowRect(Form, formRect);
    if (Area.IsEmpty()) {
        TRect all = formRect;
        for (HWND wnd : Over) {
            TRect r;
            if (wnd && IsWindowVisible(wnd) && GetWindowRect(wnd, r)) all = UnionRect(all, r);
        }
        Area = {all.Left - formRect.Left, all.Top - formRect.Top, all.Right - formRect.Left, all.Bottom - formRect.Top};
    }
    auto picture = std::make_unique<TBitmap>(Area.Width(), Area.Height());
    picture->Canvas()->Brush()->SetColor(RGB(0x80, 0x80, 0x80));
    picture->Canvas()->FillRect({0, 0, Area.Width(), Area.Height()});
    picture->Canvas()->Draw(-Area.Left, -Area.Top, *CaptureWindow(Form));
    for (HWND wnd : Over) {
        TRect r;
        if (!wnd || !IsWindowVisible(wnd) || !GetWindowRect(wnd, r)) continue;
        picture->Canvas()->Draw(r.Left - formRect.Left - Area.Left, r.Top - formRect.Top - Area.Top, *CaptureWindow(wnd));
    }
    return picture;
}
