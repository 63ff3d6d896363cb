// The tweak's reading of its settings file, on whatever the property-list reader makes of any
// bytes. Oracle: no file gives the defaults, and the instrument is never 0 (0 selects piano).
#include "foundation/Collections.h"
#include "tweak/TweakSettings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objc::RefPtr<objc::Object> root =
        NS::propertyListFromBytes(std::string(reinterpret_cast<const char*>(data), size));
    auto* file = dynamic_cast<NS::Dictionary*>(root.get());
    tweak::FileSettings settings = tweak::readFileSettings(file);
    if (settings.instrument == 0 ||
        (!file && (settings.enabled || settings.instrument != tweak::kDefaultInstrument))) {
        std::fprintf(stderr, "tweak_settings: enabled %d, instrument %d\n", settings.enabled,
                     settings.instrument);
        std::abort();
    }
    return 0;
}
