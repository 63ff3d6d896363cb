// The orchestrator of `tapsonata-sim run`: it starts the simulated processes when an action
// first needs them, sends each action to the process it belongs to, tags every event with
// the process it came from, writes the event log, and shows the summary.
#pragma once

#include "sim/ApiStub.h"
#include "sim/ChildProcess.h"
#include "sim/CommandLine.h"
#include "sim/DeviceProcess.h"
#include "sim/Summary.h"

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace sim {

class Simulator {
public:
    explicit Simulator(RunOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Runs every action in order. 0 when all went well, 1 when an action failed, a process
    // could not start or ended unasked, or a process reported an error.
    int run();

    // One action; false when it could not be carried out.
    bool perform(const Action& action);
    // One key press in the keyboard app, `sincePrevious` after the last one.
    bool pressKey(const std::string& character, std::chrono::milliseconds sincePrevious);
    // A key press known only by its click (1104 or 1105): no character crosses to the app.
    bool pressClick(unsigned click, std::chrono::milliseconds sincePrevious);
    // Checks what run() checks before its actions; false after saying what is wrong.
    bool ready();
    // Ends every process and shows the closing line; run()'s result, `ok` when all went well.
    int finish(bool ok);
    // Ends a process, asked.
    void stop(ProcessKind kind);
    std::optional<Summary::Alert> alertOnScreen() const;
    // A line of the simulator's own, between the summary's lines.
    void say(const std::string& text);

private:
    void record(const std::string& process, const std::string& line);
    ChildProcess* process(ProcessKind kind);
    bool send(ProcessKind kind, const std::string& command);
    void processEnded(ProcessKind kind, int status);
    void carryOutKillRequests();
    void onApiRequest(const ApiRequest& request);
    // The device's Twitter account with this OAuth token: its name and credentials.
    std::optional<std::pair<std::string, SL::OAuth::Credentials>>
    accountWithToken(const std::string& token) const;
    std::optional<std::string> wavFile() const;

    RunOptions m_options;
    mutable std::mutex m_lock; // the event log, the summary and the requests below
    std::ofstream m_events;
    Summary m_summary;
    std::vector<std::vector<std::string>> m_killRequests;
    bool m_failed = false;
    std::unique_ptr<ApiStub> m_api;
    std::map<ProcessKind, std::unique_ptr<ChildProcess>> m_processes;
    std::set<ProcessKind> m_started;
};

} // namespace sim
