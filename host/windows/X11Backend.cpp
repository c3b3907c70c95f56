// The X11 back end. Each top-level window is an X window of the same size; its back buffer is
// shown through a shared-memory image (MIT-SHM) when the server offers one, otherwise with
// XPutImage straight from the buffer's pixels (0xAARRGGBB, which a 24-bit TrueColor visual with
// the usual masks reads as is; other visuals get a converted copy). Keys go through the X input
// method, so composed and non-ASCII characters arrive as Unicode code points.
#include "host/windows/X11Backend.h"

#include <poll.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "host/graphics/Bitmap.h"
#include "host/graphics/Region.h"
#include "host/graphics/TextCodec.h"
#include "host/windows/Messages.h"
#include "host/windows/X11Identity.h"
#include "host/windows/X11Shm.h"

namespace {

// The display connection's failure ends the program: Xlib cannot go on without its connection, so
// the handler says so, lets the process release what it holds (exit runs the static destructors
// and flushes the streams; no X call is made any more) and ends with exit code 1.
bool ConnectionLost = false;

int OnIOError(Display* D)
{
    if (ConnectionLost) _exit(1); // a destructor that still reached for the display
    ConnectionLost = true;
    std::fprintf(stderr, "zelgrid: the connection to the X display %s was lost; the program ends.\n",
                 D ? DisplayString(D) : "");
    std::fflush(stderr);
    std::exit(1);
}

// A request about a window another client destroyed meanwhile fails harmlessly: the window's
// DestroyNotify follows and takes it out. Other protocol errors are reported and ignored.
int OnProtocolError(Display* D, XErrorEvent* E)
{
    if (E->error_code == BadWindow || E->error_code == BadDrawable || E->error_code == BadMatch) return 0;
    char text[256] = {};
    XGetErrorText(D, E->error_code, text, sizeof text);
    std::fprintf(stderr, "zelgrid: X request %u failed: %s\n", static_cast<unsigned>(E->request_code), text);
    return 0;
}

struct TX11Surface {
    Window Win = 0;
    GC Gc = nullptr;
    // The input context of the window (null without an input method) and its shared image
    // (null until the first frame, or without MIT-SHM).
    XIC Ic = nullptr;
    std::unique_ptr<TX11ShmImage> Shm;
    TRect Bounds;
    bool Mapped = false;
    bool WantFocus = false;
};

// The input method follows the user's locale (LC_CTYPE from the environment, unless the program
// chose one) and XMODIFIERS; without a usable one the built-in composing is tried, then none.
XIM OpenInputMethod(Display* D)
{
    if (const char* current = std::setlocale(LC_CTYPE, nullptr); current && std::strcmp(current, "C") == 0) {
        if (std::setlocale(LC_CTYPE, "") && !XSupportsLocale()) std::setlocale(LC_CTYPE, "C");
    }
    if (!XSupportsLocale()) return nullptr;
    for (const char* modifiers : {"", "@im=none"}) {
        if (!XSetLocaleModifiers(modifiers)) continue;
        if (XIM im = XOpenIM(D, nullptr, nullptr, nullptr)) return im;
    }
    return nullptr;
}

// The Unicode character of a key symbol, for keys read without an input method; 0 for none.
unsigned KeySymToChar(KeySym S, const char* Latin1, int Count)
{
    if ((S & 0xFF000000) == 0x01000000) return static_cast<unsigned>(S & 0x00FFFFFF);
    return Count == 1 ? static_cast<unsigned char>(Latin1[0]) : 0;
}

// The virtual-key code of an X key symbol; 0 when it has none.
int KeySymToVK(KeySym S)
{
    if (S >= XK_a && S <= XK_z) return static_cast<int>('A' + (S - XK_a));
    if (S >= XK_A && S <= XK_Z) return static_cast<int>('A' + (S - XK_A));
    if (S >= XK_0 && S <= XK_9) return static_cast<int>('0' + (S - XK_0));
    if (S >= XK_F1 && S <= XK_F12) return static_cast<int>(VK_F1 + (S - XK_F1));
    if (S >= XK_KP_0 && S <= XK_KP_9) return static_cast<int>(VK_NUMPAD0 + (S - XK_KP_0));
    switch (S) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Return:
    case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Delete:
    case XK_KP_Delete: return VK_DELETE;
    case XK_Insert:
    case XK_KP_Insert: return VK_INSERT;
    case XK_Home:
    case XK_KP_Home: return VK_HOME;
    case XK_End:
    case XK_KP_End: return VK_END;
    case XK_Prior:
    case XK_KP_Prior: return VK_PRIOR;
    case XK_Next:
    case XK_KP_Next: return VK_NEXT;
    case XK_Left:
    case XK_KP_Left: return VK_LEFT;
    case XK_Right:
    case XK_KP_Right: return VK_RIGHT;
    case XK_Up:
    case XK_KP_Up: return VK_UP;
    case XK_Down:
    case XK_KP_Down: return VK_DOWN;
    case XK_Shift_L:
    case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R: return VK_MENU;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Pause: return VK_PAUSE;
    case XK_Menu: return VK_APPS;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_semicolon:
    case XK_colon: return VK_OEM_1;
    case XK_equal:
    case XK_plus: return VK_OEM_PLUS;
    case XK_comma:
    case XK_less: return VK_OEM_COMMA;
    case XK_minus:
    case XK_underscore: return VK_OEM_MINUS;
    case XK_period:
    case XK_greater: return VK_OEM_PERIOD;
    case XK_slash:
    case XK_question: return VK_OEM_2;
    case XK_grave:
    case XK_asciitilde: return VK_OEM_3;
    case XK_bracketleft:
    case XK_braceleft: return VK_OEM_4;
    case XK_backslash:
    case XK_bar: return VK_OEM_5;
    case XK_bracketright:
    case XK_braceright: return VK_OEM_6;
    case XK_apostrophe:
    case XK_quotedbl: return VK_OEM_7;
    default: break;
    }
    return 0;
}

