// Event lines: one valid JSON object in UTF-8 per line, read back without ever throwing, and
// stamped with "t" in the order they go out.
#include "device/Events.h"

#include "support/EventRecorder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <thread>

namespace {

TEST(Events, TypedTextRoundTripsAsOneValidLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"\r", "\r"},
        {"\x01", "\x01"},
        {"a\"b\\c\n\t", "a\"b\\c\n\t"},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"\xff", "\xef\xbf\xbd"},
        {"a\xc3", "a\xef\xbf\xbd"},
        {std::string("n\0l", 3), std::string("n\0l", 3)}};
    support::EventRecorder events;
    for (const auto& [typed, back] : cases)
        device::emit("key", {{"text", typed}});
    std::vector<support::Event> lines = events.events();
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string& line = lines[i].line;
        EXPECT_TRUE(nlohmann::json::accept(line)) << line;
        EXPECT_EQ(line.find_first_of("\r\n\x01"), std::string::npos) << line;
        EXPECT_EQ(device::jsonField(line, "text"), cases[i].second) << line;
    }
}

TEST(Events, LinesThatAreNotEventsReadAsNothing) {
    const std::string deep = std::string(10000, '[') + std::string(10000, ']');
    for (const std::string& line :
         {std::string("{\"event"), std::string("{\"event\":"), std::string(""),
          std::string("event"), std::string("[1]"), std::string("{\"event\":\"x\"} tail"),
          "{\"a\":" + deep + "}", std::string("{\"event\":\"\xff\"}")}) {
        EXPECT_EQ(device::jsonField(line, "event"), std::nullopt) << line;
        std::string kept = device::withField(line, "process", "keyboard");
        EXPECT_EQ(device::jsonField(kept, "event"), "unreadable") << line;
        EXPECT_TRUE(nlohmann::json::accept(kept)) << kept;
    }
}

TEST(Events, TCountsTheEventClockAndGoesOutInOrder) {
    std::vector<std::string> lines; // the sink is called in order, one line at a time
    device::setEventSink([&](const std::string& line) { lines.push_back(line); });
    device::setEventClock([] { return std::chrono::milliseconds(1500); });
    device::emit("sound", {{"id", 1}});
    device::setEventClock(nullptr);
    {
        std::vector<std::jthread> threads(4);
        for (std::jthread& t : threads)
            t = std::jthread([] {
                for (int n = 0; n < 500; ++n)
                    device::emit("tick", {});
            });
    }
    device::setEventSink(nullptr);
    ASSERT_EQ(lines.size(), 2001u);
    EXPECT_EQ(device::jsonField(lines[0], "t"), "1.5");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        double t = std::stod(device::jsonField(lines[i], "t").value_or("-1"));
        ASSERT_GE(t, i == 1 ? 0.0 : std::stod(*device::jsonField(lines[i - 1], "t"))) << i;
    }
}

} // namespace
