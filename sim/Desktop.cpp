#include "sim/Desktop.h"

#include "sim/KeySource.h"
#include "sim/Layout.h"
#include "sim/Run.h"
#include "sim/Simulator.h"
#include "sim/Terminal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A settings file is often written in more than one step; the keyboard app starts again once
// the folder has been quiet this long.
constexpr auto kSettle = 150ms;

// Signals reach the loop through a pipe: the handler only writes the signal's number.
int g_signals[2] = {-1, -1};

void onSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    (void)!write(g_signals[1], &byte, 1);
    errno = saved;
}

class Signals {
public:
    Signals() {
        if (pipe2(g_signals, O_NONBLOCK | O_CLOEXEC) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kHandled); ++i)
            sigaction(kHandled[i], &action, &m_saved[i]);
    }
    ~Signals() {
        for (std::size_t i = 0; i < std::size(kHandled); ++i)
            sigaction(kHandled[i], &m_saved[i], nullptr);
        close(g_signals[0]);
        close(g_signals[1]);
        g_signals[0] = g_signals[1] = -1;
    }
    Signals(const Signals&) = delete;
    Signals& operator=(const Signals&) = delete;

    int fd() const { return g_signals[0]; }
    // The next signal that arrived, or 0.
    static int next() {
        unsigned char byte = 0;
        return read(g_signals[0], &byte, 1) == 1 ? byte : 0;
    }

private:
    static constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_saved[std::size(kHandled)]{};
};

// The folder of the settings file, watched for the file being written, replaced or removed.
class SettingsWatch {
public:
    explicit SettingsWatch(const std::filesystem::path& root)
        : m_file(std::filesystem::path(kSettingsPath).filename().string()),
          m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        std::filesystem::path folder =
            root / std::filesystem::path(kSettingsPath).parent_path().relative_path();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (m_fd >= 0 &&
            inotify_add_watch(m_fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~SettingsWatch() {
        if (m_fd >= 0)
            close(m_fd);
    }
    SettingsWatch(const SettingsWatch&) = delete;
    SettingsWatch& operator=(const SettingsWatch&) = delete;

    int fd() const { return m_fd; }
    // Whether the settings file changed since the last call.
    bool changed() {
        bool changed = false;
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while (m_fd >= 0 && (n = read(m_fd, buffer, sizeof buffer)) > 0)
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                changed = changed || (event->len > 0 && m_file == event->name);
            }
        return changed;
    }

private:
    std::string m_file;
    int m_fd;
};

int failure(const std::string& text) {
    std::fprintf(stderr, "tapsonata-sim desktop: %s\n", text.c_str());
    return 1;
}

class Session {
public:
    Session(Simulator& simulator, KeySource& keys, SettingsWatch& settings, bool terminal)
        : m_simulator(simulator), m_keys(keys), m_settings(settings), m_terminal(terminal) {}

    // Until asked to stop: 0, or 1 when the keyboard app could not be kept running.
    int run(const Signals& signals) {
        for (;;) {
            pollfd fds[4] = {{m_keys.fd(), POLLIN, 0},
                             {signals.fd(), POLLIN, 0},
                             {m_settings.fd(), POLLIN, 0},
                             {m_terminal ? STDIN_FILENO : -1, POLLIN, 0}};
            int timeout = -1;
            if (m_restartAt)
                timeout = static_cast<int>(std::max<Clock::duration::rep>(
                    0, std::chrono::ceil<std::chrono::milliseconds>(*m_restartAt - Clock::now())
                           .count()));
            if (poll(fds, 4, timeout) < 0 && errno != EINTR)
                return failure(std::string("poll: ") + std::strerror(errno));
            if (fds[1].revents)
                for (int signal; (signal = Signals::next()) != 0;) {
                    if (signal != SIGHUP)
                        return 0;
                    m_restartAt = Clock::now();
                    m_restartWhy = "SIGHUP";
                }
            if (fds[3].revents && !terminalStillOn())
                return 0;
            if (fds[2].revents && m_settings.changed()) {
                m_restartAt = Clock::now() + kSettle;
                m_restartWhy = "the settings changed";
            }
            if (fds[0].revents) {
                KeyBatch batch;
                if (!m_keys.read(batch))
                    return failure(m_keys.problem());
                for (const std::string& notice : batch.notices)
                    m_simulator.say("  " + notice);
                for (Click click : batch.clicks)
                    if (!press(click))
                        return 1;
            }
            if (m_restartAt && Clock::now() >= *m_restartAt) {
                m_restartAt.reset();
                m_simulator.say("  " + m_restartWhy + ": the keyboard app starts again");
                if (!m_simulator.perform({"relaunch", "keyboard"}))
                    return 1;
            }
        }
    }

private:
    // Reads what was typed on this terminal and forgets it; false for Ctrl-C, Ctrl-D or the
    // end of the terminal.
    static bool terminalStillOn() {
        unsigned char bytes[64];
        ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return true;
        bool on = n > 0;
        for (ssize_t i = 0; i < n; ++i)
            on = on && bytes[i] != 0x03 && bytes[i] != 0x04;
        std::fill(std::begin(bytes), std::end(bytes), 0);
        return on;
    }

