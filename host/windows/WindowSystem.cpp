#include "host/windows/WindowSystem.h"

#include <cassert>
#include <cstdlib>

#include "host/graphics/FontEngine.h"
#include "host/windows/Headless.h"
#include "host/windows/WindowManager.h"
#include "host/windows/X11Backend.h"

namespace {
TWindowSystem* GCurrent = nullptr;

// The window system made on first use when nobody constructed one; it lives until exit.
std::unique_ptr<TWindowSystem>& DefaultSystem()
{
    static std::unique_ptr<TWindowSystem> System;
    return System;
}
}

TWindowSystem::TWindowSystem(std::unique_ptr<TWindowBackend> Backend)
    : FBackend(Backend ? std::move(Backend) : std::make_unique<THeadlessBackend>()),
      FManager(std::make_unique<TWindowManager>(*FBackend)), FPrevious(GCurrent)
{
    StartFontEngine();
    GCurrent = this;
}

TWindowSystem::~TWindowSystem()
{
    FManager->DestroyAll();
    assert(GCurrent == this && "window systems end in the reverse order of their making");
    GCurrent = FPrevious;
}

TWindowSystem& TWindowSystem::Current()
{
    if (!GCurrent) DefaultSystem() = std::make_unique<TWindowSystem>();
    return *GCurrent;
}

TWindowSystem* TWindowSystem::CurrentOrNull()
{
    return GCurrent;
}

std::unique_ptr<TWindowBackend> CreateBackend(const std::string& Name)
{
    // The font engine starts beside the connection to the display, which waits on the server.
    StartFontEngine();
    std::string name = Name;
    if (name.empty()) {
        const char* env = std::getenv("ZEL_BACKEND");
        name = env ? env : "";
    }
    if (name == "x11" && std::getenv("DISPLAY")) {
        if (auto x11 = CreateX11Backend()) return x11;
    }
    return std::make_unique<THeadlessBackend>();
}
