#include "examples/windows-demo/DemoWindow.h"

#include <algorithm>
#include <sstream>

#include "host/core/Exceptions.h"
#include "host/graphics/Bitmap.h"
#include "host/graphics/ImageList.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/ScrollBar.h"

namespace {
constexpr int LineCount = 40;
constexpr int LineHeight = 16;

void Fill(TCanvas& C, const TRect& R, TColor Color)
{
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color);
    C.FillRect(R);
}
}

// The list: numbered lines in a sunken frame with the window's own vertical scroll bar. A line
// scroll moves the pixels and paints only the uncovered line.
class TDemoList : public TMessageTarget {
public:
    explicit TDemoList(TDemoWindow& Owner) : FOwner(Owner) {}

    HWND Create(HWND Parent)
    {
        TCreateParams p;
        p.Parent = Parent;
        p.Bounds = TDemoWindow::ListBounds;
        p.Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL;
        p.ExStyle = WS_EX_CLIENTEDGE;
        p.Background = clWindow;
        p.Target = this;
        HWND h = CreateWindowEx(p);
        TRect c;
        GetClientRect(h, c);
        TScrollInfo info;
        info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.Min = 0;
        info.Max = LineCount - 1;
        info.Page = static_cast<UINT>(c.Height() / LineHeight);
        info.Pos = 0;
        SetScrollInfo(h, SB_VERT, info, true);
        return h;
    }

protected:
    void WMPaint(TWMPaint& Message) override
    {
        (void)Message;
        TPaintGuard paint(WindowHandle());
        TCanvas& c = paint.DC()->Canvas();
        TRect client;
        GetClientRect(WindowHandle(), client);
        c.Font()->SetName("MS Sans Serif");
        c.Font()->SetSize(8);
        const int first = paint.Paint().rcPaint.Top / LineHeight;
        const int last = (paint.Paint().rcPaint.Bottom + LineHeight - 1) / LineHeight;
        for (int i = first; i < last; ++i) {
            const int line = i + FTopLine;
            TRect r{0, i * LineHeight, client.Right, (i + 1) * LineHeight};
            Fill(c, r, line % 2 ? RGB(0xE8, 0xF0, 0xFF) : clWindow);
            if (line >= LineCount) continue;
            c.Brush()->SetStyle(bsClear);
            c.Font()->SetColor(clWindowText);
            TRect t = r.Inflate(-4, 0);
            c.DrawText("Line " + std::to_string(line + 1), t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        }
    }

    void WMVScroll(TWMScroll& Message) override
    {
        FOwner.Log("WM_VSCROLL code=" + std::to_string(Message.ScrollCode()) + " pos=" + std::to_string(Message.Pos()));
        TScrollInfo info;
        info.Mask = SIF_ALL;
        GetScrollInfo(WindowHandle(), SB_VERT, info);
        int top = FTopLine;
        switch (Message.ScrollCode()) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= static_cast<int>(info.Page); break;
        case SB_PAGEDOWN: top += static_cast<int>(info.Page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = info.TrackPos; break;
        case SB_TOP: top = info.Min; break;
        case SB_BOTTOM: top = info.Max; break;
        default: return;
        }
        top = std::clamp(top, 0, LineCount - static_cast<int>(info.Page));
        if (top == FTopLine) return;
        const int delta = top - FTopLine;
        FTopLine = top;
        SetScrollPos(WindowHandle(), SB_VERT, FTopLine, true);
        ScrollWindowEx(WindowHandle(), 0, -delta * LineHeight, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        UpdateWindow(WindowHandle());
    }

private:
    TDemoWindow& FOwner;
    int FTopLine = 0;
};

// A popup of two lines opened by the right button; the window system closes it (WM_CANCELMODE,
// then hidden) when the user presses a button anywhere else.
class TDemoPopup : public TMessageTarget {
public:
    static constexpr const char* Title = "Zel demo popup";
    explicit TDemoPopup(TDemoWindow& Owner) : FOwner(Owner) {}

    void Popup(HWND Owner, TPoint ScreenPoint)
    {
        if (!WindowHandle()) {
            TCreateParams p;
            p.Caption = Title;
            p.Parent = Owner;
            p.Bounds = {0, 0, 120, 44};
            p.Style = WS_POPUP | WS_BORDER;
            p.ExStyle = WS_EX_AUTOCLOSE;
            p.Background = clWindow;
            p.Target = this;
            CreateWindowEx(p);
        }
        SetWindowPos(WindowHandle(), HWND_TOP, ScreenPoint.X, ScreenPoint.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(WindowHandle(), SW_SHOWNA);
        FOwner.Log("POPUP shown");
    }

protected:
    void WMPaint(TWMPaint& Message) override
    {
        (void)Message;
        TPaintGuard paint(WindowHandle());
        TCanvas& c = paint.DC()->Canvas();
        c.Brush()->SetStyle(bsClear);
        c.Font()->SetName("MS Sans Serif");
        c.Font()->SetSize(8);
        c.TextOut(8, 3, "A popup window");
        c.TextOut(8, 21, "Click elsewhere");
    }

    void WMLButtonDown(TWMMouse& Message) override
    {
        FOwner.Log("POPUP click x=" + std::to_string(Message.XPos()) + " y=" + std::to_string(Message.YPos()));
        ShowWindow(WindowHandle(), SW_HIDE);
    }

    void WMCancelMode(TMessage& Message) override
    {
        FOwner.Log("WM_CANCELMODE popup");
        DefaultHandler(Message);
    }

private:
    TDemoWindow& FOwner;
};

TDemoWindow::TDemoWindow()
    : FList(std::make_unique<TDemoList>(*this)), FPopup(std::make_unique<TDemoPopup>(*this)), FGlyphs(std::make_unique<TImageList>(6, 11))
{
    FGlyphs->SetBkColor(clBtnFace);
    for (const char* name : {"ZGARROW", "ZGEDIT", "ZGINSERT"}) {
        TBitmap b;
        b.LoadFromResourceName(name);
        FGlyphs->AddMasked(b, clWhite);
    }
}

TDemoWindow::~TDemoWindow() = default;

HWND TDemoWindow::Create()
{
    TCreateParams p;
    p.Caption = Title;
    p.Bounds = {Left, Top, Left + Width, Top + Height};
    p.Style = WS_OVERLAPPEDWINDOW;
    p.Target = this;
    HWND h = CreateWindowEx(p);
    FList->Create(h);
    ShowWindow(h, SW_SHOW);
    return h;
}

HWND TDemoWindow::List() const
{
    return FList->WindowHandle();
}

void TDemoWindow::Log(const std::string& Line)
{
    if (OnLog) OnLog(Line);
}

void TDemoWindow::WMPaint(TWMPaint& Message)
{
    (void)Message;
    TPaintGuard paint(WindowHandle());
    Paint(paint.DC()->Canvas());
    Log("WM_PAINT");
}

void TDemoWindow::Paint(TCanvas& C)
{
    TRect client;
    GetClientRect(WindowHandle(), client);
    Fill(C, client, clBtnFace);
    C.Brush()->SetStyle(bsClear);

    // Title.
    C.Font()->SetName("MS Sans Serif");
    C.Font()->SetSize(12);
    C.Font()->SetStyle({fsBold});
    C.Font()->SetColor(clNavy);
    C.TextOut(12, 8, "Zel window system");
    C.Font()->SetSize(8);
    C.Font()->SetStyle({});
    C.Font()->SetColor(clWindowText);

    // Edges.
    struct TSample {
        unsigned Edge;
        const char* Name;
    };
    const TSample samples[] = {{EDGE_RAISED, "Raised"}, {EDGE_SUNKEN, "Sunken"}, {EDGE_ETCHED, "Etched"}, {EDGE_BUMP, "Bump"}};
    int x = 12;
    for (const TSample& s : samples) {
        TRect r{x, 44, x + 60, 84};
        C.DrawEdge(r, s.Edge, BF_RECT);
        TRect label{x, 88, x + 60, 104};
        C.DrawText(s.Name, label, DT_CENTER | DT_SINGLELINE);
        x += 70;
    }

    // Glyphs: the grid's indicator images as they are and three times larger.
    for (int i = 0; i < FGlyphs->Count(); ++i) FGlyphs->Draw(C, 300 + i * 12, 48, i);
    TBitmap small(36, 11);
    Fill(*small.Canvas(), {0, 0, 36, 11}, clBtnFace);
    for (int i = 0; i < FGlyphs->Count(); ++i) FGlyphs->Draw(*small.Canvas(), i * 12, 0, i);
    C.CopyRect({300, 64, 300 + 108, 64 + 33}, *small.Canvas(), {0, 0, 36, 11});
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(clBtnShadow);
    C.FrameRect({296, 44, 412, 101});
    C.Brush()->SetStyle(bsClear);

    // Text.
    TRect panel{12, 110, 300, 190};
    C.DrawEdge(panel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    Fill(C, panel, clWindow);
    C.Brush()->SetStyle(bsClear);
    TRect para = panel.Inflate(-4, -2);
    C.DrawText("Text is drawn through FreeType with faces found by fontconfig; long lines break "
               "between words\tand tabs expand.",
               para, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS);
    TRect right{panel.Left + 4, panel.Bottom - 18, panel.Right - 4, panel.Bottom - 2};
    C.DrawText("right aligned", right, DT_RIGHT | DT_SINGLELINE);
    C.DrawText("centred", right, DT_CENTER | DT_SINGLELINE);

    // What arrived.
    TRect events{12, 200, 300, 300};
    C.DrawEdge(events, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    Fill(C, events, clWindow);
    C.Brush()->SetStyle(bsClear);
    std::string typed = FTyped.size() > 32 ? "..." + FTyped.substr(FTyped.size() - 32) : FTyped;
    C.TextOut(events.Left + 4, events.Top + 4, "Typed: " + typed);
    std::ostringstream clicks;
    clicks << "Clicks: " << FClicks;
    if (FClicks) clicks << ", last at " << FLastClick.X << "," << FLastClick.Y;
    C.TextOut(events.Left + 4, events.Top + 22, clicks.str());
    C.TextOut(events.Left + 4, events.Top + 40, "Esc closes the window.");

    if (FClicks) {
        C.Pen()->SetColor(clRed);
        C.MoveTo(FLastClick.X - 4, FLastClick.Y);
        C.LineTo(FLastClick.X + 5, FLastClick.Y);
        C.MoveTo(FLastClick.X, FLastClick.Y - 4);
        C.LineTo(FLastClick.X, FLastClick.Y + 5);
    }
}

void TDemoWindow::WMKeyDown(TWMKey& Message)
{
    Log("WM_KEYDOWN key=" + std::to_string(Message.CharCode()));
    if (Message.CharCode() == VK_ESCAPE) DestroyWindow(WindowHandle());
}

void TDemoWindow::WMChar(TWMKey& Message)
{
    const WORD ch = Message.CharCode();
    Log("WM_CHAR char=" + std::to_string(ch));
    if (ch == VK_BACK) {
        if (!FTyped.empty()) FTyped.pop_back();
    } else if (ch >= 32 && ch < 127) {
        FTyped += static_cast<char>(ch);
    } else {
        return;
    }
    const TRect events{12, 200, 300, 300};
    InvalidateRect(WindowHandle(), &events, false);
}

void TDemoWindow::WMLButtonDown(TWMMouse& Message)
{
    Log("WM_LBUTTONDOWN x=" + std::to_string(Message.XPos()) + " y=" + std::to_string(Message.YPos()));
    ++FClicks;
    FLastClick = Message.Pos();
    InvalidateRect(WindowHandle(), nullptr, false);
}

void TDemoWindow::WMRButtonDown(TWMMouse& Message)
{
    Log("WM_RBUTTONDOWN x=" + std::to_string(Message.XPos()) + " y=" + std::to_string(Message.YPos()));
    TPoint p = Message.Pos();
    ClientToScreen(WindowHandle(), p);
    FPopup->Popup(WindowHandle(), p);
}

void TDemoWindow::WMSize(TWMSize& Message)
{
    Log("WM_SIZE w=" + std::to_string(Message.Width()) + " h=" + std::to_string(Message.Height()));
    DefaultHandler(Message.Message);
}

void TDemoWindow::WMDestroy(TMessage& Message)
{
    Log("WM_DESTROY");
    PostQuitMessage(0);
    DefaultHandler(Message);
}

void RunDemoScript(THeadlessInput& Input, HWND Window, const std::string& Script)
{
    std::istringstream steps(Script);
    std::string step;
    while (std::getline(steps, step, '|')) {
        if (step.empty()) continue;
        const auto colon = step.find(':');
        const std::string kind = step.substr(0, colon);
        const std::string arg = colon == std::string::npos ? "" : step.substr(colon + 1);
        if (kind == "type") {
            Input.TypeText(arg);
        } else if (kind == "click" || kind == "rclick" || kind == "size") {
            int x = 0, y = 0;
            char comma = 0;
            std::istringstream p(arg);
            if (!(p >> x >> comma >> y) || comma != ',') throw Exception("Bad " + kind + " step: \"" + step + "\"");
            if (kind == "click" || kind == "rclick") {
                Input.Click(Window, {x, y}, kind == "click" ? mbLeft : mbRight);
            } else {
                TRect r;
                GetWindowRect(Window, r);
                MoveWindow(Window, r.Left, r.Top, x, y);
                ProcessMessages();
            }
        } else if (kind == "key") {
            static const std::pair<const char*, WORD> Names[] = {
                {"RIGHT", VK_RIGHT}, {"LEFT", VK_LEFT}, {"UP", VK_UP},     {"DOWN", VK_DOWN},
                {"RETURN", VK_RETURN}, {"TAB", VK_TAB}, {"F2", VK_F2}, {"ESCAPE", VK_ESCAPE}};
            WORD key = 0;
            for (const auto& [name, vk] : Names)
                if (arg == name) key = vk;
            bool shift = false;
            if (!key && arg.size() == 1 && !THeadlessInput::KeyForChar(arg[0], key, shift)) key = 0;
            if (!key) throw Exception("Bad key step: \"" + step + "\"");
            Input.PressKey(key, shift ? TShiftState{ssShift} : TShiftState{});
        } else {
            throw Exception("Bad script step: \"" + step + "\"");
        }
    }
}
