// The event lines: whatever a child process writes, reading it never throws (the simulator
// reads in threads with nothing above them), and what is written reads back. Oracle: any text
// written as a field is one valid JSON line and reads back as itself when it is ASCII; text
// that was not UTF-8 reads back, once repaired, unchanged by a second round.
#include "Fuzz.h"
#include "device/Events.h"
#include "sim/Summary.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace {

// Writes the text as a field and reads it back.
std::string roundTrip(const std::string& text) {
    std::string line = device::eventLine("key", {{"text", text}, {"n", 1}});
    fuzz::check(line.find('\n') == std::string::npos && nlohmann::json::accept(line),
                "not one valid JSON line", line);
    std::optional<std::string> back = device::jsonField(line, "text");
    fuzz::check(back && device::jsonField(line, "event") == "key" &&
                    device::jsonField(line, "n") == "1",
                "a field did not read back", line);
    return *back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input = fuzz::text(data, size);

    // Reading: any line, through every reader the simulator uses.
    device::jsonField(input, "event");
    device::jsonStrings(input, "buttons");
    std::string tagged = device::withField(input, "process", "keyboard");
    fuzz::check(nlohmann::json::accept(tagged) &&
                    device::jsonField(tagged, "process") == "keyboard",
                "a tagged line is not a JSON object with its tag", tagged);
    static std::FILE* nowhere = std::fopen("/dev/null", "w");
    sim::Summary summary(nowhere);
    const char* processes[] = {"keyboard", "springboard", "pane", "api"};
    summary.show(processes[size % 4], input);
    summary.finish();

    // Writing: the input as a field's text.
    std::string back = roundTrip(input);
    bool ascii = std::all_of(input.begin(), input.end(), [](unsigned char c) { return c < 0x80; });
    fuzz::check(!ascii || back == input, "ASCII text changed", input);
    fuzz::check(roundTrip(back) == back, "repaired text changed again", back);
    return 0;
}
