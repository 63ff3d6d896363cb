#include "SimDevice.h"

#include "device/Events.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

SimResult runSim(const std::vector<std::string>& args, const std::filesystem::path& directory,
                 std::chrono::seconds limit) {
    std::string out = (std::filesystem::temp_directory_path() / "tapsonata-sim-XXXXXX").string();
    close(mkstemp(out.data()));
    // A hung simulator is killed (status 137), never a hung test.
    std::string command =
        "timeout -s KILL " + std::to_string(limit.count()) + " " + shellQuoted(TAPSONATA_SIM);
    for (const std::string& a : args)
        command += " " + shellQuoted(a);
    command += " </dev/null >" + out + " 2>" + out + ".err";
    if (!directory.empty())
        command = "cd " + shellQuoted(directory.string()) + " && " + command;
    const int status = std::system(command.c_str());
    SimResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(out + ".err")};
    std::filesystem::remove(out);
    std::filesystem::remove(out + ".err");
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
    if (std::find(args.begin(), args.end(), "--out") == args.end())
        all.insert(all.end(), {"--out", "none"});
    all.insert(all.end(), args.begin(), args.end());
    return runSim(all);
}

std::string jsonArray(const std::vector<std::string>& strings) {
    return device::JsonValue(strings).text();
}

Strings instruments(const std::vector<Event>& sounds) {
    const std::string notes = "/Library/Application Support/Tapsonata/";
    Strings out = values(sounds, "file");
    for (std::string& file : out)
        if (file.rfind(notes, 0) == 0)
            file = file.substr(notes.size(), file.find('/', notes.size()) - notes.size());
    return out;
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
