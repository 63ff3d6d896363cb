// What /proc says about this process's children, for tests that must leave no zombie.
#pragma once

#include <chrono>
#include <sys/types.h>
#include <vector>

// Children of this process that have exited but have not been waited for.
std::vector<pid_t> zombieChildren();
// Waits until no such child remains, or the limit passes; true when none remains.
bool waitForNoZombies(std::chrono::milliseconds limit = std::chrono::seconds(20));
