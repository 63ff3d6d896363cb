#include "support/ChildProcesses.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

std::vector<pid_t> zombieChildren() {
    std::vector<pid_t> zombies;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        // "pid (comm) state ppid ...": comm may hold spaces and parentheses, so read after the
        // last ')'. Entries that are no process, or gone meanwhile, have no such line.
        if (!std::getline(in, stat) || stat.rfind(')') == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == ::getpid() && state == 'Z')
            zombies.push_back(static_cast<pid_t>(std::stol(stat)));
    }
    return zombies;
}

bool waitForNoZombies(std::chrono::milliseconds limit) {
    for (auto deadline = std::chrono::steady_clock::now() + limit; !zombieChildren().empty();) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
