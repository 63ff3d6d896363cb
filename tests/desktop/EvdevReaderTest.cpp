// The evdev reader on recorded streams of `input_event`s, each keyboard a pipe.
#include "sim/KeySourceEvdev.h"
#include "support/TemporaryRoot.h"

#include <fstream>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using sim::Click;

struct Recorded {
    const char* name;
    std::vector<input_event> events;
    std::vector<Click> clicks;
};

input_event key(unsigned code, int value) {
    return {{}, EV_KEY, static_cast<__u16>(code), value};
}
const input_event kReport{{}, EV_SYN, SYN_REPORT, 0};
const input_event kDropped{{}, EV_SYN, SYN_DROPPED, 0};

// Each key pressed, reported and released in turn.
std::vector<input_event> strokes(std::initializer_list<unsigned> codes) {
    std::vector<input_event> all;
    for (unsigned code : codes)
        all.insert(all.end(), {key(code, 1), kReport, key(code, 0), kReport});
    return all;
}

void PrintTo(const Recorded& recorded, std::ostream* out) {
    *out << recorded.name;
}

constexpr Click C = Click::Character, D = Click::Delete;

class EvdevReader : public testing::TestWithParam<Recorded> {};

TEST_P(EvdevReader, EachPressMakesItsClickAndNothingElseDoes) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    sim::EvdevKeySource source;
    source.addStream(fds[0], "recorded");
    // Written 7 bytes at a time: a reader must not lose an event split in two.
    const auto& events = GetParam().events;
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    const std::size_t size = events.size() * sizeof(input_event);
    sim::KeyBatch batch;
    for (std::size_t at = 0; at < size; at += 7) {
        ASSERT_EQ(write(fds[1], bytes + at, std::min<std::size_t>(7, size - at)),
                  static_cast<ssize_t>(std::min<std::size_t>(7, size - at)));
        ASSERT_TRUE(source.read(batch));
    }
    EXPECT_EQ(batch.clicks, GetParam().clicks);
    EXPECT_TRUE(batch.notices.empty());
    close(fds[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, EvdevReader,
    testing::Values(
        // clang-format off
        // Enter, space and arrows are keys like letters and digits.
        Recorded{"Keys", strokes({KEY_H, KEY_1, KEY_ENTER, KEY_SPACE, KEY_LEFT}), {C, C, C, C, C}},
        Recorded{"HeldKeyRepeats", {key(KEY_A, 1), kReport, key(KEY_A, 2), kReport, key(KEY_A, 2),
                                    kReport, key(KEY_A, 0), kReport}, {C}},
        Recorded{"ModifiersAloneAndMouseButtons", strokes({KEY_LEFTSHIFT, KEY_RIGHTCTRL,
                 KEY_LEFTALT, KEY_LEFTMETA, KEY_CAPSLOCK, KEY_NUMLOCK, BTN_LEFT, BTN_RIGHT}), {}},
        Recorded{"ShiftedLetter", {key(KEY_LEFTSHIFT, 1), kReport, key(KEY_A, 1), kReport,
                                   key(KEY_A, 0), key(KEY_LEFTSHIFT, 0), kReport}, {C}},
        Recorded{"BackspaceAndDelete", strokes({KEY_X, KEY_BACKSPACE, KEY_DELETE}), {C, D, D}},
        // After the kernel dropped events, what comes before the next report is unreliable.
        Recorded{"DroppedUntilReport",
                 {key(KEY_A, 1), kReport, kDropped, key(KEY_B, 1), kReport, key(KEY_C, 1), kReport},
                 {C, C}}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.name); });

TEST(EvdevReader, AKeyboardThatDisappearsIsDroppedAndTheOthersKept) {
    int first[2], second[2];
    ASSERT_EQ(pipe(first), 0);
    ASSERT_EQ(pipe(second), 0);
    sim::EvdevKeySource source;
    source.addStream(first[0], "first");
    source.addStream(second[0], "second");
    // Half an event, and then the device is gone.
    std::vector<input_event> events = strokes({KEY_A, KEY_B});
    ASSERT_GT(write(first[1], events.data(), sizeof(input_event) * 5 + 3), 0);
    close(first[1]);
    sim::KeyBatch batch;
    ASSERT_TRUE(source.read(batch));
    EXPECT_EQ(batch.clicks, std::vector<Click>({C, C}));
    EXPECT_EQ(batch.notices, std::vector<std::string>{"a keyboard went away: first"});
    EXPECT_EQ(source.keyboards(), 1u);
    close(second[1]);
}

TEST(EvdevReader, RefusedAccessSaysHowToGetIt) {
    TemporaryRoot folder;
    std::ofstream(folder.root() / "event3") << "x";
    std::filesystem::permissions(folder.root() / "event3", std::filesystem::perms::none);
    std::filesystem::permissions(folder.root(), std::filesystem::perms::all);
    pid_t child = fork();
    if (child == 0) { // as nobody, since root is let in anywhere
        std::optional<std::string> error = geteuid() == 0 && (setgid(65534) || setuid(65534))
                                               ? std::nullopt
                                               : sim::EvdevKeySource(folder.root()).scan();
        _exit(error && error->find("event3: permission denied") != std::string::npos &&
                      error->find("usermod -aG input $USER") != std::string::npos
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
