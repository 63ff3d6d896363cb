#include "uikit/Application.h"

#include "device/Events.h"
#include "foundation/ProcessLauncher.h"
#include "objc/Runtime.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace UI {

URLOpener::~URLOpener() = default;

namespace {

// The URL's scheme, or empty when it does not start with a valid one (RFC 3986: a letter,
// then letters, digits, "+", "-" or ".").
std::string schemeOf(const std::string& url) {
    std::size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(url[0])))
        return {};
    for (std::size_t i = 1; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return {};
    }
    return url.substr(0, colon);
}

// Starts a program found on PATH, in a process group of its own (so that it can be stopped
// with whatever it started), with standard input and error on /dev/null and standard output
// on `outFd` (or /dev/null). Returns the child's pid, or -1.
pid_t spawn(const std::vector<std::string>& args, int outFd) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return rc == 0 ? pid : -1;
}

std::mutex g_openerLock;
std::shared_ptr<URLOpener> g_opener;

std::shared_ptr<URLOpener> opener() {
    std::lock_guard guard(g_openerLock);
    if (!g_opener)
        g_opener = std::make_shared<DesktopURLOpener>();
    return g_opener;
}

} // namespace

bool DesktopURLOpener::canOpen(const std::string& url) {
    std::string scheme = schemeOf(url);
    if (scheme.empty())
        return false;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    pid_t pid = spawn({"xdg-mime", "query", "default", "x-scheme-handler/" + scheme}, pipeFds[1]);
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return false;
    }
    std::string answer;
    auto deadline = std::chrono::steady_clock::now() + m_queryTimeout;
    auto left = [deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
    };
    for (;;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        int ready = left().count() > 0 ? poll(&p, 1, static_cast<int>(left().count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[256];
        ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (answer.size() < 4096)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    // The query may close its output and still linger; it gets what is left of the time.
    int status = 0;
    pid_t done = 0;
    for (;;) {
        done = waitpid(pid, &status, WNOHANG);
        if ((done == 0 || (done < 0 && errno == EINTR)) && left().count() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        else
            break;
    }
    if (done < 0)
        return false; // already reaped by someone else: no status to trust
    if (done != pid) {
        kill(-pid, SIGKILL); // too slow: the answer is no
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    return answer.find_first_not_of(" \t\r\n") != std::string::npos;
}

bool DesktopURLOpener::open(const std::string& url) {
    if (schemeOf(url).empty())
        return false;
    pid_t pid = spawn({"xdg-open", url}, -1);
    if (pid < 0)
        return false;
    NS::reapInBackground(pid); // opening may take long; nobody waits for it
    return true;
}

void setURLOpener(std::shared_ptr<URLOpener> opener) {
    std::lock_guard guard(g_openerLock);
    g_opener = std::move(opener);
}

Application::Application() {
    static objc::Class* cls =
        objc::objc_lookUpOrRegisterClass("UIApplication", objc::NSObjectClass());
    setIsa(cls);
}

Application& Application::sharedApplication() {
    static auto* instance = new Application; // lives as long as the process
    return *instance;
}

bool Application::canOpenURL(const NS::URL* url) {
    if (!url)
        return false;
    bool answer = opener()->canOpen(url->absoluteString());
    device::emit("can_open_url", {{"url", url->absoluteString()}, {"answer", answer}});
    return answer;
}

bool Application::openURL(const NS::URL* url) {
    if (!url)
        return false;
    bool opened = opener()->open(url->absoluteString());
    device::emit("open_url", {{"url", url->absoluteString()}, {"opened", opened}});
    return opened;
}

} // namespace UI
