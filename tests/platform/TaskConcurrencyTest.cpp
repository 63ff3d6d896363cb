// NS::FileHandle under threads: a blocked read that signals interrupt still reads everything.
#include "foundation/Task.h"
#include "support/ChildProcesses.h"

#include <csignal>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace NS;

void ignoreSignal(int) {}

TEST(TaskConcurrency, ReadingSurvivesInterruptingSignals) {
    // No SA_RESTART: every signal makes a blocked read() fail with EINTR.
    struct sigaction action = {};
    struct sigaction previous = {};
    action.sa_handler = ignoreSignal;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

    auto pipe = Pipe::pipe();
    std::string read;
    std::atomic<bool> started{false};
    std::thread reader([&] {
        started = true;
        read = pipe->fileHandleForReading()->readDataToEndOfFile()->bytes();
    });
    while (!started)
        std::this_thread::yield();
    int writing = pipe->fileHandleForWriting()->fileDescriptor();
    for (int i = 0; i < 50; ++i) {
        ::pthread_kill(reader.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(::write(writing, "ab", 2), 2);
    }
    pipe->fileHandleForWriting()->closeFile();
    reader.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    std::string expected;
    for (int i = 0; i < 50; ++i)
        expected += "ab";
    EXPECT_EQ(read, expected);
}

} // namespace
