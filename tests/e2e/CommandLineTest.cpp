// The simulator's command line as a newcomer meets it: help, one-line usage errors, a safe
// init, outputs checked before anything starts, errors on the error stream.
#include "SimDevice.h"

#include <fstream>
#include <gtest/gtest.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;

struct Line {
    std::string name;
    std::vector<std::string> args;
    std::string expected; // in stdout for help, in stderr for an error
    friend void PrintTo(const Line& row, std::ostream* os) { *os << row.name; }
};

class Help : public testing::TestWithParam<Line> {};

// Help goes to stdout with status 0, and asks for nothing else: `init -h` makes no folder.
TEST_P(Help, PrintsTheCommandsHelpAndDoesNothingElse) {
    TemporaryRoot folder;
    SimResult r = runSim(GetParam().args, folder.root());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind(GetParam().expected, 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::is_empty(folder.root()));
}

const std::string kMain = "tapsonata-sim: a simulated iPhone";
INSTANTIATE_TEST_SUITE_P(
    CommandLine, Help,
    testing::Values(
        Line{"Bare", {}, kMain}, Line{"DashH", {"-h"}, kMain},
        Line{"HelpRun", {"help", "run"}, "usage: tapsonata-sim run"},
        Line{"InitDashH", {"init", "-h"}, "usage: tapsonata-sim init"},
        Line{"RunHelpAfterOptions", {"run", "--root", "x", "--help"}, "usage: tapsonata-sim run"},
        Line{"DemoHelp", {"demo", "-h"}, "usage: tapsonata-sim demo"},
        Line{"Version", {"--version"}, "tapsonata-sim 1."}),
    [](const auto& info) { return info.param.name; });

class UsageError : public testing::TestWithParam<Line> {};

// One line on stderr naming what is wrong and pointing to --help; status 2; nothing made.
TEST_P(UsageError, IsOneLineNamingTheBadValue) {
    TemporaryRoot folder;
    SimResult r = runSim(GetParam().args, folder.root());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find(GetParam().expected), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--help)\n"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::is_empty(folder.root()));
}

const std::vector<std::string> kRun = {"run", "--root", "r"};
std::vector<std::string> run(std::vector<std::string> more) {
    more.insert(more.begin(), kRun.begin(), kRun.end());
    return more;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, UsageError,
    testing::Values(
        Line{"UnknownCommand", {"fly"}, "unknown command: fly"},
        Line{"HelpForNoCommand",
             {"help", "fly"},
             "tapsonata-sim: no help for fly (see: tapsonata-sim --help)"},
        Line{"UnknownOption", run({"--colour", "x"}), "unknown option: --colour"},
        Line{"NoRoot", {"run", "--events", "x", "unlock"}, "--root is required"},
        Line{"UnknownAction", run({"jump"}), "unknown action: jump"},
        Line{"TapWithoutNumber", run({"tap"}), "tap needs a number"},
        Line{"TapNotANumber", run({"tap", "one"}), "tap needs a number, not one"},
        Line{"UnknownPaneAction", run({"pane", "dance"}), "unknown pane action: dance"},
        Line{"PaneMissingOperand", run({"pane", "mail"}), "pane needs more operands"},
        Line{"NoActionsNoTerminal", kRun, "no actions, and no terminal to type in"},
        Line{"BadApi", run({"--api", "ftp://x"}), "--api ftp://x: want local or"},
        Line{"NegativePace", run({"--pace", "-5"}), "--pace -5: want a whole number"},
        Line{"OutTypo", run({"--out", "nonee"}), "--out nonee: want live, none or a path"},
        Line{"WavNotWav", run({"--wav", "x.mp3"}), "--wav x.mp3: want a path ending in .wav"},
        Line{"TwoWavs", run({"--out", "a.wav", "--wav", "b.wav"}), "--out a.wav already writes"},
        Line{"VolumeTooHigh", run({"--volume", "101"}),
             "--volume 101: want a number from 0 to 100"},
        Line{"BadLatency", run({"--latency", "fast"}), "--latency fast: want low or safe"},
        Line{"MuteTakesNoValue", run({"--mute=yes"}), "--mute takes no value"},
        Line{"InitWithoutFolder", {"init"}, "which folder?"},
        Line{"InitBadAccess", {"init", "d", "--access", "maybe"}, "--access maybe: want grant"},
        Line{"InitUnknownInstrument",
             {"init", "d", "--instrument", "kazoo"},
             "--instrument kazoo: want bass, drums, guitar, piano, violin"},
        Line{"DemoTakesNoActions", {"demo", "unlock"}, "demo takes no actions: unlock"}),
    [](const auto& info) { return info.param.name; });

