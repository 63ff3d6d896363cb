// What a person watching the simulated device sees, printed as it happens: each key with the
// note it played, alerts drawn as boxes with numbered buttons, the composer, the pane's
// footer and colours, URLs opened, requests sent, processes starting and ending, log lines.
//
// A long text shows progress instead of a line per key: on a terminal a status line kept at
// the bottom and rewritten in place, elsewhere a plain line every few seconds. Errors go to
// the error stream. The tweak's log lines show once each and are then only counted, unless
// verbose; quiet shows nothing but errors and the closing summary.
#pragma once

#include "sim/CommandLine.h"
#include "sim/DeviceProcess.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

class Summary {
public:
    struct Alert {
        ProcessKind owner;
        std::vector<std::string> buttons;
    };

    // Texts of at least this many keys show progress; without a terminal, every this many.
    static constexpr std::size_t kLongText = 40;
    static constexpr std::chrono::seconds kProgressEvery{3};

    explicit Summary(std::FILE* out = stdout, std::FILE* err = stderr,
                     Verbosity verbosity = Verbosity::Normal);

    // A text of `keys` key presses is about to be typed.
    void typing(std::size_t keys);
    void show(const std::string& process, const std::string& line);
    // A line of the simulator's own.
    void say(const std::string& text);
    // A line of the closing summary, shown also when quiet.
    void result(const std::string& text);
    // A process ended: whatever it showed is gone.
    void processEnded(ProcessKind kind);
    void finish();

    // "38 keys, 38 notes, no errors": what the run did, for its closing line.
    std::string totals() const;

    // The newest alert on screen, if any.
    std::optional<Alert> alertOnScreen() const;

private:
    void line(const std::string& text);
    void drawStatus();
    void clearStatus();
    void endKeyLine();
    void showKey(const std::string& what);
    void drawBox(const std::vector<std::string>& body, const std::vector<std::string>& buttons);

    void progress();

    std::FILE* m_out;
    std::FILE* m_err;
    Verbosity m_verbosity;
    bool m_terminal;
    bool m_statusShown = false;
    bool m_outputShown = false;
    std::optional<std::string> m_pendingKey;
    bool m_pendingSilenced = false;
    std::vector<Alert> m_alerts; // oldest first
    std::size_t m_typed = 0;
    std::size_t m_toType = 0;
    std::size_t m_keys = 0, m_notes = 0, m_errors = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
    std::set<std::string> m_logsShown;
    std::size_t m_logsHidden = 0;
};

// The instrument and note of a note's device path ("piano/do1"), or the path itself.
std::string noteName(const std::string& path);
// The width of UTF-8 text on a terminal, one column per character.
std::size_t displayWidth(const std::string& text);

} // namespace sim
