// A process launcher that starts nothing: it records every request (path, argument vector,
// environment) and, like a tiny program, writes a set output to the requested standard
// output. Install it for a scope with ScopedProcessLauncher.
#pragma once

#include "foundation/ProcessLauncher.h"

#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

class FakeProcessLauncher final : public NS::ProcessLauncher {
public:
    pid_t launch(const NS::LaunchRequest& request) override {
        std::lock_guard guard(m_lock);
        m_requests.push_back(request);
        if (m_error != 0) {
            errno = m_error;
            return -1;
        }
        // At once and in full: the output must fit a pipe's buffer, since nobody reads yet.
        for (std::size_t done = 0; request.standardOutput >= 0 && done < m_output.size();) {
            ssize_t n =
                ::write(request.standardOutput, m_output.data() + done, m_output.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return m_nextPid++;
    }

    // Every request so far, in order. Safe to call while other threads launch.
    std::vector<NS::LaunchRequest> requests() const {
        std::lock_guard guard(m_lock);
        return m_requests;
    }
    // What each later launch writes to its standard output (at most 64 KiB).
    void setOutput(std::string output) {
        std::lock_guard guard(m_lock);
        m_output = std::move(output);
    }
    // Makes later launches fail with this errno value (0: succeed again).
    void failWith(int error) {
        std::lock_guard guard(m_lock);
        m_error = error;
    }

private:
    mutable std::mutex m_lock;
    std::vector<NS::LaunchRequest> m_requests;
    std::string m_output;
    int m_error = 0;
    pid_t m_nextPid = 900000;
};

class ScopedProcessLauncher {
public:
    explicit ScopedProcessLauncher(std::shared_ptr<NS::ProcessLauncher> launcher) {
        NS::setProcessLauncher(std::move(launcher));
    }
    ~ScopedProcessLauncher() { NS::setProcessLauncher(nullptr); }
    ScopedProcessLauncher(const ScopedProcessLauncher&) = delete;
    ScopedProcessLauncher& operator=(const ScopedProcessLauncher&) = delete;
};
