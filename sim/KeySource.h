// Where the desktop mode hears the machine's real keyboards. A source says only that a key
// was pressed and which click it makes: never which key, so what was typed goes no further
// than the reader itself.
//
// Each press of a key makes the keyboard's click: 1105 for Backspace and Delete, 1104 for
// every other key. A modifier pressed alone (Shift, Ctrl, Alt, Super, the lock keys) and the
// repeats of a key held down make none. Releases make none.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

enum class Click : unsigned { Character = 1104, Delete = 1105 };

// What one read brought: the clicks in the order their keys were pressed, and lines for a
// person about the source itself (a keyboard plugged in or removed).
struct KeyBatch {
    std::vector<Click> clicks;
    std::vector<std::string> notices;
};

class KeySource {
public:
    virtual ~KeySource() = default;
    // Readable when read() has something to do; poll it.
    virtual int fd() const = 0;
    // Takes what is ready, without blocking. False once the source can deliver no more
    // (the display went away); `problem()` says why.
    virtual bool read(KeyBatch& batch) = 0;
    virtual std::string problem() const { return {}; }
    // Which source this is and what it listens to, for a person.
    virtual std::string description() const = 0;
};

// The click of a Linux input key code pressed (not repeated): nothing for modifiers, and for
// codes that are not keyboard keys (mouse and joystick buttons).
std::optional<Click> clickForKeyCode(unsigned code);
// The click of an X keysym pressed: nothing for modifiers and no symbol.
std::optional<Click> clickForKeysym(unsigned long keysym);

struct OpenedKeySource {
    std::unique_ptr<KeySource> source;
    std::string error; // why none opened, when none did
};

// `which` is "evdev", "x11", or empty for the automatic choice: X11 where a display is set
// and the session is not Wayland's, else evdev, each falling back to the other.
OpenedKeySource openKeySource(const std::string& which);
OpenedKeySource openEvdevKeySource();
OpenedKeySource openX11KeySource();

} // namespace sim
