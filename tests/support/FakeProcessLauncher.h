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
        // At once, in one write: the output fits a pipe's buffer, and nobody reads yet.
        if (request.standardOutput >= 0 && !m_output.empty()) {
            const ssize_t written =
                ::write(request.standardOutput, m_output.data(), m_output.size());
            (void)written;
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
