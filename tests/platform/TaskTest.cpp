// NS::Task and NS::Pipe against real programs, and the process launcher seam with its fake.
#include "foundation/Task.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace NS;

// Runs /bin/sh -c command and reads its output to the end.
std::string shell(const std::string& command) {
    auto task = Task::task();
    task->setLaunchPath("/bin/sh");
    task->setArguments(Array::array({str("-c"), str(command)}).ptr());
    auto pipe = Pipe::pipe();
    task->setStandardOutput(pipe.ptr());
    EXPECT_TRUE(task->launch()) << command;
    return pipe->fileHandleForReading()->readDataToEndOfFile()->bytes();
}

TEST(Task, ReadsOutputLargerThanThePipeBufferAndUntilEveryWriterHasClosed) {
    std::string output = shell("head -c 1048576 /dev/zero | tr '\\0' x");
    EXPECT_EQ(output.size(), 1048576u);
    EXPECT_EQ(output.find_first_not_of('x'), std::string::npos);
    // The shell exits at once; its background child writes later, through its own copy.
    EXPECT_EQ(shell("(sleep 0.2; echo late) & echo early"), "early\nlate\n");
}

TEST(Task, ArgumentsArriveUnchangedAndTheParentsWritingEndIsClosed) {
    auto task = Task::task();
    task->setLaunchPath(str("/bin/sh").ptr());
    task->setArguments(
        std::vector<std::string>{"-c", "printf '%s|' \"$@\"", "sh", "a b", "$HOME", "'"});
    auto pipe = Pipe::pipe();
    task->setStandardOutput(pipe.ptr());
    ASSERT_TRUE(task->launch());
    EXPECT_EQ(pipe->fileHandleForWriting()->fileDescriptor(), -1);
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->bytes(), "a b|$HOME|'|");
}

TEST(Task, RefusesWhatCannotRunAndNeverHangsTheReader) {
    auto missing = Task::task();
    auto pipe = Pipe::pipe();
    missing->setLaunchPath("/no/such/program");
    missing->setStandardOutput(pipe.ptr());
    EXPECT_FALSE(missing->launch());
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->length(), 0u);
    EXPECT_FALSE(Task::task()->launch()) << "no launch path";
    auto twice = Task::task();
    twice->setLaunchPath("/bin/true");
    EXPECT_TRUE(twice->launch());
    EXPECT_FALSE(twice->launch());
}

TEST(Pipe, EndsAreCloseOnExecAndClosedHandlesReadAsEmpty) {
    auto pipe = Pipe::pipe();
    int reading = pipe->fileHandleForReading()->fileDescriptor();
    int writing = pipe->fileHandleForWriting()->fileDescriptor();
    EXPECT_TRUE(::fcntl(reading, F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(::fcntl(writing, F_GETFD) & FD_CLOEXEC);
    ASSERT_EQ(::write(writing, "abc", 3), 3);
    pipe->fileHandleForWriting()->closeFile();
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->bytes(), "abc");
    pipe->fileHandleForReading()->closeFile();
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->length(), 0u);
}

} // namespace