class TX11Backend : public TWindowBackend {
public:
    explicit TX11Backend(Display* D) : FDisplay(D), FScreen(DefaultScreen(D))
    {
        FVisual = DefaultVisual(D, FScreen);
        FDepth = DefaultDepth(D, FScreen);
        FDirectFormat = FVisual->c_class == TrueColor && FVisual->red_mask == 0xFF0000 &&
                        FVisual->green_mask == 0x00FF00 && FVisual->blue_mask == 0x0000FF && (FDepth == 24 || FDepth == 32);
        FDeleteWindow = XInternAtom(D, "WM_DELETE_WINDOW", False);
        Bool supported = False;
        XkbSetDetectableAutoRepeat(D, True, &supported);
        FShm = FDirectFormat && X11ShmUsable(D);
        FIm = OpenInputMethod(D);
    }

    ~TX11Backend() override
    {
        if (ConnectionLost) {
            for (auto& [id, s] : FSurfaces)
                if (s.Shm) s.Shm->Abandon();
            return;
        }
        while (!FSurfaces.empty()) {
            const Window win = FSurfaces.begin()->second.Win;
            ForgetSurface(FSurfaces.begin()->first);
            XDestroyWindow(FDisplay, win);
        }
        if (FIm) XCloseIM(FIm);
        XCloseDisplay(FDisplay);
    }

    const char* Name() const override { return "x11"; }
    bool UsesShm() const { return FShm; }
    bool UsesInputMethod() const { return FIm != nullptr; }

