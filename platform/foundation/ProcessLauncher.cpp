#include "foundation/ProcessLauncher.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace NS {

namespace {

std::atomic<std::size_t> g_unreaped{0};

// Children whose waiter thread could not be started; polled on later calls instead.
std::mutex g_stragglerLock;
std::vector<pid_t> g_stragglers;

void sweepStragglers() {
    std::lock_guard guard(g_stragglerLock);
    std::erase_if(g_stragglers, [](pid_t pid) {
        int status = 0;
        pid_t result = ::waitpid(pid, &status, WNOHANG);
        if (result == 0 || (result < 0 && errno == EINTR))
            return false;
        g_unreaped.fetch_sub(1, std::memory_order_acq_rel);
        return true;
    });
}

void waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_unreaped.fetch_sub(1, std::memory_order_acq_rel);
}

class PosixSpawnLauncher final : public ProcessLauncher {
public:
    pid_t launch(const LaunchRequest& request) override {
        std::vector<char*> argv;
        for (const std::string& argument : request.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        char** env = environ;
        if (request.environment) {
            for (const std::string& entry : *request.environment)
                envp.push_back(const_cast<char*>(entry.c_str()));
            envp.push_back(nullptr);
            env = envp.data();
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (request.standardInput >= 0)
            posix_spawn_file_actions_adddup2(&actions, request.standardInput, STDIN_FILENO);
        if (request.standardOutput >= 0)
            posix_spawn_file_actions_adddup2(&actions, request.standardOutput, STDOUT_FILENO);
        if (request.standardError >= 0)
            posix_spawn_file_actions_adddup2(&actions, request.standardError, STDERR_FILENO);
        pid_t pid = -1;
        int error = ::posix_spawn(&pid, request.path.c_str(), &actions, nullptr, argv.data(), env);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            errno = error;
            return -1;
        }
        reapInBackground(pid);
        return pid;
    }
};

std::mutex g_launcherLock;
std::shared_ptr<ProcessLauncher> g_launcher;

} // namespace

std::shared_ptr<ProcessLauncher> posixSpawnLauncher() {
    static auto real = std::make_shared<PosixSpawnLauncher>();
    return real;
}

void setProcessLauncher(std::shared_ptr<ProcessLauncher> launcher) {
    std::lock_guard guard(g_launcherLock);
    g_launcher = std::move(launcher);
}

pid_t launchProcess(const LaunchRequest& request) {
    std::shared_ptr<ProcessLauncher> launcher;
    {
        std::lock_guard guard(g_launcherLock);
        launcher = g_launcher;
    }
    return (launcher ? launcher : posixSpawnLauncher())->launch(request);
}

pid_t spawnProcess(const char* path, const char* const argv[], const char* const envp[]) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    LaunchRequest request{path, {}, std::vector<std::string>{}, -1};
    for (const char* const* arg = argv; arg && *arg; ++arg)
        request.arguments.emplace_back(*arg);
    for (const char* const* entry = envp; entry && *entry; ++entry)
        request.environment->emplace_back(*entry);
    return launchProcess(request);
}

void reapInBackground(pid_t pid) {
    if (pid <= 0)
        return;
    sweepStragglers();
    g_unreaped.fetch_add(1, std::memory_order_acq_rel);
    // One small waiter per child: a child that runs long never holds back the reaping of
    // the others, and the caller never waits.
    try {
        std::thread(waitFor, pid).detach();
    } catch (const std::system_error&) {
        std::lock_guard guard(g_stragglerLock);
        g_stragglers.push_back(pid);
    }
}

std::size_t unreapedChildCount() {
    sweepStragglers();
    return g_unreaped.load(std::memory_order_acquire);
}

} // namespace NS
