#include "SimDevice.h"

#include "device/Events.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace {

// What a process wrote to a memory file, read back from its start.
std::string contents(int fd) {
    std::string text;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

} // namespace

SimResult runSim(const std::vector<std::string>& args, const std::filesystem::path& directory,
                 std::chrono::seconds limit) {
    SimResult result;
    const int out = memfd_create("out", MFD_CLOEXEC), err = memfd_create("err", MFD_CLOEXEC);
    std::vector<std::string> argv = {TAPSONATA_SIM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, TAPSONATA_SIM, &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (rc == 0 && waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL); // a hung simulator is a failure, never a hung test
            waitpid(pid, &status, 0);
            status = -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (rc == 0 && status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = contents(out);
    result.err = contents(err);
    return result;
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

std::string jsonArray(const std::vector<std::string>& strings) {
    return device::JsonValue(strings).text();
}

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool eventually(const std::function<bool()>& done, std::chrono::seconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

Tmux::Tmux(const std::filesystem::path& socket, const std::string& command) : m_socket(socket) {
    EXPECT_EQ(
        run("-f /dev/null new-session -d -x 150 -y 60 " + shellQuoted(command + "; sleep 60")), 0);
}

int Tmux::run(const std::string& arguments) const {
    return std::system(("tmux -S " + shellQuoted(m_socket.string()) + " " + arguments).c_str());
}

std::string Tmux::screen() const {
    const std::filesystem::path file = m_socket.string() + ".screen";
    run("capture-pane -p -S -200 > " + shellQuoted(file.string()));
    return slurp(file);
}

bool Tmux::shows(const std::string& text, int times) const {
    return eventually([&] {
        std::string now = screen();
        int n = 0;
        for (auto at = now.find(text); at != std::string::npos; at = now.find(text, at + 1))
            ++n;
        return times < 0 ? n > 0 : n == times;
    });
}

} // namespace e2e
