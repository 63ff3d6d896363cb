#include "sim/Run.h"

#include "device/Events.h"
#include "sim/ChildProcess.h"
#include "sim/DeviceProcess.h"
#include "sim/Summary.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace sim {

namespace {

struct RunOptions {
    std::string root;
    std::optional<std::string> events;
    std::optional<std::string> seed;
    std::string out = "none";
    std::optional<std::string> wav;
    std::string pace = "150";
    std::optional<std::string> api;
    std::vector<std::vector<std::string>> actions;
};

bool isAction(const std::string& word) {
    return word == "type" || word == "unlock" || word == "tap" || word == "wait" ||
           word == "relaunch" || word == "sound" || word == "pane";
}

std::optional<RunOptions> parse(const std::vector<std::string>& args, std::string& error) {
    RunOptions o;
    std::size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        const std::string& flag = args[i];
        if (i + 1 >= args.size()) {
            error = flag + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (flag == "--root")
            o.root = value;
        else if (flag == "--events")
            o.events = value;
        else if (flag == "--seed")
            o.seed = value;
        else if (flag == "--out")
            o.out = value;
        else if (flag == "--wav")
            o.wav = value;
        else if (flag == "--pace")
            o.pace = value;
        else if (flag == "--api")
            o.api = value;
        else {
            error = "unknown option: " + flag;
            return std::nullopt;
        }
    }
    if (o.root.empty()) {
        error = "--root is required";
        return std::nullopt;
    }
    while (i < args.size()) {
        std::vector<std::string> action{args[i++]};
        if (!isAction(action[0])) {
            error = "unknown action: " + action[0];
            return std::nullopt;
        }
        std::size_t operands =
            action[0] == "type" || action[0] == "tap" || action[0] == "sound" ? 1 : 0;
        if (action[0] == "pane")
            while (i < args.size() && !isAction(args[i]))
                action.push_back(args[i++]);
        for (std::size_t k = 0; k < operands; ++k) {
            if (i >= args.size()) {
                error = action[0] + " needs an argument";
                return std::nullopt;
            }
            action.push_back(args[i++]);
        }
        o.actions.push_back(std::move(action));
    }
    return o;
}

class Simulator {
public:
    explicit Simulator(RunOptions options) : m_options(std::move(options)) {
        if (m_options.events) {
            m_events.open(*m_options.events, std::ios::trunc);
        }
    }

    int run() {
        for (const auto& action : m_options.actions)
            if (!perform(action))
                return 1;
        m_processes.clear();
        m_summary.finish();
        return 0;
    }

private:
    // Every event line gets the name of the process it came from.
    void record(const char* process, const std::string& line) {
        std::string tagged = line;
        if (!tagged.empty() && tagged.back() == '}')
            tagged.insert(tagged.size() - 1, ",\"process\":" + device::jsonQuote(process));
        std::lock_guard guard(m_lock);
        if (m_events.is_open()) {
            m_events << tagged << '\n';
            m_events.flush();
        }
        m_summary.show(process, line);
    }

    ChildProcess* process(ProcessKind kind) {
        std::unique_ptr<ChildProcess>& slot = m_processes[kind];
        if (slot && slot->running())
            return slot.get();
        const char* name = processName(kind);
        std::vector<std::string> args = {name, "--root", m_options.root, "--pace", m_options.pace};
        if (m_options.seed)
            args.insert(args.end(), {"--seed", *m_options.seed});
        // Only the keyboard makes sounds worth hearing; the others stay silent.
        args.insert(args.end(), {"--out", kind == ProcessKind::Keyboard ? m_options.out : "none"});
        if (kind == ProcessKind::Keyboard && m_options.wav)
            args.insert(args.end(), {"--wav", *m_options.wav});
        std::vector<std::string> environment;
        if (m_options.api)
            environment.push_back("TAPSONATA_TWITTER_API=" + *m_options.api);
        slot = std::make_unique<ChildProcess>(
            args, environment, [this, name](const std::string& line) { record(name, line); });
        if (!slot->waitUntilLoaded()) {
            std::fprintf(stderr, "tapsonata-sim: the %s process did not start\n", name);
            slot.reset();
            return nullptr;
        }
        return slot.get();
    }

    bool perform(const std::vector<std::string>& action) {
        const std::string& verb = action[0];
        if (verb == "relaunch") {
            m_processes.erase(ProcessKind::SpringBoard);
            return process(ProcessKind::SpringBoard) != nullptr;
        }
        if (verb == "wait") {
            for (auto& [kind, child] : m_processes)
                child->command("wait");
            return true;
        }
        ProcessKind kind = ProcessKind::Keyboard;
        std::string command = verb;
        if (verb == "type") {
            command = "type " + hexEncode(action[1]);
            m_summary.typing(action[1]);
        } else if (verb == "sound") {
            command = "sound " + action[1];
        } else if (verb == "unlock") {
            kind = ProcessKind::SpringBoard;
        } else if (verb == "tap") {
            kind = m_summary.alertOwner().value_or(ProcessKind::SpringBoard);
            command = "tap " + action[1];
        } else if (verb == "pane") {
            kind = ProcessKind::Pane;
            command = "pane";
            for (std::size_t i = 1; i < action.size(); ++i)
                command += " " + hexEncode(action[i]);
        }
        ChildProcess* child = process(kind);
        return child && child->command(command);
    }

    RunOptions m_options;
    std::mutex m_lock;
    std::ofstream m_events;
    Summary m_summary;
    std::map<ProcessKind, std::unique_ptr<ChildProcess>> m_processes;
};

} // namespace

int runMain(const std::vector<std::string>& args) {
    std::string error;
    std::optional<RunOptions> options = parse(args, error);
    if (!options) {
        std::fprintf(stderr, "tapsonata-sim run: %s\n", error.c_str());
        return 2;
    }
    return Simulator(std::move(*options)).run();
}

} // namespace sim
