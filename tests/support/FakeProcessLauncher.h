// A process launcher that starts nothing: it records every request (path, argument vector,
// environment) and, like a tiny program, writes a set output to the requested standard
// output. Install it for a scope with ScopedProcessLauncher.
#pragma once

#include "foundation/ProcessLauncher.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FakeProcessLauncher final : public NS::ProcessLauncher {
public:
    pid_t launch(const NS::LaunchRequest& request) override;

    // Every request so far, in order. Safe to call while other threads launch.
    std::vector<NS::LaunchRequest> requests() const;
    // What each later launch writes to its standard output, at once and in full. It must fit
    // a pipe's buffer (64 KiB), since nobody reads before launch returns.
    void setOutput(std::string output);
    // Makes later launches fail with this errno value (0: succeed again).
    void failWith(int error);

private:
    mutable std::mutex m_lock;
    std::vector<NS::LaunchRequest> m_requests;
    std::string m_output;
    int m_error = 0;
    pid_t m_nextPid = 900000;
};

class ScopedProcessLauncher {
public:
    explicit ScopedProcessLauncher(std::shared_ptr<NS::ProcessLauncher> launcher);
    ~ScopedProcessLauncher();
    ScopedProcessLauncher(const ScopedProcessLauncher&) = delete;
    ScopedProcessLauncher& operator=(const ScopedProcessLauncher&) = delete;
};