    TSurfaceId CreateSurface(const TSurfaceParams& Params) override
    {
        XSetWindowAttributes a{};
        a.override_redirect = Params.OverrideRedirect ? True : False;
        a.background_pixmap = None;
        a.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                       PointerMotionMask | EnterWindowMask | LeaveWindowMask | StructureNotifyMask | FocusChangeMask;
        const TRect& b = Params.Bounds;
        Window win = XCreateWindow(FDisplay, RootWindow(FDisplay, FScreen), b.Left, b.Top,
                                   static_cast<unsigned>(std::max(b.Width(), 1)), static_cast<unsigned>(std::max(b.Height(), 1)),
                                   0, CopyFromParent, InputOutput, CopyFromParent,
                                   CWOverrideRedirect | CWBackPixmap | CWEventMask, &a);
        SetX11WindowIdentity(FDisplay, win);
        SetX11WindowTitle(FDisplay, win, Params.Title);
        XSetWMProtocols(FDisplay, win, &FDeleteWindow, 1);
        XSizeHints hints{};
        hints.flags = USPosition | USSize;
        hints.x = b.Left;
        hints.y = b.Top;
        hints.width = b.Width();
        hints.height = b.Height();
        XSetWMNormalHints(FDisplay, win, &hints);
        if (auto owner = FSurfaces.find(Params.Owner); owner != FSurfaces.end())
            XSetTransientForHint(FDisplay, win, owner->second.Win);
        TX11Surface s;
        s.Win = win;
        s.Gc = XCreateGC(FDisplay, win, 0, nullptr);
        s.Bounds = b;
        s.Ic = CreateInputContext(win, a.event_mask);
        const TSurfaceId id = ++FLastId;
        FByWindow[win] = id;
        FSurfaces[id] = std::move(s);
        return id;
    }

    void DestroySurface(TSurfaceId Surface) override
    {
        auto it = FSurfaces.find(Surface);
        if (it == FSurfaces.end()) return;
        const Window win = it->second.Win;
        ForgetSurface(Surface);
        XDestroyWindow(FDisplay, win);
        XFlush(FDisplay);
    }

    void ShowSurface(TSurfaceId Surface, bool Visible) override
    {
        TX11Surface* s = Get(Surface);
        if (!s) return;
        if (Visible) {
            XMapRaised(FDisplay, s->Win);
        } else {
            XUnmapWindow(FDisplay, s->Win);
            s->Mapped = false;
        }
        XFlush(FDisplay);
    }

    // The CLIPBOARD selection: owned through a hidden window, so that other programs paste what
    // was copied here and a paste here asks the program that copied last.
    void SetClipboardText(const std::string& Text) override
    {
        FClipText = Text;
        XSetSelectionOwner(FDisplay, ClipAtom("CLIPBOARD"), ClipWindow(), CurrentTime);
        XFlush(FDisplay);
    }

    std::string ClipboardText() override
    {
        const Window owner = XGetSelectionOwner(FDisplay, ClipAtom("CLIPBOARD"));
        if (owner == None) return {};
        if (owner == ClipWindow()) return FClipText;
        const Atom property = ClipAtom("ZEL_CLIPBOARD");
        XConvertSelection(FDisplay, ClipAtom("CLIPBOARD"), ClipAtom("UTF8_STRING"), property, FClipWin, CurrentTime);
        XFlush(FDisplay);
        // The owner answers with SelectionNotify; other events stay queued meanwhile. An owner
        // that does not answer within a second gives an empty paste.
        for (int waited = 0; waited < 1000; waited += 10) {
            XEvent e;
            if (!XCheckTypedWindowEvent(FDisplay, FClipWin, SelectionNotify, &e)) {
                pollfd fd{ConnectionNumber(FDisplay), POLLIN, 0};
                poll(&fd, 1, 10);
                continue;
            }
            if (e.xselection.property == None) return {};
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            // At most 4 MiB of text (the count is in 32-bit units).
            XGetWindowProperty(FDisplay, FClipWin, property, 0, 1L << 20, True, AnyPropertyType, &type, &format, &count,
                               &after, &data);
            std::string text = data && format == 8 ? std::string(reinterpret_cast<char*>(data), count) : std::string();
            if (data) XFree(data);
            return text;
        }
        return {};
    }

