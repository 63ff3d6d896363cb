// NS::Task and NS::Pipe against real programs, as the footer runs dpkg through the shell.
#include "foundation/Task.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace NS;

// Runs /bin/sh -c script with arguments $1... and reads its output to the end.
std::string shell(const std::string& script,
                  std::vector<objc::RefPtr<objc::Object>> arguments = {}) {
    auto task = Task::task();
    task->setLaunchPath(str("/bin/sh").ptr());
    arguments.insert(arguments.begin(), {str("-c"), str(script), str("sh")});
    task->setArguments(Array::array(arguments).ptr());
    auto pipe = Pipe::pipe();
    task->setStandardOutput(pipe.ptr());
    EXPECT_TRUE(task->launch()) << script;
    EXPECT_EQ(pipe->fileHandleForWriting()->fileDescriptor(), -1) << "the parent's end is closed";
    return pipe->fileHandleForReading()->readDataToEndOfFile()->bytes();
}

TEST(Task, ReadsAllOutputUntilEveryWriterHasClosedAndPassesArgumentsUnchanged) {
    EXPECT_EQ(shell("head -c 1048576 /dev/zero | tr '\\0' x"), std::string(1048576, 'x'));
    // The shell exits at once; its background child writes later, through its own copy.
    EXPECT_EQ(shell("(sleep 0.2; echo late) & echo early"), "early\nlate\n");
    EXPECT_EQ(shell("printf '%s|' \"$@\"", {str("a b"), str("$HOME"), str("'")}), "a b|$HOME|'|");
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
    EXPECT_TRUE(::fcntl(reading, F_GETFD) & ::fcntl(writing, F_GETFD) & FD_CLOEXEC);
    ASSERT_EQ(::write(writing, "abc", 3), 3);
    pipe->fileHandleForWriting()->closeFile();
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->bytes(), "abc");
    pipe->fileHandleForReading()->closeFile();
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->length(), 0u);
}

} // namespace
