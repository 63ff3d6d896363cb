#include "support/FakeProcessLauncher.h"

#include <cerrno>
#include <stdexcept>
#include <unistd.h>

pid_t FakeProcessLauncher::launch(const NS::LaunchRequest& request) {
    std::lock_guard guard(m_lock);
    m_requests.push_back(request);
    if (m_error != 0) {
        errno = m_error;
        return -1;
    }
    if (request.standardOutput >= 0) {
        for (std::size_t done = 0; done < m_output.size();) {
            ssize_t n =
                ::write(request.standardOutput, m_output.data() + done, m_output.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
    }
    return m_nextPid++;
}

std::vector<NS::LaunchRequest> FakeProcessLauncher::requests() const {
    std::lock_guard guard(m_lock);
    return m_requests;
}

void FakeProcessLauncher::setOutput(std::string output) {
    if (output.size() > 65536)
        throw std::length_error("FakeProcessLauncher output must fit a pipe buffer");
    std::lock_guard guard(m_lock);
    m_output = std::move(output);
}

void FakeProcessLauncher::failWith(int error) {
    std::lock_guard guard(m_lock);
    m_error = error;
}

ScopedProcessLauncher::ScopedProcessLauncher(std::shared_ptr<NS::ProcessLauncher> launcher) {
    NS::setProcessLauncher(std::move(launcher));
}

ScopedProcessLauncher::~ScopedProcessLauncher() {
    NS::setProcessLauncher(nullptr);
}
