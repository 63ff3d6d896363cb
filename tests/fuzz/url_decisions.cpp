// URLWithString on any text, and on what the kit builds from a user's text: the Twitter
// profile for a handle and the mail link for an address. Oracles: the profile asks the
// clients in order and no further than the first yes, and ends with the handle; a URL keeps
// its text and parses again the same; a file URL gives its path back.
#include "foundation/URL.h"
#include "kit/FollowDecisions.h"
#include "kit/PaneDecisions.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "url_decisions: %s: %s\n", what, text.c_str());
    std::abort();
}

// A URL made of the text, if any, must keep it and read the same a second time.
void checkURL(const std::string& text) {
    objc::RefPtr<NS::URL> url = NS::URL::URLWithString(text);
    if (!url)
        return;
    if (url->absoluteString() != text)
        fail("a URL changed its text", text);
    objc::RefPtr<NS::URL> again = NS::URL::URLWithString(url->absoluteString());
    if (!again || !again->isEqual(url.get()) || again->scheme() != url->scheme())
        fail("a URL did not parse again the same", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    unsigned installed = data[0]; // which clients answer yes to their probe, a bit each
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    checkURL(text);

    std::vector<std::string> asked;
    std::string profile = kit::profileURL(text, [&](const std::string& probe) {
        asked.push_back(probe);
        if (!NS::URL::URLWithString(probe))
            fail("a probe is not a URL", probe);
        return ((installed >> (asked.size() - 1)) & 1) != 0;
    });
    for (std::size_t i = 0; i + 1 < asked.size(); ++i)
        if ((installed >> i) & 1)
            fail("a client was probed after one said yes", profile);
    if (profile.size() < text.size() ||
        profile.compare(profile.size() - text.size(), text.size(), text))
        fail("the profile does not end with the handle", profile);
    checkURL(profile);

    std::string mail = std::string(kit::kMailLinkPrefix) + text;
    checkURL(mail);
    if (objc::RefPtr<NS::URL> url = NS::URL::URLWithString(mail); url && url->scheme() != "mailto")
        fail("a mail link lost its scheme", mail);

    // Device paths without NUL: a file URL carries the path through its escapes unchanged.
    if (!text.empty() && text[0] == '/' && text.find('\0') == std::string::npos) {
        objc::Ref<NS::URL> file = NS::URL::fileURLWithPath(text);
        if (!file->isFileURL() || file->path() != text)
            fail("a file URL lost its path", text);
        checkURL(file->absoluteString());
    }
    return 0;
}
