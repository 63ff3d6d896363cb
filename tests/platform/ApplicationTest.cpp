// The desktop URL opener asks xdg-mime and starts xdg-open (here, stand-in scripts on a
// private PATH), and never lets a URL pass for an option.
#include "uikit/Application.h"

#include "support/TemporaryRoot.h"

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

// A private PATH holding stand-ins for xdg-mime and xdg-open, for one test.
class DesktopOpener : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("PATH", m_dir.root().c_str(), 1); }
    void TearDown() override { ::setenv("PATH", m_oldPath.c_str(), 1); }

    void script(const std::string& name, const std::string& body) const {
        m_dir.write("/" + name, "#!/bin/sh\n" + body + "\n");
        fs::permissions(file(name), fs::perms::owner_all);
    }
    fs::path file(const std::string& name) const { return m_dir.path("/" + name); }
    static std::string read(const fs::path& path) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    TemporaryRoot m_dir;
    std::string m_oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
};

TEST_F(DesktopOpener, ASchemeCanBeOpenedOnlyWhenXdgMimeNamesAHandlerInTime) {
    UI::DesktopURLOpener opener;
    EXPECT_FALSE(opener.canOpen("tweetbot:")) << "without xdg-mime";
    // Answers for tweetbot only, and notes what it was asked.
    script("xdg-mime", "echo \"$@\" >> '" + file("asked").string() +
                           "'\n[ \"$3\" = x-scheme-handler/tweetbot ] && echo tweetbot.desktop\n"
                           "exit 0");
    EXPECT_TRUE(opener.canOpen("tweetbot:"));
    EXPECT_FALSE(opener.canOpen("twitterrific:"));
    EXPECT_FALSE(opener.canOpen("-x:"));
    EXPECT_EQ(read(file("asked")), "query default x-scheme-handler/tweetbot\n"
                                   "query default x-scheme-handler/twitterrific\n");
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
