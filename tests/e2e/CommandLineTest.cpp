// The simulator's command line: clear errors for bad input, and a failing action fails the run.
#include "SimDevice.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

void expectUsageError(const std::vector<std::string>& args, const std::string& message) {
    SimResult r = runSim(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
}

TEST(CommandLine, RejectsWhatItDoesNotKnow) {
    expectUsageError({}, "usage:");
    expectUsageError({"fly"}, "usage:");
    expectUsageError({"run", "--colour", "x"}, "bad option: --colour x");
    expectUsageError({"run", "--events", "x"}, "--root is required");
    expectUsageError({"run", "--root", "/nonexistent", "jump"}, "unknown action: jump");
    expectUsageError({"run", "--root", "/nonexistent", "tap"}, "tap needs a number");
    expectUsageError({"run", "--root", "/nonexistent", "tap", "one"},
                     "tap needs a number, not one");
    expectUsageError({"run", "--root", "/nonexistent", "pane", "dance"},
                     "unknown pane action: dance");
    expectUsageError({"run", "--root", "/nonexistent", "pane", "mail"}, "pane needs more operands");
    expectUsageError({"run", "--root", "/nonexistent", "--api", "ftp://x", "unlock"},
                     "bad option: --api ftp://x");
    expectUsageError({"run", "--root", "/nonexistent", "--pace", "-5", "unlock"},
                     "bad option: --pace -5");
    expectUsageError({"init"}, "which folder?");
    expectUsageError({"init", "/tmp/x", "--access", "maybe"}, "bad argument: --access");
}

TEST(CommandLine, InitRefusesAnUnknownInstrument) {
    TemporaryRoot folder;
    SimResult r = runSim({"init", (folder.root() / "d").string(), "--instrument", "kazoo"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("unknown instrument: kazoo"), std::string::npos) << r.err;
}

TEST(CommandLine, ARootWithoutTheLibraryFailsToStartAProcess) {
    TemporaryRoot folder;
    SimResult r = runSim({"run", "--root", folder.root().string(), "--out", "none", "type", "a"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("is not installed"), std::string::npos) << r.out;
}

TEST(CommandLine, TappingWithNoAlertFailsTheRun) {
    SimDevice device({});
    SimResult r = device.run({"tap", "1", "type", "a"});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<Event> errors = device.events("error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].str("text"), "no alert to tap");
    EXPECT_EQ(device.events("key").size(), 1u) << "the run goes on after an error";
}

TEST(CommandLine, TappingAButtonTheAlertLacksIsAnError) {
    SimDevice device({});
    SimResult r = device.run({"unlock", "tap", "5"});
    EXPECT_EQ(r.exitCode, 1);
    std::vector<Event> errors = device.events("error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].str("text"), "the alert has no button 5");
}

TEST(CommandLine, EveryEventNamesItsProcess) {
    SimDevice device({"--enabled"});
    ASSERT_EQ(
        device.run({"type", "a", "unlock", "tap", "0", "pane", "mail", "a@b.example"}).exitCode, 0);
    std::vector<Event> events = device.events();
    ASSERT_FALSE(events.empty());
    for (const Event& e : events)
        EXPECT_FALSE(e.process().empty()) << e.line;
    EXPECT_FALSE(device.events("key", "keyboard").empty());
    EXPECT_FALSE(device.events("alert", "springboard").empty());
    EXPECT_FALSE(device.events("open_url", "pane").empty());
}

} // namespace
} // namespace e2e
