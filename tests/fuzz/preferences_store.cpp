// The preferences store on any file: read it, write one key, read the file again. Oracle:
// nothing is lost: every key the file held keeps its value beside the new key, and a file
// that was not a dictionary is kept whole as "<name>.corrupt".
#include "cephei/Preferences.h"
#include "device/Root.h"
#include "foundation/Collections.h"
#include "foundation/Date.h"
#include "foundation/Number.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "preferences_store: %s\n", what);
    std::abort();
}

// Equal, or equal as far as libplist can keep them: it holds a date to the microsecond and may
// move it by one when it writes it back, and NaN equals nothing.
bool kept(const objc::Object* was, const objc::Object* is) {
    if (!was || !is)
        return was == is;
    if (was->isEqual(is))
        return true;
    if (auto* d = dynamic_cast<const NS::Date*>(was)) {
        auto* e = dynamic_cast<const NS::Date*>(is);
        return e && std::fabs(d->timeIntervalSince1970() - e->timeIntervalSince1970()) <= 2e-6;
    }
    if (auto* n = dynamic_cast<const NS::Number*>(was)) {
        auto* m = dynamic_cast<const NS::Number*>(is);
        return m && std::isnan(n->doubleValue()) && std::isnan(m->doubleValue());
    }
    if (auto* a = dynamic_cast<const NS::Array*>(was)) {
        auto* b = dynamic_cast<const NS::Array*>(is);
        if (!b || a->count() != b->count())
            return false;
        for (std::size_t i = 0; i < a->count(); ++i)
            if (!kept(a->items()[i].get(), b->items()[i].get()))
                return false;
        return true;
    }
    auto* a = dynamic_cast<const NS::Dictionary*>(was);
    auto* b = dynamic_cast<const NS::Dictionary*>(is);
    if (!a || !b || a->count() != b->count())
        return false;
    for (const auto& [key, value] : a->entries())
        if (!kept(value.get(), b->objectForKey(key).get()))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "tapsonata-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            fail("cannot make a device root");
        device::setRoot(pattern);
        return fs::path(pattern);
    }();
    const fs::path file = root / "var/mobile/Library/Preferences/fuzz.plist";
    const fs::path aside = file.string() + ".corrupt";
    fs::create_directories(file.parent_path());
    fs::remove(aside);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    objc::RefPtr<objc::Object> before = NS::propertyListFromBytes(bytes);

    HB::Preferences::forgetSharedInstances();
    auto prefs = HB::Preferences::preferencesForIdentifier(NS::str("fuzz").ptr());
    prefs->setBoolForKey(true, NS::str("written").ptr());

    objc::RefPtr<objc::Object> after = NS::propertyListFromBytes(contents(file));
    auto* stored = dynamic_cast<NS::Dictionary*>(after.get());
    if (!stored || !stored->objectForKey("written"))
        fail("the written key is not in the file");
    if (auto* held = dynamic_cast<NS::Dictionary*>(before.get())) {
        for (const auto& [key, value] : held->entries()) {
            if (key == "written" || !value)
                continue;
            if (!kept(value.get(), stored->objectForKey(key).get()))
                fail("a key the file held was lost or changed");
        }
    } else if (contents(aside) != bytes) {
        fail("a malformed file was not kept aside whole");
    }
    return 0;
}
