#include "host/windows/X11Identity.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

// The name the program was started by, empty where the C library does not know it.
std::string ProgramName() { return program_invocation_short_name ? program_invocation_short_name : ""; }

} // namespace

void SetX11WindowIdentity(Display* D, Window Win)
{
    std::string name = ProgramName();
    if (name.empty()) name = "zelgrid";
    std::string cls = name;
    cls[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(cls[0])));
    XClassHint hint{name.data(), cls.data()};
    XSetClassHint(D, Win, &hint);
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0 && host[0]) {
        char* list[] = {host};
        XTextProperty machine{};
        if (XStringListToTextProperty(list, 1, &machine)) {
            XSetWMClientMachine(D, Win, &machine);
            XFree(machine.value);
        }
    }
    const long pid = static_cast<long>(getpid());
    XChangeProperty(D, Win, XInternAtom(D, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

void SetX11WindowTitle(Display* D, Window Win, const std::string& Title)
{
    std::string text = Title.empty() ? ProgramName() : Title;
    const Atom utf8 = XInternAtom(D, "UTF8_STRING", False);
    XChangeProperty(D, Win, XInternAtom(D, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    char* list[] = {text.data()};
    XTextProperty name{};
    if (Xutf8TextListToTextProperty(D, list, 1, XStdICCTextStyle, &name) >= Success) {
        XSetWMName(D, Win, &name);
        XFree(name.value);
    } else {
        XStoreName(D, Win, text.c_str());
    }
}