    bool press(Click click) {
        Clock::time_point now = Clock::now();
        auto since = m_lastKey
                         ? std::chrono::duration_cast<std::chrono::milliseconds>(now - *m_lastKey)
                         : 0ms;
        m_lastKey = now;
        if (m_simulator.pressClick(static_cast<unsigned>(click), since))
            return true;
        // The keyboard app ended under us: one more, as the device would start it again.
        return m_simulator.perform({"relaunch", "keyboard"}) &&
               m_simulator.pressClick(static_cast<unsigned>(click), 0ms);
    }

    Simulator& m_simulator;
    KeySource& m_keys;
    SettingsWatch& m_settings;
    bool m_terminal;
    std::optional<Clock::time_point> m_restartAt;
    std::string m_restartWhy;
    std::optional<Clock::time_point> m_lastKey;
};

} // namespace

std::filesystem::path defaultDesktopRoot() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base =
        data && *data ? std::filesystem::path(data)
                      : std::filesystem::path(home && *home ? home : "/tmp") / ".local/share";
    return base / "tapsonata" / "desktop-device";
}

int desktopMain(const CommandLine& line) {
    RunOptions options = line.run;
    const DesktopOptions& desktop = line.desktop;
    if (options.root.empty())
        options.root = defaultDesktopRoot().string();
    if (std::optional<std::string> problem = unwritableOutput(options))
        return failure(*problem);
    if (std::optional<std::string> problem = unopenableDevice(options))
        return failure(*problem);
    // The keys first: a refusal is the likeliest error, and then nothing has been laid out.
    OpenedKeySource keys = openKeySource(desktop.input.value_or(""));
    if (!keys.source)
        return failure(keys.error);
    const bool existed = isDevice(options.root);
    if (!existed) {
        if (std::optional<std::string> error = checkDeviceFolder(options.root, false))
            return failure(*error);
        DeviceSetup setup;
        setup.root = options.root;
        setup.instrument = desktop.instrument.value_or("piano");
        if (std::optional<std::string> error = layOutDevice(setup))
            return failure(*error);
    }
    SettingsWatch settings(options.root);
    // Its own terminal only in the foreground: a job in the background that touched it would
    // be stopped.
    const bool terminal = isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp();
    std::optional<RawTerminal> raw;
    if (terminal)
        raw.emplace(STDIN_FILENO); // keys typed here are not echoed
    Signals signals;               // after the terminal's own handlers, which it replaces
    Simulator simulator(options);
    if (!simulator.ready())
        return 1;
    if (!existed)
        simulator.say("  laid out a device in " + options.root);
    if (existed && desktop.instrument) {
        if (!simulator.perform({"pane", "instrument", *desktop.instrument}))
            return simulator.finish(false);
        simulator.stop(ProcessKind::Pane);
    }
    if (!simulator.perform({"relaunch", "keyboard"}))
        return simulator.finish(false);
    settings.changed(); // the keyboard app has just read them
    simulator.say("  Listening to " + keys.source->description() +
                  ". Every key you press plays a note; what you type is never shown or kept.");
    simulator.say(terminal ? "  Ctrl-C stops." : "  SIGINT or SIGTERM stops.");
    Session session(simulator, *keys.source, settings, raw && raw->active());
    return simulator.finish(session.run(signals) == 0);
}

} // namespace sim
