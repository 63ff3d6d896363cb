// The preferences store on any file: read it, write one key, read the file again. Oracle:
// nothing is lost: every key the file held keeps its value beside the new key, and a file
// that was not a dictionary is kept whole as "<name>.corrupt".
#include "Fuzz.h"
#include "cephei/Preferences.h"
#include "foundation/Collections.h"
#include "tests/support/TemporaryRoot.h"

#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

// Equal as the XML form tells: NaN equals nothing, and libplist may move a date by a
// microsecond when it writes it back. (That a binary file keeps a date's fraction is the
// preferences tests' business.)
bool kept(const objc::Object& was, const objc::Object* is) {
    return is && NS::propertyListToXML(was) == NS::propertyListToXML(*is);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TemporaryRoot root;
    const fs::path file = root / "/var/mobile/Library/Preferences/fuzz.plist";
    const fs::path aside = file.string() + ".corrupt";
    fs::create_directories(file.parent_path());
    fs::remove(aside);
    std::string bytes = fuzz::text(data, size);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    objc::RefPtr<objc::Object> before = NS::propertyListFromBytes(bytes);

    HB::Preferences::forgetSharedInstances();
    auto prefs = HB::Preferences::preferencesForIdentifier(NS::str("fuzz").ptr());
    prefs->setBoolForKey(true, NS::str("written").ptr());

    objc::RefPtr<objc::Object> after = NS::propertyListFromBytes(contents(file));
    auto* stored = dynamic_cast<NS::Dictionary*>(after.get());
    fuzz::check(stored && stored->objectForKey("written"), "the written key is not in the file",
                bytes);
    if (auto* held = dynamic_cast<NS::Dictionary*>(before.get())) {
        for (const auto& [key, value] : held->entries())
            fuzz::check(key == "written" || !value || kept(*value, stored->objectForKey(key).get()),
                        "a key the file held was lost or changed", key);
    } else {
        fuzz::check(contents(aside) == bytes, "a malformed file was not kept aside whole", bytes);
    }
    return 0;
}
