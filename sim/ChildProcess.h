// A simulated process seen from the simulator: a child of the host, commanded through its
// standard input, reporting events on its standard output.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
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

    bool running() const { return m_pid > 0; }
    // Sends a command and waits until the process reports it done (or exits). False if it exited.
    bool command(const std::string& line);
    // Waits until the process has loaded the library (or failed to).
    bool waitUntilLoaded();

private:
    void readEvents(int fd);

    pid_t m_pid = -1;
    int m_toChild = -1;
    EventHandler m_onEvent;
    std::thread m_reader;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::size_t m_done = 0;
    bool m_loaded = false;
    bool m_exited = false;
};

} // namespace sim
