// NS::Task: runs a program with its standard output joined to a pipe.
//
// Standard input, standard error, the environment and the working directory are the
// caller's. The child is started through the process launcher (foundation/ProcessLauncher.h)
// and reaped in the background: launch() never waits for it, and it never stays a zombie.
// A task is used from one thread.
#pragma once

#include "foundation/Collections.h"
#include "foundation/Pipe.h"
#include "foundation/ProcessLauncher.h"

#include <string>
#include <string_view>
#include <vector>

namespace NS {

class Task : public objc::Object {
public:
    static Ref<Task> task();

    void setLaunchPath(std::string_view path) { m_launchPath = path; }
    void setLaunchPath(const String* path) { m_launchPath = path ? path->str() : ""; }
    const std::string& launchPath() const { return m_launchPath; }
    // The arguments after the program's own name. An array must hold only strings; any other
    // element makes launch() refuse.
    void setArguments(const Array* arguments);
    void setArguments(std::vector<std::string> arguments);
    const std::vector<std::string>& arguments() const { return m_arguments; }
    void setStandardOutput(Pipe* pipe) { m_standardOutput = pipe; }
    RefPtr<Pipe> standardOutput() const { return m_standardOutput; }

    // Starts the program, at most once. Afterwards the parent's copy of the pipe's writing
    // end is closed, so the reader sees end of file once the child and its own children have
    // closed theirs. False, with nothing started, for a missing launch path, bad arguments,
    // a broken pipe, a second launch or a program that cannot be started.
    bool launch();
    // The child's process id; 0 until launched.
    pid_t processIdentifier() const { return m_pid; }

private:
    Task();
    std::string m_launchPath;
    std::vector<std::string> m_arguments;
    bool m_argumentsValid = true;
    RefPtr<Pipe> m_standardOutput;
    bool m_launched = false;
    pid_t m_pid = 0;
};

} // namespace NS
