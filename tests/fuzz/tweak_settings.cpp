// The tweak's reading of its settings file, on whatever the property-list reader makes of any
// bytes. Oracle: no file gives the defaults, and the instrument is never 0 (0 selects piano).
#include "Fuzz.h"
#include "foundation/Collections.h"
#include "tweak/TweakSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(fuzz::text(data, size));
    auto* file = dynamic_cast<NS::Dictionary*>(root.get());
    tweak::FileSettings settings = tweak::readFileSettings(file);
    fuzz::check(
        settings.instrument != 0 &&
            (file || (!settings.enabled && settings.instrument == tweak::kDefaultInstrument)),
        "not the defaults, or instrument 0",
        std::to_string(settings.enabled) + " " + std::to_string(settings.instrument));
    return 0;
}