    void SetSurfaceBounds(TSurfaceId Surface, const TRect& Bounds) override
    {
        TX11Surface* s = Get(Surface);
        if (!s) return;
        s->Bounds = Bounds;
        XMoveResizeWindow(FDisplay, s->Win, Bounds.Left, Bounds.Top, static_cast<unsigned>(std::max(Bounds.Width(), 1)),
                          static_cast<unsigned>(std::max(Bounds.Height(), 1)));
    }

    void SetSurfaceTitle(TSurfaceId Surface, const std::string& Title) override
    {
        if (TX11Surface* s = Get(Surface)) SetX11WindowTitle(FDisplay, s->Win, Title);
    }

    void SetSurfaceOwner(TSurfaceId Surface, TSurfaceId Owner) override
    {
        TX11Surface* s = Get(Surface);
        if (!s) return;
        if (TX11Surface* o = Get(Owner)) XSetTransientForHint(FDisplay, s->Win, o->Win);
        else XDeleteProperty(FDisplay, s->Win, XA_WM_TRANSIENT_FOR);
        XFlush(FDisplay);
    }

    void RaiseSurface(TSurfaceId Surface) override
    {
        if (TX11Surface* s = Get(Surface)) XRaiseWindow(FDisplay, s->Win);
    }

    void FocusSurface(TSurfaceId Surface) override
    {
        TX11Surface* s = Get(Surface);
        if (!s) return;
        if (s->Mapped) {
            XSetInputFocus(FDisplay, s->Win, RevertToParent, CurrentTime);
        } else {
            s->WantFocus = true;
        }
    }

