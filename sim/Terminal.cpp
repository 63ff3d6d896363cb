#include "sim/Terminal.h"

#include <csignal>
#include <cstdlib>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// Written once before raw mode starts, read by the signal handler: plain data only.
int g_fd = -1;
termios g_saved{};
volatile sig_atomic_t g_raw = 0;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restore() {
    if (g_raw) {
        tcsetattr(g_fd, TCSAFLUSH, &g_saved);
        g_raw = 0;
    }
}

void restoreAndDie(int signal) {
    restore();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

RawTerminal::RawTerminal(int fd) {
    if (!isatty(fd) || tcgetattr(fd, &g_saved) != 0)
        return;
    g_fd = fd;
    termios raw = g_saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON | ISTRIP | INLCR | IGNCR);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    static const bool hooked = [] {
        std::atexit(restore);
        for (int signal : kEndingSignals)
            std::signal(signal, restoreAndDie);
        return true;
    }();
    (void)hooked;
    g_raw = 1;
    if (tcsetattr(fd, TCSAFLUSH, &raw) != 0) {
        g_raw = 0;
        return;
    }
    m_active = true;
}

RawTerminal::~RawTerminal() {
    if (m_active)
        restore();
}

} // namespace sim
