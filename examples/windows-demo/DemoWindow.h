#pragma once
// The window system demo: a top-level window painting text, edges and glyphs, reporting the
// keys and clicks it receives, with a list that scrolls through its own scroll bar and a popup
// on the right button that closes when the user clicks elsewhere.
// The same window runs in a real X window and headless (rendered to PNG), so that the two can be
// compared pixel for pixel.
#include <functional>
#include <memory>
#include <string>

#include "host/windows/Headless.h"
#include "host/windows/Window.h"

class TCanvas;
class TDemoList;
class TDemoPopup;
class TImageList;

class TDemoWindow : public TMessageTarget {
public:
    static constexpr const char* Title = "Zel window demo";
    static constexpr int Left = 40, Top = 40, Width = 480, Height = 320;
    // Where the list lies in the window's client area.
    static constexpr TRect ListBounds{320, 110, 468, 300};

    TDemoWindow();
    ~TDemoWindow() override;

    // Creates and shows the window; the list inside it too.
    HWND Create();
    HWND List() const;

    // Every message the demo reacts to, described in one line ("WM_CHAR char=97").
    std::function<void(const std::string&)> OnLog;

    const std::string& Typed() const { return FTyped; }

protected:
    void WMPaint(TWMPaint& Message) override;
    void WMKeyDown(TWMKey& Message) override;
    void WMChar(TWMKey& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMRButtonDown(TWMMouse& Message) override;
    void WMSize(TWMSize& Message) override;
    void WMDestroy(TMessage& Message) override;

private:
    friend class TDemoList;
    friend class TDemoPopup;
    void Log(const std::string& Line);
    void Paint(TCanvas& C);

    std::unique_ptr<TDemoList> FList;
    std::unique_ptr<TDemoPopup> FPopup;
    std::unique_ptr<TImageList> FGlyphs;
    std::string FTyped;
    int FClicks = 0;
    TPoint FLastClick{-1, -1};
};

// Replays input on the demo through the headless back end. Steps are separated by '|':
// "type:TEXT", "click:X,Y" (client coordinates of the top-level window), "key:NAME" (a letter,
// digit, or RIGHT, LEFT, UP, DOWN, RETURN, TAB, F2), "size:W,H" (resizes the window),
// "rclick:X,Y" (a right click, which opens the popup).
// Raises Exception for a step it cannot read.
void RunDemoScript(THeadlessInput& Input, HWND Window, const std::string& Script);
