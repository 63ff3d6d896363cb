// NS::URL: which texts are URLs (checked by uriparser), and file URLs of device paths.
#include "foundation/URL.h"

#include <gtest/gtest.h>

namespace {

using NS::URL;

TEST(URLValidity, SchemesAndQueriesAreValid) {
    for (const char* text :
         {"tweetbot:", "twitter://user?screen_name=X", "mailto:someone@example.com",
          "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick", "relative/path"}) {
        objc::RefPtr<URL> url = URL::URLWithString(text);
        ASSERT_TRUE(url) << text;
        EXPECT_EQ(url->absoluteString(), text);
    }
    EXPECT_EQ(URL::URLWithString("twitter://user?screen_name=X")->scheme(), "twitter");
    EXPECT_EQ(URL::URLWithString("relative/path")->scheme(), "");
    EXPECT_FALSE(URL::URLWithString("mailto:x@y")->isFileURL());
}

TEST(URLValidity, TextThatIsNotAURLGivesNil) {
    for (const char* text :
         {"http://twitter.com/a b", "mailto:a b@c", "", "http://x/%zz", "http://[::1", "a\"b"})
        EXPECT_FALSE(URL::URLWithString(text)) << text;
    EXPECT_FALSE(URL::URLWithString(static_cast<const NS::String*>(nullptr)));
    EXPECT_FALSE(URL::URLWithString(std::string_view("a\0b", 3)));
}

TEST(FileURL, PathsWithSpacesReservedAndNonAsciiCharactersRoundTrip) {
    const std::string path = "/Library/Application Support/caf\u00e9 50%?#x.mp3";
    auto url = URL::fileURLWithPath(path);
    EXPECT_TRUE(url->isFileURL());
    EXPECT_EQ(url->path(), path);
    EXPECT_EQ(url->absoluteString(),
              "file:///Library/Application%20Support/caf%C3%A9%2050%25%3F%23x.mp3");
    objc::RefPtr<URL> parsed = URL::URLWithString(url->absoluteString());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->path(), path);
    EXPECT_TRUE(parsed->isEqual(url.ptr()));
}

TEST(FileURL, ARelativePathIsTakenFromTheRootAndQueriesAreNotPartOfThePath) {
    auto url = URL::fileURLWithPath("Library/x.plist");
    EXPECT_EQ(url->absoluteString(), "file:///Library/x.plist");
    EXPECT_EQ(url->path(), "/Library/x.plist");
    EXPECT_EQ(URL::URLWithString("file:///a/b.mp3?x=1#top")->path(), "/a/b.mp3");
    EXPECT_EQ(URL::URLWithString("file://localhost/a/b")->path(), "/a/b");
}

} // namespace
