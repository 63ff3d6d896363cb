// A simulated process seen from the simulator: a child of the host, commanded through its
// standard input, reporting events on its standard output.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace sim {

class ChildProcess {
public:
    using EventHandler = std::function<void(const std::string& line)>;

    // Starts this executable as `process ARGS...`; events go to `onEvent` on a reader thread.
    ChildProcess(const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnvironment, EventHandler onEvent);
    ~ChildProcess(); // quits the process and waits for it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Started, and its report not yet closed.
    bool running() const;
    pid_t pid() const { return m_pid; }
    // Sends a command and waits until the process reports it done (or exits). False if it exited.
    bool command(const std::string& line);
    // Waits for the library to load: true once it has, false when it failed or the process ended.
    bool waitUntilLoaded();
    // Once its report has closed: waits for the process to end and returns its wait status.
    // Nothing when it had not closed its report within `limit`.
    std::optional<int> waitForExit(std::chrono::milliseconds limit);

private:
    void readEvents(int fd);
    int reap();

    pid_t m_pid = -1;
    std::optional<int> m_status;
    int m_toChild = -1;
    EventHandler m_onEvent;
    std::thread m_reader;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::size_t m_done = 0;
    bool m_loaded = false;    // it said "loaded"
    bool m_loadEnded = false; // it said "loaded" or "load_failed"
    bool m_exited = false;
};

} // namespace sim
