// NS::FileHandle under threads: a blocked read that signals interrupt still reads everything.
#include "foundation/Task.h"

#include <csignal>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace NS;

void ignoreSignal(int) {}

TEST(TaskConcurrency, ReadingSurvivesInterruptingSignals) {
    // No SA_RESTART: every signal makes a blocked read() fail with EINTR.
    struct sigaction action = {}, previous = {};
    action.sa_handler = ignoreSignal;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    auto pipe = Pipe::pipe();
    std::string read;
    std::thread reader(
        [&] { read = pipe->fileHandleForReading()->readDataToEndOfFile()->bytes(); });
    int writing = pipe->fileHandleForWriting()->fileDescriptor();
    for (int i = 0; i < 50; ++i) {
        ::pthread_kill(reader.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(::write(writing, "a", 1), 1);
    }
    pipe->fileHandleForWriting()->closeFile();
    reader.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(read, std::string(50, 'a'));
}

} // namespace
