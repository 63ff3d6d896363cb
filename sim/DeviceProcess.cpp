#include "sim/DeviceProcess.h"

#include "audiotoolbox/AudioServices.h"
#include "audiotoolbox/Output.h"
#include "device/Events.h"
#include "device/Loader.h"
#include "device/Random.h"
#include "device/Root.h"
#include "dispatch/Queue.h"
#include "foundation/Log.h"
#include "preferences/Specifier.h"
#include "sim/DeviceLauncher.h"
#include "sim/Layout.h"
#include "sim/SettingsPane.h"
#include "sim/SoundOutput.h"
#include "sim/URLHandlers.h"
#include "springboard/SpringBoard.h"
#include "substrate/Substrate.h"
#include "uikit/AlertView.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

using namespace std::chrono_literals;

// How long `wait` and every command that ends with it may take at most: longer than the
// social request's own bound, so a slow server ends the request first.
constexpr auto kSettleBound = 40s;
// Interactive typing rewrites the WAV now and then rather than on every key.
constexpr unsigned kKeysPerWavFlush = 16;

std::mutex g_outLock;

void writeLine(const std::string& line) {
    std::lock_guard guard(g_outLock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// What reaches the system's own player. It is hooked in before the library loads, so the
// tweak's hook sits in front of it and the tweak's saved function is this: it records exactly
// what the tweak hands on (a note, a click it let through, or 0 for a click it silenced).
void (*g_systemPlayer)(SystemSoundID) = nullptr;

void systemPlayer(SystemSoundID id) {
    device::emit("system_sound", {{"id", id}});
    g_systemPlayer(id);
}

struct ProcessOptions {
    ProcessKind kind = ProcessKind::Keyboard;
    std::string root;
    std::optional<std::uint64_t> seed;
    SoundOptions sound;
    std::chrono::milliseconds pace = 150ms;
};

std::optional<long long> number(const std::string& text) {
    try {
        std::size_t used = 0;
        long long value = std::stoll(text, &used);
        if (used == text.size())
            return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

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
        const std::string& flag = args[i];
        if (flag == "--append-wav") {
            o.sound.appendWav = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = flag + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        std::optional<long long> n = number(value);
        if (flag == "--root")
            o.root = value;
        else if (flag == "--seed" && n && *n >= 0)
            o.seed = static_cast<std::uint64_t>(*n);
        else if (flag == "--out")
            o.sound.out = value;
        else if (flag == "--wav")
            o.sound.wav = value;
        else if (flag == "--volume" && n && *n >= 0 && *n <= 100)
            o.sound.volume = static_cast<int>(*n);
        else if (flag == "--device")
            o.sound.device = value;
        else if (flag == "--latency" && (value == "low" || value == "safe"))
            o.sound.latency = value;
        else if (flag == "--pace" && n && *n >= 0)
            o.pace = std::chrono::milliseconds(*n);
        else {
            error = "bad option: ";
            error.append(flag).append(" ").append(value);
            return std::nullopt;
        }
    }
    if (o.root.empty()) {
        error = "--root is required";
        return std::nullopt;
    }
    return o;
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
        installDeviceLauncher();
        // Only the keyboard makes sounds worth hearing; the others stay silent.
        if (m_options.kind == ProcessKind::Keyboard)
            m_manualClock = openSoundOutput(m_options.sound);
        if (m_options.kind == ProcessKind::SpringBoard)
            springboard::registerClasses();
        if (m_options.kind == ProcessKind::Pane) {
            preferences::registerClasses();
            usePackageManagerOfTheDevice();
        }
        MSHookFunction(&AudioServicesPlaySystemSound, &systemPlayer, &g_systemPlayer);
        device::LoadResult loaded = device::loadTweak();
        if (!loaded.handle) {
            device::emit("load_failed", {{"error", loaded.error}});
            return false;
        }
        if (m_options.kind == ProcessKind::Pane)
            m_pane = std::make_unique<SettingsPane>(loaded.handle);
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
        audio::waitForPendingPlays();
        flushSoundOutput();
    }

private:
    bool obey(const std::string& line) {
        std::vector<std::string> words;
        for (std::size_t start = 0; start <= line.size();) {
            std::size_t space = line.find(' ', start);
            words.push_back(line.substr(start, space == std::string::npos ? space : space - start));
            if (space == std::string::npos)
                break;
            start = space + 1;
        }
        const std::string& verb = words[0];
        auto operand = [&](std::size_t i) { return i < words.size() ? words[i] : std::string(); };
        if (verb == "type") {
            type(hexDecode(operand(1)));
        } else if (verb == "key" || verb == "click") {
            // The time between keys has passed already for real; virtual time catches up.
            if (m_manualClock)
                m_manualClock->advance(std::chrono::milliseconds(number(operand(2)).value_or(0)));
            if (verb == "key")
                press(hexDecode(operand(1)));
            else
                click(number(operand(1)).value_or(-1));
            if (++m_keysSinceFlush >= kKeysPerWavFlush) {
                flushSoundOutput();
                m_keysSinceFlush = 0;
            }
        } else if (verb == "sound") {
            std::optional<long long> id = number(operand(1));
            if (!id || *id < 0 || *id > 0xffffffffLL)
                fail("not a system sound: " + operand(1));
            else
                AudioServicesPlaySystemSound(static_cast<SystemSoundID>(*id));
            settle();
            flushSoundOutput();
        } else if (verb == "unlock") {
            springboard::unlock();
            settle();
        } else if (verb == "tap") {
            tap(number(operand(1)).value_or(-1));
        } else if (verb == "wait") {
            settle();
        } else if (verb == "pane" && m_pane) {
            std::vector<std::string> decoded;
            for (std::size_t i = 1; i < words.size(); ++i)
                decoded.push_back(hexDecode(words[i]));
            m_pane->perform(decoded);
            settle();
        } else if (verb == "quit") {
            return false;
        } else {
            fail("unknown command: " + verb);
        }
        return true;
    }

    static void fail(const std::string& text) { device::emit("error", {{"text", text}}); }

    void type(const std::string& text) {
        bool first = true;
        for (const std::string& character : characters(text)) {
            if (!first)
                passTime(m_options.pace);
            first = false;
            press(character);
        }
        // The pause after the last key, so that the next text starts a key's time later.
        passTime(m_options.pace);
        flushSoundOutput();
    }

    // What the keyboard does on every key press: the click.
    void press(const std::string& character) {
        device::emit("key", {{"text", character}});
        AudioServicesPlaySystemSound(1104);
        audio::waitForPendingPlays();
    }

    // A key press known only by the click it makes.
    void click(long long id) {
        if (id != 1104 && id != 1105) {
            fail("not a key click: " + std::to_string(id));
            return;
        }
        device::emit("key", {{"click", static_cast<int>(id)}});
        AudioServicesPlaySystemSound(static_cast<SystemSoundID>(id));
        audio::waitForPendingPlays();
    }

    void tap(long index) {
        std::vector<objc::Ref<UI::AlertView>> alerts = UI::AlertView::visibleAlerts();
        if (alerts.empty()) {
            fail("no alert to tap");
            return;
        }
        objc::Ref<UI::AlertView> alert = alerts.back();
        if (index < 0 || index >= alert->numberOfButtons()) {
            fail("the alert has no button " + std::to_string(index));
            return;
        }
        alert->tapButtonAtIndex(index);
        settle();
    }

    // Until the main queue and all background work are idle, within a bound. Background work
    // ends before the main queue runs what it queued meanwhile, so the events of a request
    // (its "http") come before those of an alert queued beside it, however slow the answer.
    void settle() {
        const auto deadline = std::chrono::steady_clock::now() + kSettleBound;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const bool idle = dispatch::waitUntilIdle(std::max(left, 0ms));
            if ((dispatch::main().runUntilIdle() == 0 && idle) ||
                std::chrono::steady_clock::now() >= deadline)
                break;
        }
        audio::waitForPendingPlays();
    }

    void passTime(std::chrono::milliseconds by) {
        if (by.count() <= 0)
            return;
        if (m_manualClock)
            m_manualClock->advance(by);
        else
            std::this_thread::sleep_for(by);
        dispatch::main().runUntilIdle();
    }

    // The footer asks dpkg about the tweak's package: the device's dpkg answers, from the
    // device's own package database.
    void usePackageManagerOfTheDevice() const {
        const char* path = std::getenv("PATH");
        std::string bin = (std::filesystem::path(m_options.root) /
                           std::filesystem::path(kDeviceBinPath).relative_path())
                              .string();
        setenv("PATH", (bin + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    }

    ProcessOptions m_options;
    std::shared_ptr<audio::ManualClock> m_manualClock;
    std::unique_ptr<SettingsPane> m_pane;
    unsigned m_keysSinceFlush = 0;
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
