// Event lines are stamped with "t" in the order they go out. That any text written reads back
// from one valid JSON line, and that a line which is not an event reads as nothing, is the
// event_line fuzz target's oracle.
#include "device/Events.h"

#include "fixtures/Threads.h"

#include <gtest/gtest.h>

namespace {

TEST(Events, TCountsTheEventClockAndGoesOutInOrder) {
    std::vector<std::string> lines; // the sink is called in order, one line at a time
    device::setEventSink([&](const std::string& line) { lines.push_back(line); });
    device::setEventClock([] { return std::chrono::milliseconds(1500); });
    device::emit("sound", {{"id", 1}});
    device::setEventClock(nullptr);
    fixtures::onThreads(4, [](int) {
        for (int n = 0; n < 500; ++n)
            device::emit("tick", {});
    });
    device::setEventSink(nullptr);
    ASSERT_EQ(lines.size(), 2001u);
    EXPECT_EQ(device::jsonField(lines[0], "t"), "1.5");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        double t = std::stod(device::jsonField(lines[i], "t").value_or("-1"));
        ASSERT_GE(t, i == 1 ? 0.0 : std::stod(*device::jsonField(lines[i - 1], "t"))) << i;
    }
}

} // namespace
