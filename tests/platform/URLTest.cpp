// NS::URL: which texts are URLs (checked by uriparser), and file URLs of device paths.
#include "foundation/URL.h"

#include <gtest/gtest.h>

namespace {

using NS::URL;

TEST(URLValidity, SchemesAndQueriesAreValid) {
    for (const char* text :
         {"tweetbot:", "twitter://user?screen_name=X", "tweetbot:///user_profile/X",
          "mailto:someone@example.com", "https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick",
          "http://twitter.com/intent/user?screen_name=X", "relative/path"}) {
        objc::RefPtr<URL> url = URL::URLWithString(text);
        ASSERT_TRUE(url) << text;
        EXPECT_EQ(url->absoluteString(), text);
    }
}

TEST(URLValidity, TextThatIsNotAURLGivesNil) {
    for (const char* text : {"http://twitter.com/a b", "mailto:a b@c", "", "http://x/%zz",
                             "http://[::1", "a\"b", "tab\there"})
        EXPECT_FALSE(URL::URLWithString(text)) << text;
    EXPECT_FALSE(URL::URLWithString(static_cast<const NS::String*>(nullptr)));
    EXPECT_FALSE(URL::URLWithString(std::string_view("a\0b", 3)));
}

TEST(URLValidity, SchemeIsParsed) {
    EXPECT_EQ(URL::URLWithString("tweetbot:")->scheme(), "tweetbot");
    EXPECT_EQ(URL::URLWithString(NS::str("twitter://user?screen_name=X").ptr())->scheme(),
              "twitter");
    EXPECT_EQ(URL::URLWithString("relative/path")->scheme(), "");
    EXPECT_FALSE(URL::URLWithString("mailto:x@y")->isFileURL());
}

TEST(FileURL, PathWithSpacesRoundTrips) {
    const std::string path = "/Library/Application Support/Tapsonata/piano/do1.mp3";
    auto url = URL::fileURLWithPath(path);
    EXPECT_TRUE(url->isFileURL());
    EXPECT_EQ(url->path(), path);
    EXPECT_EQ(url->absoluteString(),
              "file:///Library/Application%20Support/Tapsonata/piano/do1.mp3");
    objc::RefPtr<URL> parsed = URL::URLWithString(url->absoluteString());
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->isFileURL());
    EXPECT_EQ(parsed->path(), path);
    EXPECT_TRUE(parsed->isEqual(url.ptr()));
}

TEST(FileURL, ReservedAndNonAsciiCharactersRoundTrip) {
    const std::string path = "/tmp/caf\u00e9 50%?#x";
    auto url = URL::fileURLWithPath(NS::str(path).ptr());
    EXPECT_EQ(url->absoluteString(), "file:///tmp/caf%C3%A9%2050%25%3F%23x");
    objc::RefPtr<URL> parsed = URL::URLWithString(url->absoluteString());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->path(), path);
}

TEST(FileURL, RelativePathIsTakenFromTheRoot) {
    auto url = URL::fileURLWithPath("Library/x.plist");
    EXPECT_EQ(url->absoluteString(), "file:///Library/x.plist");
    EXPECT_EQ(url->path(), "/Library/x.plist");
}

TEST(FileURL, QueryAndFragmentAreNotPartOfThePath) {
    EXPECT_EQ(URL::URLWithString("file:///a/b.mp3?x=1#top")->path(), "/a/b.mp3");
    EXPECT_EQ(URL::URLWithString("file://localhost/a/b")->path(), "/a/b");
}

TEST(URLObject, EqualityAndDescription) {
    auto a = URL::URLWithString("tweetbot:");
    auto b = URL::URLWithString("tweetbot:");
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_FALSE(a->isEqual(URL::URLWithString("twitter:").get()));
    EXPECT_FALSE(a->isEqual(NS::str("tweetbot:").ptr()));
    EXPECT_EQ(a->description(), "tweetbot:");
}

} // namespace
