#include "sim/KillAll.h"

#include <algorithm>
#include <cctype>
#include <csignal>

namespace sim {

namespace {

struct NamedSignal {
    const char* name;
    int number;
};

constexpr NamedSignal kSignals[] = {
    {"HUP", SIGHUP},       {"INT", SIGINT},   {"QUIT", SIGQUIT},   {"ILL", SIGILL},
    {"TRAP", SIGTRAP},     {"ABRT", SIGABRT}, {"BUS", SIGBUS},     {"FPE", SIGFPE},
    {"KILL", SIGKILL},     {"USR1", SIGUSR1}, {"SEGV", SIGSEGV},   {"USR2", SIGUSR2},
    {"PIPE", SIGPIPE},     {"ALRM", SIGALRM}, {"TERM", SIGTERM},   {"CHLD", SIGCHLD},
    {"CONT", SIGCONT},     {"STOP", SIGSTOP}, {"TSTP", SIGTSTP},   {"TTIN", SIGTTIN},
    {"TTOU", SIGTTOU},     {"URG", SIGURG},   {"XCPU", SIGXCPU},   {"XFSZ", SIGXFSZ},
    {"VTALRM", SIGVTALRM}, {"PROF", SIGPROF}, {"WINCH", SIGWINCH}, {"IO", SIGIO},
    {"SYS", SIGSYS},
};

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

} // namespace

KillRequest parseKillall(const std::vector<std::string>& arguments) {
    KillRequest request;
    if (arguments.size() >= 2 && arguments[1].size() > 1 && arguments[1][0] == '-')
        request.signal = signalNumber(std::string_view(arguments[1]).substr(1));
    if (arguments.size() >= 3)
        request.name = arguments[2];
    return request;
}

std::optional<int> signalNumber(std::string_view text) {
    if (!text.empty() &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (text.size() > 2)
            return std::nullopt;
        int number = std::stoi(std::string(text));
        return number <= SIGSYS ? std::optional<int>(number) : std::nullopt;
    }
    std::string name = upper(text);
    if (name.rfind("SIG", 0) == 0)
        name.erase(0, 3);
    for (const NamedSignal& s : kSignals)
        if (name == s.name)
            return s.number;
    return std::nullopt;
}

bool stopsProcess(int signal) {
    return signal == SIGSTOP || signal == SIGTSTP || signal == SIGTTIN || signal == SIGTTOU;
}

bool endsProcess(int signal) {
    // Signal 0 only asks whether the process exists; the simulated processes ignore SIGPIPE.
    return signal > 0 && !stopsProcess(signal) && signal != SIGCHLD && signal != SIGCONT &&
           signal != SIGURG && signal != SIGWINCH && signal != SIGPIPE;
}

std::optional<ProcessKind> processNamed(std::string_view name) {
    std::string n = upper(name);
    if (n == "KEYBOARD")
        return ProcessKind::Keyboard;
    if (n == "SPRINGBOARD")
        return ProcessKind::SpringBoard;
    if (n == "PANE" || n == "PREFERENCES")
        return ProcessKind::Pane;
    return std::nullopt;
}

} // namespace sim