    void Present(TSurfaceId Surface, const TBitmap& Buffer, const TRect& Area) override
    {
        TX11Surface* s = Get(Surface);
        if (!s || Buffer.Empty() || Area.IsEmpty()) return;
        const TRect a = IntersectRect(Area, {0, 0, Buffer.Width(), Buffer.Height()});
        if (a.IsEmpty()) return;
        if (FShm && PresentShared(*s, Buffer, a)) return;
        if (FDirectFormat) {
            XImage* img = XCreateImage(FDisplay, FVisual, static_cast<unsigned>(FDepth), ZPixmap, 0,
                                       reinterpret_cast<char*>(const_cast<TPixel*>(Buffer.Bits())),
                                       static_cast<unsigned>(Buffer.Width()), static_cast<unsigned>(Buffer.Height()), 32,
                                       Buffer.Stride() * 4);
            if (!img) return;
            img->byte_order = LSBFirst;
            // Rows follow the buffer's turn: at most two bands of memory rows.
            for (int y = a.Top; y < a.Bottom;) {
                const int m = (y + Buffer.RowShift()) % Buffer.Height();
                const int n = std::min(a.Bottom - y, Buffer.Height() - m);
                XPutImage(FDisplay, s->Win, s->Gc, img, a.Left, m, a.Left, y, static_cast<unsigned>(a.Width()),
                          static_cast<unsigned>(n));
                y += n;
            }
            img->data = nullptr;
            XDestroyImage(img);
            return;
        }
        // Other visuals: convert the area pixel by pixel.
        XImage* img = XCreateImage(FDisplay, FVisual, static_cast<unsigned>(FDepth), ZPixmap, 0, nullptr,
                                   static_cast<unsigned>(a.Width()), static_cast<unsigned>(a.Height()), 32, 0);
        if (!img) return;
        std::vector<char> data(static_cast<std::size_t>(img->bytes_per_line) * static_cast<std::size_t>(a.Height()));
        img->data = data.data();
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) {
                const TPixel p = Buffer.Pixel(a.Left + x, a.Top + y);
                const unsigned long r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                XPutPixel(img, x, y, Scale(r, FVisual->red_mask) | Scale(g, FVisual->green_mask) | Scale(b, FVisual->blue_mask));
            }
        XPutImage(FDisplay, s->Win, s->Gc, img, 0, 0, a.Left, a.Top, static_cast<unsigned>(a.Width()),
                  static_cast<unsigned>(a.Height()));
        img->data = nullptr;
        XDestroyImage(img);
    }

    // The server copies within the window; what it cannot (a part hidden by another window or
    // off the screen) comes back as GraphicsExpose and is presented from the buffer. The move is
    // remembered until the server is known to have done it: an exposure from before it lost
    // pixels that the copy then carried along (see Exposed).
    bool MoveSurfaceRect(TSurfaceId Surface, const TRect& Dest, TPoint From) override
    {
        TX11Surface* s = Get(Surface);
        if (!s || !s->Mapped || Dest.IsEmpty()) return false;
        FMoves.push_back({NextRequest(FDisplay), Surface, Dest, {Dest.Left - From.X, Dest.Top - From.Y}});
        XCopyArea(FDisplay, s->Win, s->Win, s->Gc, From.X, From.Y, static_cast<unsigned>(Dest.Width()),
                  static_cast<unsigned>(Dest.Height()), Dest.Left, Dest.Top);
        return true;
    }

    void Flush() override
    {
        XFlush(FDisplay);
        for (auto& [id, s] : FSurfaces)
            if (s.Shm) s.Shm->EndFrame();
    }

    void Sync() override { XSync(FDisplay, False); }

    bool PollInput(TInputEvent& Event) override
    {
        // Reading input sends nothing: what was presented goes out when the window system
        // flushes, once per frame. The connection is read only when it has something.
        if (FPending.empty() && XEventsQueued(FDisplay, QueuedAlready) == 0) {
            pollfd p{ConnectionNumber(FDisplay), POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) return false;
        }
        while (FPending.empty() && XEventsQueued(FDisplay, QueuedAfterReading) > 0) {
            XEvent e;
            XNextEvent(FDisplay, &e);
            // The input method takes the keys of a sequence it composes.
            if (XFilterEvent(&e, None)) continue;
            Translate(e);
        }
        if (FPending.empty()) return false;
        Event = FPending.front();
        FPending.pop_front();
        return true;
    }

    bool WaitForInput(int TimeoutMs) override
    {
        if (!FPending.empty() || XPending(FDisplay) > 0) return true;
        pollfd p{ConnectionNumber(FDisplay), POLLIN, 0};
        ::poll(&p, 1, TimeoutMs);
        return true;
    }

    TSize ScreenSize() override { return {DisplayWidth(FDisplay, FScreen), DisplayHeight(FDisplay, FScreen)}; }

