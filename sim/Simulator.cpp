#include "sim/Simulator.h"

#include "device/Events.h"
#include "foundation/Collections.h"
#include "sim/Interactive.h"
#include "sim/KillAll.h"
#include "sim/Layout.h"
#include "social/OAuth.h"

#include <cstdio>
#include <filesystem>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>

namespace sim {

namespace {

using namespace std::chrono_literals;

constexpr auto kEndingBound = 5s;

std::string exitLine(int status) {
    return device::eventLine(
        "exit", {{"status", WIFEXITED(status) ? device::JsonValue(WEXITSTATUS(status)) : nullptr},
                 {"signal", WIFSIGNALED(status) ? device::JsonValue(WTERMSIG(status)) : nullptr}});
}

std::string describe(const Action& action) {
    std::string text;
    for (const std::string& word : action)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

Simulator::Simulator(RunOptions options)
    : m_options(std::move(options)), m_summary(stdout, stderr, m_options.verbosity) {
    device::beginRun(); // the processes started from here share its origin for their "t"
    if (m_options.events)
        m_events.open(*m_options.events, std::ios::trunc);
    if (m_options.api == "local")
        m_api = std::make_unique<ApiStub>(
            [this](const ApiRequest& r) { onApiRequest(r); },
            [this](ApiRequest& r) {
                return m_api->twitter(r, [this](const std::string& token) {
                    auto account = accountWithToken(token);
                    return account ? std::optional(account->second) : std::nullopt;
                });
            });
}

Simulator::~Simulator() {
    m_processes.clear();
    m_api.reset();
}

bool Simulator::ready() {
    if (m_options.events && !m_events.is_open()) {
        std::fprintf(stderr, "tapsonata-sim: cannot write %s\n", m_options.events->c_str());
        return false;
    }
    if (m_api && !m_api->listening()) {
        std::fprintf(stderr, "tapsonata-sim: the API stand-in could not listen\n");
        return false;
    }
    return true;
}

int Simulator::run() {
    if (!ready())
        return 1;
    bool ok = true;
    for (const Action& action : m_options.actions) {
        if (!perform(action)) {
            std::fprintf(stderr, "tapsonata-sim run: could not carry out: %s\n",
                         describe(action).c_str());
            ok = false;
            break;
        }
    }
    return finish(ok);
}

int Simulator::finish(bool ok) {
    m_processes.clear(); // each quits, and the keyboard app writes out its WAV
    std::lock_guard guard(m_lock);
    m_summary.finish();
    std::string closing = "  " + m_summary.totals();
    if (std::optional<std::string> wav = wavFile()) {
        std::error_code ec;
        auto bytes = std::filesystem::file_size(*wav, ec);
        if (ec || bytes < 44) {
            std::fprintf(stderr, "tapsonata-sim run: %s was not written\n", wav->c_str());
            return 1;
        }
        char text[64];
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(bytes - 44) / 2 / 44100);
        closing += "; wrote " + *wav + " (" + text + " of sound)";
    }
    m_summary.result(closing);
    return ok && !m_failed ? 0 : 1;
}

std::optional<std::string> Simulator::wavFile() const {
    std::optional<std::string> out = m_options.wavOut();
    return out ? out : m_options.wav;
}

void Simulator::record(const std::string& process, const std::string& line) {
    std::string tagged = device::withField(line, "process", process);
    std::string event = device::jsonField(line, "event").value_or("");
    std::lock_guard guard(m_lock);
    if (m_events.is_open()) {
        m_events << tagged << '\n';
        m_events.flush();
    }
    m_summary.show(process, line);
    if (event == "error" || event == "load_failed")
        m_failed = true;
    if (event == "spawn" && device::jsonField(line, "path").value_or("") == "/usr/bin/killall") {
        std::vector<std::string> arguments = device::jsonStrings(line, "arguments");
        m_killRequests.push_back(std::move(arguments));
    }
}

void Simulator::say(const std::string& text) {
    std::lock_guard guard(m_lock);
    m_summary.say(text);
}

std::optional<Summary::Alert> Simulator::alertOnScreen() const {
    std::lock_guard guard(m_lock);
    return m_summary.alertOnScreen();
}

ChildProcess* Simulator::process(ProcessKind kind) {
    std::unique_ptr<ChildProcess>& slot = m_processes[kind];
    if (slot && slot->running())
        return slot.get();
    if (slot) {
        processEnded(kind, slot->waitForExit(kEndingBound).value_or(0));
        slot.reset();
    }
    const char* name = processName(kind);
    std::vector<std::string> args = {name, "--root", m_options.root, "--pace", m_options.pace};
    if (m_options.seed)
        args.insert(args.end(), {"--seed", *m_options.seed});
    if (kind == ProcessKind::Keyboard) {
        args.insert(args.end(), {"--out", m_options.out.value_or("live")});
        if (m_options.wav)
            args.insert(args.end(), {"--wav", *m_options.wav});
        args.insert(args.end(),
                    {"--volume", std::to_string(m_options.mute ? 0 : m_options.volume)});
        if (m_options.device)
            args.insert(args.end(), {"--device", *m_options.device});
        if (m_options.latency)
            args.insert(args.end(), {"--latency", *m_options.latency});
        // A keyboard app started again goes on with the WAV its predecessor wrote.
        if (m_started.count(kind) && wavFile())
            args.emplace_back("--append-wav");
    }
    std::vector<std::string> environment;
    if (m_api)
        environment.push_back("TAPSONATA_TWITTER_API=" + m_api->base());
    else if (m_options.api)
        environment.push_back("TAPSONATA_TWITTER_API=" + *m_options.api);
    slot = std::make_unique<ChildProcess>(
        args, environment, [this, name](const std::string& line) { record(name, line); });
    if (!slot->running() || !slot->waitUntilLoaded()) {
        std::fprintf(stderr, "tapsonata-sim: the %s process did not start\n", name);
        slot.reset();
        return nullptr;
    }
    m_started.insert(kind);
    return slot.get();
}

bool Simulator::send(ProcessKind kind, const std::string& command) {
    ChildProcess* child = process(kind);
    if (!child)
        return false;
    if (child->command(command))
        return true;
    // It ended while it was at it.
    processEnded(kind, child->waitForExit(kEndingBound).value_or(0));
    m_processes.erase(kind);
    return false;
}

void Simulator::stop(ProcessKind kind) {
    m_processes.erase(kind);
    std::lock_guard guard(m_lock);
    m_summary.processEnded(kind);
}

void Simulator::processEnded(ProcessKind kind, int status) {
    record(processName(kind), exitLine(status));
    std::lock_guard guard(m_lock);
    m_summary.processEnded(kind);
}

bool Simulator::perform(const Action& action) {
    const std::string& verb = action[0];
    auto operand = [&](std::size_t i) { return i < action.size() ? action[i] : std::string(); };
    if (verb == "relaunch") {
        ProcessKind kind = processNamed(operand(1)).value_or(ProcessKind::SpringBoard);
        stop(kind);
        return process(kind) != nullptr;
    }
    if (verb == "wait") {
        bool ok = true;
        for (ProcessKind kind :
             {ProcessKind::Keyboard, ProcessKind::SpringBoard, ProcessKind::Pane})
            if (auto it = m_processes.find(kind); it != m_processes.end() && it->second->running())
                ok = send(kind, "wait") && ok;
        return ok;
    }
    if (verb == "type") {
        {
            std::lock_guard guard(m_lock);
            m_summary.typing(characters(action[1]).size());
        }
        return send(ProcessKind::Keyboard, "type " + hexEncode(action[1]));
    }
    if (verb == "sound")
        return send(ProcessKind::Keyboard, "sound " + action[1]);
    if (verb == "unlock")
        return send(ProcessKind::SpringBoard, "unlock");
    if (verb == "tap") {
        std::optional<Summary::Alert> alert = alertOnScreen();
        return send(alert ? alert->owner : ProcessKind::SpringBoard, "tap " + action[1]);
    }
    if (verb == "pane") {
        std::string command = "pane";
        for (std::size_t i = 1; i < action.size(); ++i)
            command += " " + hexEncode(action[i]);
        bool ok = send(ProcessKind::Pane, command);
        carryOutKillRequests();
        return ok;
    }
    if (verb == "echo") {
        say(action[1]);
        return true;
    }
    if (verb == "interactive")
        return runInteractive(*this) == 0;
    return false;
}

bool Simulator::pressKey(const std::string& character, std::chrono::milliseconds sincePrevious) {
    return send(ProcessKind::Keyboard,
                "key " + hexEncode(character) + " " + std::to_string(sincePrevious.count()));
}

bool Simulator::pressClick(unsigned click, std::chrono::milliseconds sincePrevious) {
    return send(ProcessKind::Keyboard,
                "click " + std::to_string(click) + " " + std::to_string(sincePrevious.count()));
}

void Simulator::carryOutKillRequests() {
    std::vector<std::vector<std::string>> requests;
    {
        std::lock_guard guard(m_lock);
        std::swap(requests, m_killRequests);
    }
    for (const std::vector<std::string>& arguments : requests) {
        KillRequest request = parseKillall(arguments);
        std::optional<std::string> problem;
        ProcessKind kind = ProcessKind::Keyboard;
        bool found = false;
        if (std::optional<ProcessKind> named =
                request.name ? processNamed(*request.name) : std::nullopt) {
            kind = *named;
            auto it = m_processes.find(kind);
            found = it != m_processes.end() && it->second->running();
        }
        if (!request.signal)
            problem = "unknown signal: " + (arguments.size() > 1 ? arguments[1] : std::string());
        else if (!request.name)
            problem = "no process name given";
        else if (stopsProcess(*request.signal))
            problem = "stopping a process is not simulated";
        std::vector<std::string> matched;
        if (!problem && found)
            matched.push_back(processName(kind));
        record("simulator",
               device::eventLine("killall",
                                 {{"signal", request.signal ? device::JsonValue(*request.signal)
                                                            : device::JsonValue(nullptr)},
                                  {"name", request.name},
                                  {"signalled", matched},
                                  {"problem", problem}}));
        if (problem || !found)
            continue;
        ChildProcess& child = *m_processes[kind];
        ::kill(child.pid(), *request.signal);
        if (!endsProcess(*request.signal))
            continue;
        if (std::optional<int> status = child.waitForExit(kEndingBound)) {
            processEnded(kind, *status);
            m_processes.erase(kind);
        }
    }
}

std::optional<std::pair<std::string, SL::OAuth::Credentials>>
Simulator::accountWithToken(const std::string& token) const {
    std::ifstream in(std::filesystem::path(m_options.root) /
                     std::filesystem::path(kAccountsPath).relative_path());
    std::stringstream bytes;
    bytes << in.rdbuf();
    objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(bytes.str());
    auto* file = dynamic_cast<NS::Dictionary*>(root.get());
    auto* accounts =
        file ? dynamic_cast<NS::Array*>(file->objectForKey("accounts").get()) : nullptr;
    auto text = [](NS::Dictionary* entry, const char* key) {
        objc::RefPtr<objc::Object> value = entry ? entry->objectForKey(key) : nullptr;
        return value ? value->description() : std::string();
    };
    for (std::size_t i = 0; accounts && i < accounts->count() && !token.empty(); ++i) {
        auto* entry = dynamic_cast<NS::Dictionary*>(accounts->objectAtIndex(i).get());
        if (text(entry, "token") == token && !text(entry, "username").empty())
            return std::pair(text(entry, "username"),
                             SL::OAuth::Credentials{text(entry, "consumerKey"),
                                                    text(entry, "consumerSecret"), token,
                                                    text(entry, "tokenSecret")});
    }
    return std::nullopt;
}

void Simulator::onApiRequest(const ApiRequest& request) {
    auto account = accountWithToken(ApiStub::oauthParameter(request, "oauth_token"));
    std::vector<std::pair<std::string, device::JsonValue>> params;
    for (const auto& [name, value] : SL::OAuth::parseForm(request.body))
        params.emplace_back(name, device::JsonValue(value));
    std::string path = request.target.substr(0, request.target.find('?'));
    record("api", device::eventLine(
                      "api", {{"method", request.method},
                              {"path", path},
                              {"params", device::JsonValue::object(params)},
                              {"account", account ? std::optional(account->first) : std::nullopt},
                              {"status", request.status}}));
}

} // namespace sim
