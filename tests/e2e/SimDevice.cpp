#include "SimDevice.h"

#include "device/Events.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

namespace {

void readInto(int fd, std::string& into, bool& open) {
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0 || errno != EINTR)
        open = false;
}

} // namespace

SimResult runSim(const std::vector<std::string>& args, const std::filesystem::path& directory,
                 std::chrono::seconds limit) {
    SimResult result;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    std::vector<std::string> argv = {TAPSONATA_SIM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    cargv.reserve(argv.size() + 1);
    for (std::string& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, TAPSONATA_SIM, &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    auto deadline = std::chrono::steady_clock::now() + limit;
    bool outOpen = true, errOpen = true, late = false;
    while (outOpen || errOpen) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            late = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            readInto(out[0], result.out, outOpen);
        if (fds[1].revents)
            readInto(err[0], result.err, errOpen);
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!late && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

std::optional<std::string> Event::field(const std::string& key) const {
    return device::jsonField(line, key);
}

std::vector<Event> readEvents(const std::filesystem::path& file) {
    std::vector<Event> events;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            events.push_back({line});
    return events;
}

std::vector<Event> only(const std::vector<Event>& events, const std::string& name,
                        const std::string& process) {
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.name() == name && (process.empty() || e.process() == process))
            out.push_back(e);
    return out;
}

SimDevice::SimDevice(const std::vector<std::string>& initOptions)
    : m_device(m_folder.root() / "device"), m_events(m_folder.root() / "events.jsonl") {
    std::vector<std::string> args = {"init", m_device.string()};
    args.insert(args.end(), initOptions.begin(), initOptions.end());
    SimResult init = runSim(args);
    EXPECT_EQ(init.exitCode, 0) << init.err;
}

void SimDevice::write(const std::string& devicePath, const std::string& bytes) const {
    std::filesystem::path file = m_device / std::filesystem::path(devicePath).relative_path();
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

SimResult SimDevice::run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"run", "--root", m_device.string(), "--events",
                                    m_events.string()};
    bool outputChosen = false;
    for (const std::string& a : args)
        outputChosen = outputChosen || a == "--out";
    if (!outputChosen)
        all.insert(all.end(), {"--out", "none"});
    all.insert(all.end(), args.begin(), args.end());
    return runSim(all);
}

std::string notePath(const std::string& instrument, const std::string& note) {
    return "/Library/Application Support/Tapsonata/" + instrument + "/" + note + ".mp3";
}

std::string jsonArray(const std::vector<std::string>& strings) {
    return device::JsonValue(strings).text();
}

} // namespace e2e
