// Driving tapsonata-sim from a test, as a user would from a shell: a device laid out with
// `tapsonata-sim init` in a temporary folder of the test's own, runs with an event log, and
// the events read back.
#pragma once

#include "support/EventRecorder.h"
#include "support/TemporaryRoot.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

struct SimResult {
    int exitCode = -1; // -1 when it did not end by itself in time, or could not start
    std::string out;
    std::string err;
};

// Runs the simulator with `args`, in `directory` when one is given. Ended (and a failure) when
// it runs longer than `limit`.
SimResult runSim(const std::vector<std::string>& args, const std::filesystem::path& directory = {},
                 std::chrono::seconds limit = std::chrono::seconds(120));

using support::Event;
using support::only;
using support::readEvents;

class SimDevice {
public:
    // `tapsonata-sim init` with these options; the test fails if it does.
    explicit SimDevice(const std::vector<std::string>& initOptions);

    const std::filesystem::path& root() const { return m_device; }
    // A file beside the device, for WAVs and such.
    std::filesystem::path scratch(const std::string& name) const { return m_folder.root() / name; }
    // Writes a file at a device path.
    void write(const std::string& devicePath, const std::string& bytes) const;

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

// The text of a JSON array of strings, for comparing with a field.
std::string jsonArray(const std::vector<std::string>& strings);

} // namespace e2e
