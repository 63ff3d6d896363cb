#include "sim/Interactive.h"

#include "sim/Simulator.h"
#include "sim/Terminal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

// The length of a UTF-8 sequence from its lead byte; 0 for a byte that cannot lead one.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead >> 5) == 6)
        return 2;
    if ((lead >> 4) == 14)
        return 3;
    if ((lead >> 3) == 30)
        return 4;
    return 0;
}

class Session {
public:
    explicit Session(Simulator& simulator) : m_simulator(simulator) {}

    int run() {
        m_simulator.say("  Type to play notes. Ctrl-U unlocks, Ctrl-D quits.");
        for (;;) {
            promptForAlert();
            pollfd in{STDIN_FILENO, POLLIN, 0};
            int ready = poll(&in, 1, 100);
            if (ready < 0 && errno != EINTR)
                return 1;
            if (ready <= 0)
                continue;
            unsigned char bytes[64];
            ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return 0; // end of input
            for (ssize_t i = 0; i < n; ++i) {
                std::optional<int> outcome = handle(bytes, static_cast<std::size_t>(n), i);
                if (outcome)
                    return *outcome;
            }
        }
    }

private:
    void promptForAlert() {
        std::optional<Summary::Alert> alert = m_simulator.alertOnScreen();
        if (!alert || alert->buttons.empty()) {
            m_prompted = false;
            return;
        }
        if (m_prompted)
            return;
        m_prompted = true;
        m_simulator.say("  Press 0-" + std::to_string(alert->buttons.size() - 1) +
                        " to tap a button.");
    }

    // One byte at `i` (a UTF-8 character may take the following ones, an escape sequence all
    // the rest). A result ends the session.
    std::optional<int> handle(const unsigned char* bytes, std::size_t n, ssize_t& i) {
        unsigned char c = bytes[i];
        if (c == kQuitKey || c == kInterruptKey)
            return 0;
        if (c == 0x1b) { // arrows and other escape sequences: not keys of this keyboard
            i = static_cast<ssize_t>(n);
            return std::nullopt;
        }
        std::optional<Summary::Alert> alert = m_simulator.alertOnScreen();
        if (alert) {
            // An alert is modal: only its buttons answer.
            if (c >= '0' && c <= '9' && static_cast<std::size_t>(c - '0') < alert->buttons.size()) {
                m_prompted = false;
                if (!m_simulator.perform({"tap", std::string(1, static_cast<char>(c))}))
                    return 1;
            } else {
                m_prompted = false; // say again what is expected
            }
            return std::nullopt;
        }
        if (c == kUnlockKey)
            return m_simulator.perform({"unlock"}) ? std::nullopt : std::optional<int>(1);
        std::string character;
        if (c == '\r' || c == '\n') {
            character = "\n";
        } else if (c == 0x7f || c >= 0x20) {
            std::size_t length = c == 0x7f ? 1 : sequenceLength(c);
            if (length == 0 || static_cast<std::size_t>(i) + length > n)
                return std::nullopt;
            character.assign(reinterpret_cast<const char*>(bytes + i), length);
            i += static_cast<ssize_t>(length) - 1;
        } else {
            return std::nullopt; // other control keys do nothing
        }
        Clock::time_point now = Clock::now();
        auto since = m_lastKey
                         ? std::chrono::duration_cast<std::chrono::milliseconds>(now - *m_lastKey)
                         : std::chrono::milliseconds(0);
        m_lastKey = now;
        return m_simulator.pressKey(character, since) ? std::nullopt : std::optional<int>(1);
    }

    Simulator& m_simulator;
    bool m_prompted = false;
    std::optional<Clock::time_point> m_lastKey;
};

} // namespace

int runInteractive(Simulator& simulator) {
    RawTerminal terminal(STDIN_FILENO);
    if (!terminal.active()) {
        std::fprintf(stderr, "tapsonata-sim: interactive mode needs a terminal\n");
        return 2;
    }
    return Session(simulator).run();
}

} // namespace sim
