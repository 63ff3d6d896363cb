#include "sim/KeySource.h"

#include <X11/X.h>
#include <X11/keysym.h>
#include <cstdlib>
#include <linux/input-event-codes.h>

namespace sim {

std::optional<Click> clickForKeyCode(unsigned code) {
    switch (code) {
    case KEY_LEFTCTRL:
    case KEY_RIGHTCTRL:
    case KEY_LEFTSHIFT:
    case KEY_RIGHTSHIFT:
    case KEY_LEFTALT:
    case KEY_RIGHTALT:
    case KEY_LEFTMETA:
    case KEY_RIGHTMETA:
    case KEY_CAPSLOCK:
    case KEY_NUMLOCK:
    case KEY_SCROLLLOCK:
    case KEY_FN:
        return std::nullopt;
    case KEY_BACKSPACE:
    case KEY_DELETE:
        return Click::Delete;
    default:
        break;
    }
    // Below BTN_MISC are the keys of keyboards; above, buttons of mice and pads, and keys no
    // typist types (KEY_OK and on) that some remote controls send.
    if (code == KEY_RESERVED || code >= BTN_MISC)
        return std::nullopt;
    return Click::Character;
}

std::optional<Click> clickForKeysym(unsigned long keysym) {
    if (keysym == NoSymbol)
        return std::nullopt;
    // Shift_L to Hyper_R (Caps Lock and Shift Lock among them), the ISO level shifts and
    // locks, Mode_switch and Num_Lock: what Xlib's IsModifierKey covers.
    if ((keysym >= XK_Shift_L && keysym <= XK_Hyper_R) ||
        (keysym >= XK_ISO_Lock && keysym <= XK_ISO_Level5_Lock) || keysym == XK_Mode_switch ||
        keysym == XK_Num_Lock || keysym == XK_Scroll_Lock)
        return std::nullopt;
    if (keysym == XK_BackSpace || keysym == XK_Delete || keysym == XK_KP_Delete)
        return Click::Delete;
    return Click::Character;
}

OpenedKeySource openKeySource(const std::string& which) {
    if (which == "evdev")
        return openEvdevKeySource();
    if (which == "x11")
        return openX11KeySource();
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    // Under Wayland an X server sees only the keys typed into its own windows.
    const bool x11First = display && *display && !(wayland && *wayland);
    OpenedKeySource first = x11First ? openX11KeySource() : openEvdevKeySource();
    if (first.source)
        return first;
    if (!x11First && !(display && *display))
        return first;
    OpenedKeySource second = x11First ? openEvdevKeySource() : openX11KeySource();
    if (second.source)
        return second;
    second.error = first.error + "; " + second.error;
    return second;
}

} // namespace sim
