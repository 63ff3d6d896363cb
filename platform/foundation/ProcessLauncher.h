// Starting programs: the seam every child process of the platform goes through.
//
// The real launcher uses posix_spawn and hands each child to a background waiter, so no child
// is left a zombie and no caller blocks on one. Only the children the platform started are
// waited for (never waitpid(-1), which would steal other code's children). Tests install a
// fake launcher that records what would have run.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace NS {

struct LaunchRequest {
    std::string path;
    // The whole argument vector, argv[0] included.
    std::vector<std::string> arguments;
    // The child's environment; none means the caller's own.
    std::optional<std::vector<std::string>> environment;
    // The descriptors that become the child's standard input, output and error; -1 keeps the
    // caller's.
    int standardInput = -1;
    int standardOutput = -1;
    int standardError = -1;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts the program; its process id, or -1 with errno set when it could not start.
    virtual pid_t launch(const LaunchRequest& request) = 0;
};

// The real launcher, for a launcher of the host's own that hands most requests on.
std::shared_ptr<ProcessLauncher> posixSpawnLauncher();
// Installs a launcher for the whole process; null puts the real one back.
void setProcessLauncher(std::shared_ptr<ProcessLauncher> launcher);
// Starts a program through the launcher in place.
pid_t launchProcess(const LaunchRequest& request);

// posix_spawn's shape, through the launcher in place: argv ends with a null entry; a null
// envp starts the program with an empty environment. No file actions, no attributes. The
// child is reaped in the background. The process id, or -1 with errno set.
pid_t spawnProcess(const char* path, const char* const argv[], const char* const envp[]);

// Hands a child this process started by other means to the background waiter.
void reapInBackground(pid_t pid);
// Children handed to the background waiter that it has not reaped yet.
std::size_t unreapedChildCount();

} // namespace NS
