#include "sim/DeviceProcess.h"

#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/Clock.h"
#include "audiotoolbox/OpenALOutput.h"
#include "audiotoolbox/Output.h"
#include "audiotoolbox/WavOutput.h"
#include "device/Events.h"
#include "device/Loader.h"
#include "device/Random.h"
#include "device/Root.h"
#include "dispatch/Queue.h"
#include "foundation/Log.h"
#include "sim/Layout.h"
#include "sim/URLHandlers.h"
#include "springboard/SpringBoard.h"
#include "uikit/AlertView.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

using namespace std::chrono_literals;

std::mutex g_outLock;

void writeLine(const std::string& line) {
    std::lock_guard guard(g_outLock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct ProcessOptions {
    ProcessKind kind = ProcessKind::Keyboard;
    std::string root;
    std::optional<std::uint64_t> seed;
    std::string out = "none";
    std::optional<std::string> wav; // with --out live: a copy of what is heard
    std::chrono::milliseconds pace = 150ms;
};

std::optional<ProcessOptions> parse(const std::vector<std::string>& args, std::string& error) {
    ProcessOptions o;
    if (args.empty()) {
        error = "which process?";
        return std::nullopt;
    }
    if (args[0] == "keyboard")
        o.kind = ProcessKind::Keyboard;
    else if (args[0] == "springboard")
        o.kind = ProcessKind::SpringBoard;
    else if (args[0] == "pane")
        o.kind = ProcessKind::Pane;
    else {
        error = "unknown process: " + args[0];
        return std::nullopt;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        auto value = [&]() -> std::string {
            return i + 1 < args.size() ? args[++i] : std::string();
        };
        if (args[i] == "--root")
            o.root = value();
        else if (args[i] == "--seed")
            o.seed = std::stoull(value());
        else if (args[i] == "--out")
            o.out = value();
        else if (args[i] == "--wav")
            o.wav = value();
        else if (args[i] == "--pace")
            o.pace = std::chrono::milliseconds(std::stol(value()));
        else {
            error = "unknown option: " + args[i];
            return std::nullopt;
        }
    }
    if (o.root.empty()) {
        error = "--root is required";
        return std::nullopt;
    }
    return o;
}

// Decodes one UTF-8 character at a time, so that each key press is one character.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80         ? 1
                             : (lead >> 5) == 6  ? 2
                             : (lead >> 4) == 14 ? 3
                             : (lead >> 3) == 30 ? 4
                                                 : 1;
        out.push_back(text.substr(i, length));
        i += length;
    }
    return out;
}

class Device {
public:
    explicit Device(const ProcessOptions& options) : m_options(options) {}

    bool start() {
        device::setRoot(m_options.root);
        dispatch::setMainThread();
        device::setEventSink(writeLine);
        // Log lines travel as events; the simulator prints them where a person can read them.
        NS::setLogSink([](int, const std::string&) {});
        if (m_options.seed)
            device::setRandomSource(device::seededRandomSource(*m_options.seed));
        installURLHandlers();
        openOutput();
        if (m_options.kind == ProcessKind::SpringBoard)
            springboard::registerClasses();
        device::LoadResult loaded = device::loadTweak();
        if (!loaded.handle) {
            device::emit("load_failed", {{"error", loaded.error}});
            return false;
        }
        device::emit("loaded", {});
        return true;
    }

    // Runs the main queue while waiting for the next command.
    void serve() {
        std::string line;
        for (;;) {
            dispatch::main().runUntilIdle();
            pollfd in{STDIN_FILENO, POLLIN, 0};
            if (poll(&in, 1, 5) <= 0)
                continue;
            if (!std::getline(std::cin, line))
                break;
            if (!obey(line))
                break;
            writeLine("{\"event\":\"done\"}");
        }
        finish();
    }

private:
    bool obey(const std::string& line) {
        std::string verb = line.substr(0, line.find(' '));
        std::string argument =
            line.size() > verb.size() ? line.substr(verb.size() + 1) : std::string();
        if (verb == "type") {
            type(hexDecode(argument));
        } else if (verb == "sound") {
            AudioServicesPlaySystemSound(static_cast<SystemSoundID>(std::stoul(argument)));
            settle();
        } else if (verb == "unlock") {
            springboard::unlock();
            settle();
        } else if (verb == "tap") {
            tap(std::stol(argument));
        } else if (verb == "wait") {
            settle();
        } else if (verb == "quit") {
            return false;
        } else {
            device::emit("error", {{"text", "unknown command: " + verb}});
        }
        return true;
    }

    void type(const std::string& text) {
        for (const std::string& character : characters(text)) {
            device::emit("key", {{"text", character}});
            // What the keyboard does on every key press.
            AudioServicesPlaySystemSound(1104);
            audio::waitForPendingPlays();
            passTime(m_options.pace);
        }
    }

    void tap(long index) {
        std::vector<objc::Ref<UI::AlertView>> alerts = UI::AlertView::visibleAlerts();
        if (alerts.empty()) {
            device::emit("error", {{"text", "no alert to tap"}});
            return;
        }
        alerts.back()->tapButtonAtIndex(index);
        settle();
    }

    // Until the main queue and all background work are idle, within a bound.
    void settle() {
        auto deadline = std::chrono::steady_clock::now() + 40s;
        do {
            dispatch::main().runUntilIdle();
            if (dispatch::waitUntilIdle(20ms) && dispatch::main().empty())
                break;
        } while (std::chrono::steady_clock::now() < deadline);
        audio::waitForPendingPlays();
    }

    void passTime(std::chrono::milliseconds by) {
        if (m_manualClock)
            m_manualClock->advance(by);
        else
            std::this_thread::sleep_for(by);
        dispatch::main().runUntilIdle();
    }

    void openOutput() {
        const std::string& out = m_options.out;
        if (out == "none") {
            audio::setOutput(nullptr);
        } else if (out == "live") {
            std::shared_ptr<audio::Output> live = audio::OpenALOutput::openDefaultDevice();
            std::shared_ptr<audio::Output> wav;
            if (m_options.wav)
                wav = std::make_shared<audio::WavOutput>(*m_options.wav);
            if (live && wav)
                audio::setOutput(std::make_shared<audio::TeeOutput>(std::vector{live, wav}));
            else
                audio::setOutput(live ? live : wav);
            device::emit("output", {{"kind", audio::output()->kind()}});
        } else {
            // A file alone renders in virtual time: exact, and faster than real time.
            m_manualClock = std::make_shared<audio::ManualClock>();
            audio::setClock(m_manualClock);
            audio::setOutput(std::make_shared<audio::WavOutput>(out));
        }
    }

    void finish() {
        audio::waitForPendingPlays();
        if (auto output = audio::output())
            output->finish();
    }

    ProcessOptions m_options;
    std::shared_ptr<audio::ManualClock> m_manualClock;
};

} // namespace

const char* processName(ProcessKind kind) {
    switch (kind) {
    case ProcessKind::Keyboard:
        return "keyboard";
    case ProcessKind::SpringBoard:
        return "springboard";
    case ProcessKind::Pane:
        return "pane";
    }
    return "?";
}

std::string hexEncode(const std::string& text) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

std::string hexDecode(const std::string& hex) {
    auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1]));
    return out;
}

int processMain(const std::vector<std::string>& args) {
    std::string error;
    std::optional<ProcessOptions> options = parse(args, error);
    if (!options) {
        std::fprintf(stderr, "tapsonata-sim process: %s\n", error.c_str());
        return 2;
    }
    Device device(*options);
    if (!device.start())
        return 1;
    device.serve();
    return 0;
}

} // namespace sim
