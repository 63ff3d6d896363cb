#include "sim/DeviceLauncher.h"

#include "device/Events.h"
#include "foundation/ProcessLauncher.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <unistd.h>

namespace sim {

namespace {

class DeviceLauncher final : public NS::ProcessLauncher {
public:
    pid_t launch(const NS::LaunchRequest& request) override {
        if (request.path == kKillallPath) {
            device::emit("spawn", {{"path", request.path}, {"arguments", request.arguments}});
            // It runs in the simulator, the parent of this process.
            return getppid();
        }
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
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (request.standardOutput >= 0)
            posix_spawn_file_actions_adddup2(&actions, request.standardOutput, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        int error = posix_spawn(&pid, request.path.c_str(), &actions, nullptr, argv.data(), env);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            errno = error;
            return -1;
        }
        NS::reapInBackground(pid);
        return pid;
    }
};

} // namespace

void installDeviceLauncher() {
    NS::setProcessLauncher(std::make_shared<DeviceLauncher>());
}

} // namespace sim
