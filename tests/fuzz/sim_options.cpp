// The simulator's command line: any words parse without a crash, and a line that parses says
// the same when its options and actions are written back out in a canonical order: parsed
// again, those words write out the same.
#include "Fuzz.h"
#include "sim/CommandLine.h"

#include <utility>
#include <vector>

namespace {

// The run's options and actions (or the desktop's options) as a command line of their own.
std::vector<std::string> written(const sim::CommandLine& line) {
    const sim::RunOptions& o = line.run;
    const bool desktop = line.command == sim::Command::Desktop;
    std::vector<std::string> words = {desktop ? "desktop" : "run", "--volume",
                                      std::to_string(o.volume)};
    auto add = [&](const char* flag, const std::optional<std::string>& value) {
        if (value)
            words.insert(words.end(), {flag, *value});
    };
    // The desktop has a root of its own when none is given, and no pace.
    add("--root", o.root.empty() ? std::nullopt : std::optional(o.root));
    add("--pace", desktop ? std::nullopt : std::optional(o.pace));
    add("--instrument", line.desktop.instrument);
    add("--input", line.desktop.input);
    add("--events", o.events);
    add("--seed", o.seed);
    add("--out", o.out);
    add("--wav", o.wav);
    add("--api", o.api);
    add("--device", o.device);
    add("--latency", o.latency);
    if (o.mute)
        words.emplace_back("--mute");
    if (o.verbosity != sim::Verbosity::Normal)
        words.emplace_back(o.verbosity == sim::Verbosity::Quiet ? "--quiet" : "--verbose");
    for (const sim::Action& action : o.actions)
        words.insert(words.end(), action.begin(), action.end());
    return words;
}

} // namespace

// The input is the words of a command line, each ended by a NUL byte.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.push_back(std::exchange(word, {}));
        else
            word += static_cast<char>(data[i]);
    }
    if (!word.empty())
        args.push_back(word);
    const sim::CommandLine line = sim::parseCommandLine(args);
    if (line.error.empty() &&
        (line.command == sim::Command::Run || line.command == sim::Command::Desktop)) {
        const sim::CommandLine again = sim::parseCommandLine(written(line));
        fuzz::check(again.error.empty() && written(again) == written(line),
                    "a line written back out parses differently", again.error);
    }
    return 0;
}