private:
    // False when no shared image can be made for this buffer.
    bool PresentShared(TX11Surface& S, const TBitmap& Buffer, const TRect& Area)
    {
        if (!S.Shm) S.Shm = std::make_unique<TX11ShmImage>(FDisplay);
        if (!S.Shm->Ensure(FVisual, FDepth, Buffer.Width(), Buffer.Height())) return false;
        S.Shm->Put(S.Win, S.Gc, Buffer, Area);
        return true;
    }

    XIC CreateInputContext(Window Win, long EventMask)
    {
        if (!FIm) return nullptr;
        XIC ic = XCreateIC(FIm, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, Win, XNFocusWindow,
                           Win, nullptr);
        if (!ic) return nullptr;
        long wanted = 0;
        if (!XGetICValues(ic, XNFilterEvents, &wanted, nullptr)) XSelectInput(FDisplay, Win, EventMask | wanted);
        return ic;
    }

    // The characters a key press types, as Unicode code points, and its key symbol.
    std::u32string KeyText(TX11Surface* S, XKeyEvent& E, KeySym& Sym)
    {
        std::u32string chars;
        if (!S || !S->Ic) {
            char text[8] = {};
            const int n = XLookupString(&E, text, sizeof text, &Sym, nullptr);
            if (const unsigned c = KeySymToChar(Sym, text, n)) chars.push_back(c);
            return chars;
        }
        std::string text(32, '\0');
        Status status = 0;
        int n = Xutf8LookupString(S->Ic, &E, text.data(), static_cast<int>(text.size()), &Sym, &status);
        if (status == XBufferOverflow) {
            text.resize(static_cast<std::size_t>(n));
            n = Xutf8LookupString(S->Ic, &E, text.data(), n, &Sym, &status);
        }
        if (status != XLookupKeySym && status != XLookupBoth) Sym = NoSymbol;
        if (status == XLookupChars || status == XLookupBoth) DecodeText(std::string_view(text.data(), static_cast<std::size_t>(n)), chars);
        return chars;
    }

    static unsigned long Scale(unsigned long V, unsigned long Mask)
    {
        if (!Mask) return 0;
        int shift = 0;
        while (!((Mask >> shift) & 1)) ++shift;
        int bits = 0;
        while ((Mask >> (shift + bits)) & 1) ++bits;
        return ((bits >= 8 ? V << (bits - 8) : V >> (8 - bits)) << shift) & Mask;
    }

    // Drops a surface from the tables and frees its graphics context; the window is left alone.
    void ForgetSurface(TSurfaceId Id)
    {
        auto it = FSurfaces.find(Id);
        if (it == FSurfaces.end()) return;
        FByWindow.erase(it->second.Win);
        it->second.Shm.reset();
        if (it->second.Ic) XDestroyIC(it->second.Ic);
        XFreeGC(FDisplay, it->second.Gc);
        FSurfaces.erase(it);
    }
    TX11Surface* Get(TSurfaceId Id)
    {
        auto it = FSurfaces.find(Id);
        return it == FSurfaces.end() ? nullptr : &it->second;
    }

    TSurfaceId IdOf(Window W) const
    {
        auto it = FByWindow.find(W);
        return it == FByWindow.end() ? 0 : it->second;
    }

    void Push(TInputEvent E) { FPending.push_back(E); }

    // Area of the surface must be shown again. The moves the server did after the exposure
    // (their request came later than the event's serial) carried the lost pixels along: where
    // they went must be shown again too.
    void Exposed(TSurfaceId Id, unsigned long Serial, const TRect& Area)
    {
        TRegion lost(Area);
        for (const TMove& m : FMoves) {
            if (m.Surface != Id || m.Serial <= Serial) continue;
            TRegion carried = lost;
            carried.Offset(m.Offset.X, m.Offset.Y);
            carried.Intersect(m.Dest);
            lost.Union(carried);
        }
        TInputEvent ev;
        ev.Kind = ieExpose;
        ev.Surface = Id;
        for (const TRect& r : lost) {
            ev.Area = r;
            Push(ev);
        }
    }

    Atom ClipAtom(const char* Name) { return XInternAtom(FDisplay, Name, False); }

    Window ClipWindow()
    {
        if (!FClipWin) FClipWin = XCreateSimpleWindow(FDisplay, RootWindow(FDisplay, FScreen), 0, 0, 1, 1, 0, 0, 0);
        return FClipWin;
    }

    // Another program asks for the copied text: as UTF-8 or Latin-1 text, or the list of targets.
    void AnswerSelectionRequest(const XSelectionRequestEvent& R)
    {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.display = FDisplay;
        reply.requestor = R.requestor;
        reply.selection = R.selection;
        reply.target = R.target;
        reply.time = R.time;
        reply.property = None;
        const Atom property = R.property == None ? R.target : R.property;
        const Atom utf8 = ClipAtom("UTF8_STRING"), targets = ClipAtom("TARGETS");
        if (R.target == targets) {
            const Atom offered[] = {targets, utf8, XA_STRING};
            XChangeProperty(FDisplay, R.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered), 3);
            reply.property = property;
        } else if (R.target == utf8 || R.target == XA_STRING) {
            XChangeProperty(FDisplay, R.requestor, property, R.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(FClipText.data()), static_cast<int>(FClipText.size()));
            reply.property = property;
        }
        XSendEvent(FDisplay, R.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
        XFlush(FDisplay);
    }

    void Translate(XEvent& E)
    {
        if (FClipWin && E.xany.window == FClipWin) {
            if (E.type == SelectionRequest) AnswerSelectionRequest(E.xselectionrequest);
            if (E.type == SelectionClear) FClipText.clear();
            return;
        }
        // Another client changed the keyboard layout: the key symbols are read again.
        if (E.type == MappingNotify) {
            XRefreshKeyboardMapping(&E.xmapping);
            return;
        }
        for (auto& [id, s] : FSurfaces)
            if (s.Shm && s.Shm->Completed(E)) return;
        // Events come in the order the server made them: moves it had done before this event
        // need no more care.
        while (!FMoves.empty() && FMoves.front().Serial <= E.xany.serial) FMoves.pop_front();
        const TSurfaceId id = IdOf(E.xany.window);
        if (!id) return;
        TInputEvent ev;
        ev.Surface = id;
        switch (E.type) {
        case MotionNotify:
            ev.Kind = ieMouseMove;
            ev.Pos = {E.xmotion.x, E.xmotion.y};
            Push(ev);
            break;
        case EnterNotify:
            ev.Kind = ieMouseMove;
            ev.Pos = {E.xcrossing.x, E.xcrossing.y};
            Push(ev);
            break;
        case LeaveNotify:
            if (E.xcrossing.mode != NotifyNormal) break;
            ev.Kind = ieMouseLeave;
            Push(ev);
            break;
        case ButtonPress:
        case ButtonRelease: {
            ev.Pos = {E.xbutton.x, E.xbutton.y};
            const unsigned b = E.xbutton.button;
            if (b == Button4 || b == Button5) {
                if (E.type == ButtonRelease) break;
                ev.Kind = ieWheel;
                ev.WheelDelta = b == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
                Push(ev);
                break;
            }
            if (b != Button1 && b != Button2 && b != Button3) break;
            ev.Kind = E.type == ButtonPress ? ieButtonDown : ieButtonUp;
            ev.Button = b == Button1 ? mbLeft : b == Button2 ? mbMiddle : mbRight;
            Push(ev);
            break;
        }
        case KeyPress:
        case KeyRelease: {
            KeySym sym = NoSymbol;
            std::u32string chars;
            if (E.type == KeyPress) {
                chars = KeyText(Get(id), E.xkey, sym);
            } else {
                char text[8];
                XLookupString(&E.xkey, text, sizeof text, &sym, nullptr);
            }
            ev.Kind = E.type == KeyPress ? ieKeyDown : ieKeyUp;
            ev.Key = KeySymToVK(sym);
            // Delete is a command key: the DEL character X gives it would type into an editor.
            if (!chars.empty() && chars[0] != 0x7F) ev.Char = chars[0];
            if (E.type == KeyPress && sym == XK_Return) ev.Char = '\r';
            const unsigned code = E.xkey.keycode;
            if (E.type == KeyPress) {
                ev.Repeat = FDown[code & 0xFF];
                FDown[code & 0xFF] = true;
            } else {
                FDown[code & 0xFF] = false;
            }
            if (ev.Key || ev.Char) Push(ev);
            // A sequence the input method composed may type more than one character.
            for (std::size_t i = 1; i < chars.size(); ++i) {
                TInputEvent more = ev;
                more.Key = 0;
                more.Char = chars[i];
                Push(more);
            }
            break;
        }
        case FocusIn:
        case FocusOut:
            if (E.xfocus.detail == NotifyPointer || E.xfocus.mode == NotifyGrab || E.xfocus.mode == NotifyUngrab) break;
            ev.Kind = E.type == FocusIn ? ieFocusIn : ieFocusOut;
            if (TX11Surface* s = Get(id); s && s->Ic) {
                if (E.type == FocusIn) XSetICFocus(s->Ic);
                else XUnsetICFocus(s->Ic);
            }
            Push(ev);
            break;
        case Expose:
            Exposed(id, E.xany.serial, {E.xexpose.x, E.xexpose.y, E.xexpose.x + E.xexpose.width, E.xexpose.y + E.xexpose.height});
            break;
        case GraphicsExpose: {
            const XGraphicsExposeEvent& g = E.xgraphicsexpose;
            Exposed(id, E.xany.serial, {g.x, g.y, g.x + g.width, g.y + g.height});
            break;
        }
        case MapNotify:
            if (TX11Surface* s = Get(id)) {
                s->Mapped = true;
                if (s->WantFocus) {
                    s->WantFocus = false;
                    XSetInputFocus(FDisplay, s->Win, RevertToParent, CurrentTime);
                }
            }
            break;
        case UnmapNotify:
            if (TX11Surface* s = Get(id)) s->Mapped = false;
            break;
        case DestroyNotify:
            // Only a window still in the table was destroyed by someone else: DestroySurface
            // takes a window out before destroying it.
            if (E.xdestroywindow.window != E.xdestroywindow.event) break;
            ForgetSurface(id);
            ev.Kind = ieDestroyed;
            Push(ev);
            break;
        case ConfigureNotify: {
            // The position on the root window, whatever frame a window manager put around it.
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(FDisplay, E.xconfigure.window, RootWindow(FDisplay, FScreen), 0, 0, &x, &y, &child);
            ev.Kind = ieConfigure;
            ev.Area = {x, y, x + E.xconfigure.width, y + E.xconfigure.height};
            if (TX11Surface* s = Get(id)) {
                if (s->Bounds == ev.Area) break;
                s->Bounds = ev.Area;
            }
            Push(ev);
            break;
        }
        case ClientMessage:
            if (static_cast<Atom>(E.xclient.data.l[0]) == FDeleteWindow) {
                ev.Kind = ieClose;
                Push(ev);
            }
            break;
        default:
            break;
        }
    }

    Display* FDisplay;
    int FScreen;
    Visual* FVisual = nullptr;
    int FDepth = 24;
    bool FDirectFormat = false;
    // The hidden window owning the CLIPBOARD selection, and the text it offers.
    Window FClipWin = 0;
    std::string FClipText;
    Atom FDeleteWindow = 0;
    XIM FIm = nullptr;
    // MIT-SHM in use.
    bool FShm = false;
    std::map<TSurfaceId, TX11Surface> FSurfaces;
    std::map<Window, TSurfaceId> FByWindow;
    std::deque<TInputEvent> FPending;
    // Moves within surfaces the server may not have done yet, in request order.
    struct TMove {
        unsigned long Serial;
        TSurfaceId Surface;
        TRect Dest;
        TPoint Offset;
    };
    std::deque<TMove> FMoves;
    TSurfaceId FLastId = 0;
    bool FDown[256] = {};
};

}

bool X11PresentsThroughShm(const TWindowBackend& Backend)
{
    const auto* x11 = dynamic_cast<const TX11Backend*>(&Backend);
    return x11 && x11->UsesShm();
}

bool X11ReadsThroughInputMethod(const TWindowBackend& Backend)
{
    const auto* x11 = dynamic_cast<const TX11Backend*>(&Backend);
    return x11 && x11->UsesInputMethod();
}

std::unique_ptr<TWindowBackend> CreateX11Backend(const char* DisplayName)
{
    Display* d = XOpenDisplay(DisplayName);
    if (!d) return nullptr;
    XSetIOErrorHandler(OnIOError);
    XSetErrorHandler(OnProtocolError);
    return std::make_unique<TX11Backend>(d);
}
