#pragma once
#include <gtest/gtest.h>
// A window that records the messages it receives and lets a test answer chosen ones.
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <vector>

#include "host/windows/Headless.h"
#include "host/windows/Input.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Paint.h"
#include "host/windows/Window.h"

struct TLogEntry {
    HWND Wnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

using TMessageLog = std::vector<TLogEntry>;

class TTestWindow : public TMessageTarget {
public:
    explicit TTestWindow(TMessageLog& Log) : FLog(Log) {}

    // Answers a message itself when it returns true; otherwise the message goes on to Dispatch.
    std::function<bool(TMessage&)> OnMessage;
    // Paints WM_PAINT through BeginPaint: the canvas is in client coordinates, the rectangle is
    // the area asked for.
    std::function<void(TCanvas&, const TRect&)> OnPaint;

    HWND Create(HWND Parent, TRect Bounds, DWORD Style = WS_CHILD | WS_VISIBLE, DWORD ExStyle = 0)
    {
        TCreateParams p;
        p.Parent = Parent;
        p.Bounds = Bounds;
        p.Style = Style;
        p.ExStyle = ExStyle;
        p.Target = this;
        return CreateWindowEx(p);
    }

    void WndProc(TMessage& M) override
    {
        FLog.push_back({WindowHandle(), M.Msg, M.WParam, M.LParam});
        if (OnMessage && OnMessage(M)) return;
        if (M.Msg == WM_PAINT && OnPaint) {
            TPaintGuard paint(WindowHandle());
            OnPaint(paint.DC()->Canvas(), paint.Paint().rcPaint);
            return;
        }
        TMessageTarget::WndProc(M);
    }

private:
    TMessageLog& FLog;
};

inline void Fill(TCanvas& C, const TRect& R, TColor Color)
{
    C.Brush()->SetStyle(bsSolid);
    C.Brush()->SetColor(Color);
    C.FillRect(R);
}

// The entries of the log whose message is one of Msgs, in order.
inline TMessageLog Only(const TMessageLog& Log, std::initializer_list<UINT> Msgs)
{
    TMessageLog out;
    for (const TLogEntry& e : Log)
        if (std::find(Msgs.begin(), Msgs.end(), e.Msg) != Msgs.end()) out.push_back(e);
    return out;
}

inline std::vector<UINT> MessagesOf(const TMessageLog& Log)
{
    std::vector<UINT> out;
    for (const TLogEntry& e : Log) out.push_back(e.Msg);
    return out;
}

// A top-level window at (100, 100) of the given size, shown.
inline HWND CreateTopLevel(TTestWindow& W, int Width = 200, int Height = 150)
{
    return W.Create(nullptr, {100, 100, 100 + Width, 100 + Height}, WS_OVERLAPPED | WS_VISIBLE);
}

// A headless window system with a logging top-level window; each test adds its own children.
class TWindowTest : public ::testing::Test {
protected:
    THeadlessSession Session;
    TMessageLog Log;
    TTestWindow Top{Log};
    HWND TopWnd = nullptr;

    // Handles what creating the windows caused, then starts the log afresh.
    void Settle()
    {
        ProcessMessages();
        Log.clear();
    }
};
