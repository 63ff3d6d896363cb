// Driving tapsonata-sim from a test, as a user would from a shell: a device laid out with
// `tapsonata-sim init` in a temporary folder of the test's own, runs with an event log, the
// events and the WAV files read back, and a real terminal for the modes that need one.
#pragma once

#include "support/EventRecorder.h"
#include "support/TemporaryRoot.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct SimResult {
    int exitCode = -1; // 137 when it did not end by itself in time
    std::string out;
    std::string err;
};

// Runs the simulator with `args` and no terminal, in `directory` when one is given. Ended (and
// a failure) when it runs longer than `limit`.
SimResult runSim(const std::vector<std::string>& args, const std::filesystem::path& directory = {},
                 std::chrono::seconds limit = std::chrono::seconds(120));

using support::Event;
using support::only;
using support::readEvents;
using support::values;
using Strings = std::vector<std::string>;

// The instrument of the note each sound event played; the file itself for a sound no note.
Strings instruments(const std::vector<Event>& sounds);

class SimDevice {
public:
    // `tapsonata-sim init` with these options; the test fails if it does.
    explicit SimDevice(const std::vector<std::string>& initOptions);

    const std::filesystem::path& root() const { return m_device; }
    // A file beside the device, for WAVs and such.
    std::filesystem::path scratch(const std::string& name) const { return m_folder.root() / name; }
    // Writes a file at a device path.
    void write(const std::string& devicePath, const std::string& bytes) const {
        m_folder.write("/device" + devicePath, bytes);
    }

    // `tapsonata-sim run --root ROOT --events LOG` with `--out none` unless `args` choose an
    // output, then `args`. The log is written afresh by each run.
    SimResult run(const std::vector<std::string>& args);
    std::vector<Event> events() const { return readEvents(m_events); }
    std::vector<Event> events(const std::string& name, const std::string& process = "") const {
        return only(events(), name, process);
    }

private:
    TemporaryRoot m_folder;
    std::filesystem::path m_device;
    std::filesystem::path m_events;
};

std::string slurp(const std::filesystem::path& file);
// How often `text` holds `part`, overlaps included.
int occurrences(const std::string& text, const std::string& part);
std::string shellQuoted(const std::string& text);
// Polls until `done` holds; false when the limit passed first.
bool eventually(const std::function<bool()>& done,
                std::chrono::seconds limit = std::chrono::seconds(30));

// A real terminal: a tmux server of the test's own (its own socket) whose one window runs
// `command` and then stays.
class Tmux {
public:
    Tmux(const std::filesystem::path& socket, const std::string& command);
    ~Tmux() { run("kill-server"); }
    Tmux(const Tmux&) = delete;
    Tmux& operator=(const Tmux&) = delete;

    int run(const std::string& arguments) const;
    void type(const std::string& text) const { run("send-keys -l " + shellQuoted(text)); }
    std::string screen() const;
    // Waits until the screen shows `text` that many times (at least once when not given).
    bool shows(const std::string& text, int times = -1) const;

private:
    std::filesystem::path m_socket;
};

// Shell text that shows the exit status and the terminal's modes after a command; what it
// shows after a clean exit that put the terminal back.
inline const std::string kShowTerminal = "; echo \"EXIT=$?\"; stty -a | tr ' ;' '\\n\\n' | "
                                         "grep -x -- '-\\?icanon\\|-\\?echo'";
inline const std::string kTerminalAfter = "EXIT=0\nicanon\necho\n";

inline constexpr long kRate = 44100;
using Samples = std::vector<std::int16_t>;

// The samples of a WAV file as the simulator writes it (16-bit mono PCM at kRate, one data
// chunk); nothing otherwise.
std::optional<Samples> readWav(const std::filesystem::path& file);
// The largest magnitude of any sample.
int peak(const Samples& samples);

} // namespace e2e
