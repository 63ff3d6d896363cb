#include "sim/ChildProcess.h"

#include "device/Events.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sim {

ChildProcess::ChildProcess(const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnvironment, EventHandler onEvent)
    : m_onEvent(std::move(onEvent)) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    std::vector<std::string> argv = {"/proc/self/exe", "process"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    cargv.reserve(argv.size() + 1);
    for (auto& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> cenv;
    cenv.reserve(env.size() + 1);
    for (auto& e : env)
        cenv.push_back(e.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    m_pid = pid;
    m_toChild = in[1];
    m_reader = std::thread([this, fd = out[0]] { readEvents(fd); });
}

ChildProcess::~ChildProcess() {
    if (m_toChild >= 0) {
        static const char quit[] = "quit\n";
        (void)!write(m_toChild, quit, sizeof quit - 1);
        close(m_toChild);
    }
    // A process that does not quit in good time is ended; the simulator never hangs on one.
    if (m_pid > 0 && !waitForExit(std::chrono::seconds(20)))
        kill(m_pid, SIGKILL);
    if (m_reader.joinable())
        m_reader.join();
    if (m_pid > 0)
        reap();
}

bool ChildProcess::running() const {
    std::lock_guard guard(m_lock);
    return m_pid > 0 && !m_exited;
}

int ChildProcess::reap() {
    if (!m_status) {
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_status = status;
    }
    return *m_status;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds limit) {
    if (m_pid <= 0)
        return std::nullopt;
    {
        std::unique_lock lock(m_lock);
        if (!m_changed.wait_for(lock, limit, [&] { return m_exited; }))
            return std::nullopt;
    }
    return reap();
}

void ChildProcess::readEvents(int fd) {
    std::string pending;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            std::string event = device::jsonField(line, "event").value_or("");
            if (event == "done") {
                std::lock_guard guard(m_lock);
                ++m_done;
                m_changed.notify_all();
                continue;
            }
            if (event == "loaded" || event == "load_failed") {
                std::lock_guard guard(m_lock);
                m_loaded = event == "loaded";
                m_loadEnded = true;
                m_changed.notify_all();
            }
            m_onEvent(line);
        }
    }
    close(fd);
    std::lock_guard guard(m_lock);
    m_exited = true;
    m_changed.notify_all();
}

bool ChildProcess::waitUntilLoaded() {
    std::unique_lock lock(m_lock);
    // The outcome, whether or not the process has ended since it reported it.
    m_changed.wait(lock, [&] { return m_loadEnded || m_exited; });
    return m_loaded;
}

bool ChildProcess::command(const std::string& line) {
    if (m_toChild < 0)
        return false;
    std::size_t before;
    {
        std::lock_guard guard(m_lock);
        before = m_done;
    }
    std::string text = line + "\n";
    if (write(m_toChild, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return false;
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return m_done > before || m_exited; });
    return m_done > before;
}

} // namespace sim
