// The terminal in raw mode for interactive typing: keys arrive one at a time, unechoed, with
// Ctrl-C and Ctrl-D as plain bytes. Output processing stays on, so a line feed still starts a
// new line. The terminal's mode is put back when this ends, at exit, and on a signal that
// ends the process (the signal then does what it would have done).
#pragma once

namespace sim {

class RawTerminal {
public:
    explicit RawTerminal(int fd);
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    // False when `fd` is not a terminal or its mode could not be changed.
    bool active() const { return m_active; }

private:
    bool m_active = false;
};

} // namespace sim
