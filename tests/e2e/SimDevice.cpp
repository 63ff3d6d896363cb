#include "SimDevice.h"

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

SimResult SimDevice::run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"run", "--root", m_device.string(), "--events",
                                    m_events.string()};
    if (std::find(args.begin(), args.end(), "--out") == args.end())
        all.insert(all.end(), {"--out", "none"});
    all.insert(all.end(), args.begin(), args.end());
    return runSim(all);
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

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
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
        const int n = occurrences(screen(), text);
        return times < 0 ? n > 0 : n == times;
    });
}

std::optional<Samples> readWav(const std::filesystem::path& file) {
    const std::string b = slurp(file);
    auto le = [&](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
        return v;
    };
    // The header the simulator writes, with both sizes matching the file's.
    if (b.size() < 44 || b.compare(0, 4, "RIFF") || b.compare(8, 8, "WAVEfmt ") ||
        b.compare(36, 4, "data") || le(4, 4) != b.size() - 8 || le(40, 4) != b.size() - 44 ||
        le(20, 2) != 1 || le(22, 2) != 1 || le(24, 4) != kRate || le(34, 2) != 16)
        return std::nullopt;
    Samples samples;
    for (std::size_t at = 44; at + 1 < b.size(); at += 2)
        samples.push_back(static_cast<std::int16_t>(le(at, 2)));
    return samples;
}

int peak(const Samples& samples) {
    int p = 0;
    for (std::int16_t s : samples)
        p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

} // namespace e2e
