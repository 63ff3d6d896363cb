// NS::Task and NS::FileHandle under threads: reads that signals interrupt, and launches from
// many threads at once, each reading its own output, with every child reaped.
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

TEST(TaskConcurrency, ManyThreadsLaunchAndReadTheirOwnOutput) {
    constexpr int kThreads = 8;
    std::vector<std::string> outputs(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&outputs, t] {
            for (int round = 0; round < 10; ++round) {
                auto task = Task::task();
                task->setLaunchPath("/bin/sh");
                task->setArguments(std::vector<std::string>{"-c", "echo " + std::to_string(t)});
                auto pipe = Pipe::pipe();
                task->setStandardOutput(pipe.ptr());
                if (task->launch())
                    outputs[t] += pipe->fileHandleForReading()->readDataToEndOfFile()->bytes();
            }
        });
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        std::string expected;
        for (int round = 0; round < 10; ++round)
            expected += std::to_string(t) + "\n";
        EXPECT_EQ(outputs[t], expected);
    }
    EXPECT_TRUE(waitForNoZombies());
}

} // namespace
