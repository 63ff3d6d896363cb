// NS::Task and NS::Pipe against real programs, and the process launcher seam with its fake.
#include "foundation/Task.h"

#include "foundation/Number.h"
#include "support/ChildProcesses.h"
#include "support/FakeProcessLauncher.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

bool waitForReaping() {
    for (int i = 0; i < 1000 && unreapedChildCount() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return unreapedChildCount() == 0 && waitForNoZombies();
}

TEST(Task, ReadsOutputLargerThanThePipeBufferAndUntilEveryWriterHasClosed) {
    std::string output = shell("head -c 1048576 /dev/zero | tr '\\0' x");
    EXPECT_EQ(output.size(), 1048576u);
    EXPECT_EQ(output.find_first_not_of('x'), std::string::npos);
    // The shell exits at once; its background child writes later, through its own copy.
    EXPECT_EQ(shell("(sleep 0.2; echo late) & echo early"), "early\nlate\n");
}

TEST(Task, InheritsEnvironmentAndWorkingDirectory) {
    ::setenv("TAPSONATA_TASK_TEST", "inherited", 1);
    EXPECT_EQ(shell("echo \"$TAPSONATA_TASK_TEST\""), "inherited\n");
    ::unsetenv("TAPSONATA_TASK_TEST");
    EXPECT_EQ(shell("pwd -P"),
              std::filesystem::canonical(std::filesystem::current_path()).string() + "\n");
}

TEST(Task, ArgumentsArriveUnchangedAndTheParentsWritingEndIsClosed) {
    auto task = Task::task();
    task->setLaunchPath(str("/bin/sh").ptr());
    task->setArguments(
        std::vector<std::string>{"-c", "printf '%s|' \"$@\"", "sh", "a b", "$HOME", "'"});
    auto pipe = Pipe::pipe();
    task->setStandardOutput(pipe.ptr());
    ASSERT_TRUE(task->launch());
    EXPECT_GT(task->processIdentifier(), 0);
    EXPECT_EQ(pipe->fileHandleForWriting()->fileDescriptor(), -1);
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->bytes(), "a b|$HOME|'|");
}

TEST(Task, RefusesWhatCannotRunAndNeverHangsTheReader) {
    auto missing = Task::task();
    auto pipe = Pipe::pipe();
    missing->setLaunchPath("/no/such/program");
    missing->setStandardOutput(pipe.ptr());
    EXPECT_FALSE(missing->launch());
    EXPECT_EQ(missing->processIdentifier(), 0);
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->length(), 0u);
    EXPECT_FALSE(Task::task()->launch()) << "no launch path";
    auto twice = Task::task();
    twice->setLaunchPath("/bin/true");
    EXPECT_TRUE(twice->launch());
    EXPECT_FALSE(twice->launch());

    const char* argv[] = {"nothing", nullptr};
    errno = 0;
    EXPECT_EQ(spawnProcess("/no/such/program", argv, nullptr), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST(Task, NoZombiesAfterManyLaunches) {
    for (int i = 0; i < 200; ++i) {
        auto task = Task::task();
        task->setLaunchPath("/bin/true");
        ASSERT_TRUE(task->launch());
    }
    EXPECT_TRUE(waitForReaping()) << zombieChildren().size() << " zombies";
}

TEST(Task, SpawnProcessPassesANullEnvironmentAsAnEmptyOne) {
    auto marker =
        std::filesystem::temp_directory_path() / ("tapsonata-spawn-" + std::to_string(::getpid()));
    std::filesystem::remove(marker);
    ::setenv("TAPSONATA_SPAWN_MARK", "present", 1);
    std::string script = "test -z \"$TAPSONATA_SPAWN_MARK\" && : > '" + marker.string() + "'";
    const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
    pid_t pid = spawnProcess("/bin/sh", argv, nullptr);
    ::unsetenv("TAPSONATA_SPAWN_MARK");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitForReaping());
    EXPECT_TRUE(std::filesystem::exists(marker));
    std::filesystem::remove(marker);
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
    pipe->fileHandleForReading()->closeFile();
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->length(), 0u);
    EXPECT_EQ(FileHandle::initWithFileDescriptor(-5)->readDataToEndOfFile()->length(), 0u);
}

class FakeLaunch : public ::testing::Test {
protected:
    std::shared_ptr<FakeProcessLauncher> fake = std::make_shared<FakeProcessLauncher>();
    ScopedProcessLauncher scope{fake};
};

TEST_F(FakeLaunch, TaskRequestsTheShellWithItsArgumentsAndOutput) {
    fake->setOutput("Version: 1.2.3\n");
    EXPECT_EQ(shell("dpkg -s x | grep 'Version'"), "Version: 1.2.3\n");
    auto requests = fake->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/bin/sh");
    EXPECT_EQ(requests[0].arguments,
              (std::vector<std::string>{"/bin/sh", "-c", "dpkg -s x | grep 'Version'"}));
    EXPECT_FALSE(requests[0].environment) << "the caller's environment is inherited";
}

TEST_F(FakeLaunch, BadArgumentsOrABrokenPipeStartNothing) {
    auto task = Task::task();
    task->setLaunchPath("/bin/sh");
    task->setArguments(Array::array({str("-c"), Number::numberWithInt(1)}).ptr());
    EXPECT_FALSE(task->launch());
    auto broken = Task::task();
    broken->setLaunchPath("/bin/sh");
    auto pipe = Pipe::pipe();
    pipe->fileHandleForWriting()->closeFile();
    broken->setStandardOutput(pipe.ptr());
    EXPECT_FALSE(broken->launch());
    EXPECT_TRUE(fake->requests().empty());
    task->setArguments(nullptr);
    EXPECT_TRUE(task->launch());
    EXPECT_EQ(fake->requests().at(0).arguments, std::vector<std::string>{"/bin/sh"});
}

TEST_F(FakeLaunch, AFailedLaunchLeavesTheReaderAtEndOfFile) {
    fake->failWith(EAGAIN);
    auto task = Task::task();
    task->setLaunchPath("/bin/sh");
    auto pipe = Pipe::pipe();
    task->setStandardOutput(pipe.ptr());
    EXPECT_FALSE(task->launch());
    EXPECT_EQ(pipe->fileHandleForReading()->readDataToEndOfFile()->length(), 0u);
    EXPECT_EQ(fake->requests().size(), 1u);
}

} // namespace
