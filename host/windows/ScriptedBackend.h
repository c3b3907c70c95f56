#pragma once
// A back end that shows everything through another one (a real display) and takes its input
// from a script first: benchmarks and end-to-end checks press keys in a real window without a
// person or a second program.
#include <deque>
#include <memory>
#include <utility>

#include "host/windows/Backend.h"
#include "host/windows/MessageQueue.h"
#include "host/windows/Messages.h"

class TScriptedBackend : public TWindowBackend {
public:
    explicit TScriptedBackend(std::unique_ptr<TWindowBackend> Display) : FDisplay(std::move(Display)) {}

    TWindowBackend& Target() { return *FDisplay; }
    // Queues a key press and release (with Ctrl held when Ctrl is set) for the focused window.
    void PressKey(int Key, bool Ctrl = false)
    {
        if (Ctrl) Queue(ieKeyDown, VK_CONTROL);
        Queue(ieKeyDown, Key);
        Queue(ieKeyUp, Key);
        if (Ctrl) Queue(ieKeyUp, VK_CONTROL);
    }

    // Runs the script and the messages it causes until the display has shown the result: a
    // display without a window manager maps and exposes a new window as soon as it reads the
    // request, so the events come back by the second round trip.
    void Settle()
    {
        for (int round = 0; round < 3; ++round) {
            ProcessMessages();
            Sync();
        }
    }

    const char* Name() const override { return FDisplay->Name(); }
    TSurfaceId CreateSurface(const TSurfaceParams& Params) override { return FDisplay->CreateSurface(Params); }
    void DestroySurface(TSurfaceId Surface) override { FDisplay->DestroySurface(Surface); }
    void ShowSurface(TSurfaceId Surface, bool Visible) override { FDisplay->ShowSurface(Surface, Visible); }
    void SetSurfaceBounds(TSurfaceId Surface, const TRect& Bounds) override { FDisplay->SetSurfaceBounds(Surface, Bounds); }
    void SetSurfaceTitle(TSurfaceId Surface, const std::string& Title) override { FDisplay->SetSurfaceTitle(Surface, Title); }
    void SetSurfaceOwner(TSurfaceId Surface, TSurfaceId Owner) override { FDisplay->SetSurfaceOwner(Surface, Owner); }
    void RaiseSurface(TSurfaceId Surface) override { FDisplay->RaiseSurface(Surface); }
    void FocusSurface(TSurfaceId Surface) override { FDisplay->FocusSurface(Surface); }
    void Present(TSurfaceId Surface, const TBitmap& Buffer, const TRect& Area) override
    {
        FDisplay->Present(Surface, Buffer, Area);
    }
    bool MoveSurfaceRect(TSurfaceId Surface, const TRect& Dest, TPoint From) override
    {
        return FDisplay->MoveSurfaceRect(Surface, Dest, From);
    }
    void Flush() override { FDisplay->Flush(); }
    void Sync() override { FDisplay->Sync(); }
    bool PollInput(TInputEvent& Event) override
    {
        if (FScript.empty()) return FDisplay->PollInput(Event);
        Event = FScript.front();
        FScript.pop_front();
        return true;
    }
    bool WaitForInput(int TimeoutMs) override { return !FScript.empty() || FDisplay->WaitForInput(TimeoutMs); }
    std::uint32_t TickCount() override { return FDisplay->TickCount(); }
    void SetClipboardText(const std::string& Text) override { FDisplay->SetClipboardText(Text); }
    std::string ClipboardText() override { return FDisplay->ClipboardText(); }
    TSize ScreenSize() override { return FDisplay->ScreenSize(); }

private:
    void Queue(TInputKind Kind, int Key)
    {
        TInputEvent e;
        e.Kind = Kind;
        e.Key = Key;
        FScript.push_back(e);
    }

    std::unique_ptr<TWindowBackend> FDisplay;
    std::deque<TInputEvent> FScript;
};
