// UI::Application: questions and opens go through the opener in place; the desktop opener
// asks xdg-mime and starts xdg-open (here, stand-in scripts on a private PATH).
#include "uikit/Application.h"

#include "support/EventRecorder.h"
#include "support/FakeURLOpener.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

objc::RefPtr<NS::URL> url(const char* text) {
    return NS::URL::URLWithString(text);
}

TEST(Application, AsksAndOpensThroughTheOpenerAndReportsBoth) {
    support::EventRecorder events;
    support::ScopedFakeURLOpener opener({"tweetbot"});
    auto& app = UI::Application::sharedApplication();
    EXPECT_TRUE(app.canOpenURL(url("tweetbot:").get()));
    EXPECT_FALSE(app.canOpenURL(url("twitter:").get()));
    EXPECT_FALSE(app.canOpenURL(nullptr));
    EXPECT_EQ(opener->probes(), (std::vector<std::string>{"tweetbot:", "twitter:"}));
    EXPECT_TRUE(opener->opened().empty()) << "asking never opens";
    EXPECT_TRUE(app.openURL(url("http://twitter.com/Quarvo").get()));
    EXPECT_FALSE(app.openURL(nullptr));
    EXPECT_EQ(opener->opened(), (std::vector<std::string>{"http://twitter.com/Quarvo"}));

    auto asked = events.events("can_open_url");
    ASSERT_EQ(asked.size(), 2U);
    EXPECT_EQ(device::jsonField(asked[0], "url"), "tweetbot:");
    EXPECT_EQ(device::jsonField(asked[0], "answer"), "true");
    EXPECT_EQ(device::jsonField(asked[1], "answer"), "false");
    auto opened = events.events("open_url");
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(device::jsonField(opened[0], "url"), "http://twitter.com/Quarvo");
}

TEST(Application, OpenURLPassesOnTheOpenersFailure) {
    support::ScopedFakeURLOpener opener({}, /*openSucceeds=*/false);
    EXPECT_FALSE(UI::Application::sharedApplication().openURL(url("mailto:a@b.c").get()));
    EXPECT_EQ(opener->opened().size(), 1U);
}

// A private PATH holding stand-ins for xdg-mime and xdg-open, for one test.
class DesktopOpener : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tapsonata-xdg-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        m_dir = pattern;
        const char* path = std::getenv("PATH");
        m_oldPath = path ? path : "";
        ::setenv("PATH", m_dir.c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", m_oldPath.c_str(), 1);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    void script(const std::string& name, const std::string& body) const {
        fs::path file = m_dir / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    fs::path file(const std::string& name) const { return m_dir / name; }
    static std::string read(const fs::path& path) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    fs::path m_dir;
    std::string m_oldPath;
};

TEST_F(DesktopOpener, ASchemeCanBeOpenedWhenXdgMimeNamesAHandler) {
    UI::DesktopURLOpener opener;
    EXPECT_FALSE(opener.canOpen("tweetbot:")) << "without xdg-mime";
    // Answers for tweetbot only, and notes what it was asked.
    script("xdg-mime", "echo \"$@\" >> '" + file("asked").string() +
                           "'\n[ \"$3\" = x-scheme-handler/tweetbot ] && echo tweetbot.desktop\n"
                           "exit 0");
    EXPECT_TRUE(opener.canOpen("tweetbot:"));
    EXPECT_FALSE(opener.canOpen("twitterrific:"));
    EXPECT_FALSE(opener.canOpen("/etc/passwd"));
    EXPECT_FALSE(opener.canOpen("-x:"));
    EXPECT_EQ(read(file("asked")), "query default x-scheme-handler/tweetbot\n"
                                   "query default x-scheme-handler/twitterrific\n");
}

TEST_F(DesktopOpener, AQueryThatFailsOrDoesNotAnswerInTimeIsNo) {
    script("xdg-mime", "echo tweetbot.desktop\nexit 3");
    EXPECT_FALSE(UI::DesktopURLOpener().canOpen("tweetbot:"));
    // Answers yes, but only after the opener has stopped waiting.
    script("xdg-mime", "/bin/sleep 30\necho late.desktop");
    EXPECT_FALSE(UI::DesktopURLOpener(100ms).canOpen("tweetbot:"));
}

TEST_F(DesktopOpener, OpenHandsTheURLToXdgOpen) {
    UI::DesktopURLOpener opener;
    EXPECT_FALSE(opener.open("http://twitter.com/Quarvo")) << "without xdg-open";
    fs::path out = file("opened");
    script("xdg-open", "printf '%s' \"$1\" > '" + out.string() + ".part' && /bin/mv '" +
                           out.string() + ".part' '" + out.string() + "'");
    EXPECT_FALSE(opener.open("--help"));
    EXPECT_TRUE(opener.open("twitter://user?screen_name=Quarvo"));
    auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(read(out), "twitter://user?screen_name=Quarvo");
}

} // namespace