// init lays a device out in a new or empty folder, or over one it laid out before, and says
// what it made; it refuses anything else unless forced, and / always, as does the demo, which
// lays out its own device. What cannot work fails before any process starts: a run before
// init, outputs that cannot be written.
TEST(CommandLine, InitIsSafeAndWhatCannotWorkFailsBeforeAnyProcessStarts) {
    TemporaryRoot folder;
    const fs::path device = folder.root() / "device", other = folder.root() / "other";
    const fs::path empty = folder.root() / "empty";
    fs::create_directories(other / "usr/bin");
    fs::create_directories(empty);
    std::ofstream(other / "usr/bin/dpkg") << "the host's own";
    const std::string root = device.string();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string expected; // on stdout after a success, on stderr after a failure
    } cases[] = {
        {{"init", root}, 0, "laid out a device in " + root},
        {{"init", root, "--disabled"}, 0, ".plist: disabled"},
        {{"init", other.string()}, 1, "holds other files and is no Tapsonata device"},
        {{"init", "/"}, 1, "refusing to lay out a device over /"},
        {{"demo", "--out", "none", "--root", other.string()}, 1, "is no Tapsonata device"},
        {{"run", "--root", empty.string(), "type", "a"},
         1,
         "lay one out first: tapsonata-sim init " + empty.string()},
        {{"run", "--root", root, "--out", "/nonexistent/x.wav", "type", "a"},
         1,
         "cannot write /nonexistent/x.wav: no folder /nonexistent"},
        {{"run", "--root", root, "--wav", "/nonexistent/x.wav", "type", "a"}, 1, "no folder"},
        {{"run", "--root", root, "--events", root, "type", "a"}, 1, "it is a folder"},
        {{"run", "--root", root, "--device", "no such", "type", "a"},
         1,
         "cannot open the sound device \"no such\"; the host's devices: tapsonata-sim "
         "--list-devices"},
    };
    for (const Case& c : cases) {
        SimResult r = runSim(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << r.err;
        EXPECT_NE((c.exitCode == 0 ? r.out : r.err).find(c.expected), std::string::npos)
            << r.out << r.err;
        EXPECT_EQ(c.exitCode == 0 ? r.err : r.out, "") << "a failure starts no process";
    }
    EXPECT_EQ(slurp(other / "usr/bin/dpkg"), "the host's own");
    EXPECT_EQ(runSim({"init", other.string(), "--force"}).exitCode, 0);
}

// A failed action fails the run, says so on stderr (its process named once), and the run goes
// on with the actions after it.
TEST(CommandLine, FailedActionsAreErrorsOnTheErrorStream) {
    struct Case {
        std::vector<std::string> args;
        std::string event;
        std::string line;
    } cases[] = {
        {{"tap", "1", "type", "a"}, "no alert to tap", "springboard: error: no alert to tap"},
        {{"unlock", "tap", "5", "type", "a"},
         "the alert has no button 5",
         "springboard: error: the alert has no button 5"},
        {{"pane", "share-tap", "type", "a"},
         "pane: there is no share button to tap",
         "tapsonata-sim: pane: error: there is no share button to tap\n"},
    };
    for (const Case& c : cases) {
        SimDevice device({});
        SimResult r = device.run(c.args);
        EXPECT_EQ(r.exitCode, 1);
        std::vector<Event> errors = device.events("error");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].str("text"), c.event);
        EXPECT_NE(r.err.find(c.line), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find(c.line), std::string::npos) << r.out;
        EXPECT_EQ(device.events("key").size(), 1u) << "the run goes on after an error";
    }
}

// A broken library: the process says why and ends, and the run fails.
TEST(CommandLine, ALibraryThatCannotLoadFailsTheRunSayingWhy) {
    const std::string library = "/Library/MobileSubstrate/DynamicLibraries/Tapsonata.dylib";
    SimDevice device({});
    device.write(library, "not an ELF object");
    EXPECT_EQ(device.run({"type", "a"}).exitCode, 1);
    std::vector<Event> failed = device.events("load_failed", "keyboard");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].str("error").rfind("cannot load " + library + ": ", 0), 0u);
    EXPECT_TRUE(device.events("key").empty());
}

} // namespace
} // namespace e2e
