// URLWithString on any text, and on what the kit builds from a user's text: the Twitter
// profile for a handle and the mail link for an address. Oracles: the profile asks the
// clients in order and no further than the first yes, and ends with the handle; a URL keeps
// its text and parses again the same; a file URL gives its path back.
#include "Fuzz.h"
#include "foundation/URL.h"
#include "kit/FollowDecisions.h"
#include "kit/PaneDecisions.h"

#include <vector>

namespace {

// A URL made of the text, if any, must keep it and read the same a second time.
void checkURL(const std::string& text) {
    objc::RefPtr<NS::URL> url = NS::URL::URLWithString(text);
    if (!url)
        return;
    fuzz::check(url->absoluteString() == text, "a URL changed its text", text);
    objc::RefPtr<NS::URL> again = NS::URL::URLWithString(url->absoluteString());
    fuzz::check(again && again->isEqual(url.get()) && again->scheme() == url->scheme(),
                "a URL did not parse again the same", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    unsigned installed = data[0]; // which clients answer yes to their probe, a bit each
    std::string text = fuzz::text(data + 1, size - 1);
    checkURL(text);

    std::vector<std::string> asked;
    std::string profile = kit::profileURL(text, [&](const std::string& probe) {
        asked.push_back(probe);
        fuzz::check(NS::URL::URLWithString(probe) != nullptr, "a probe is not a URL", probe);
        return ((installed >> (asked.size() - 1)) & 1) != 0;
    });
    for (std::size_t i = 0; i + 1 < asked.size(); ++i)
        fuzz::check(((installed >> i) & 1) == 0, "a client was probed after one said yes", profile);
    fuzz::check(profile.ends_with(text), "the profile does not end with the handle", profile);
    checkURL(profile);

    std::string mail = std::string(kit::kMailLinkPrefix) + text;
    checkURL(mail);
    objc::RefPtr<NS::URL> url = NS::URL::URLWithString(mail);
    fuzz::check(!url || url->scheme() == "mailto", "a mail link lost its scheme", mail);

    // Device paths without NUL: a file URL carries the path through its escapes unchanged.
    if (!text.empty() && text[0] == '/' && text.find('\0') == std::string::npos) {
        objc::Ref<NS::URL> file = NS::URL::fileURLWithPath(text);
        fuzz::check(file->isFileURL() && file->path() == text, "a file URL lost its path", text);
        checkURL(file->absoluteString());
    }
    return 0;
}
