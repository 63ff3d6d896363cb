#include "tweak/TweakSettings.h"

#include "foundation/Number.h"

namespace tweak {

TweakSettings& settings() {
    static TweakSettings instance;
    return instance;
}

namespace {

// boolValue and intValue where the stored object has them; nil and other types give 0.
bool boolValue(const objc::Object* value) {
    if (auto* text = dynamic_cast<const NS::String*>(value))
        return text->boolValue();
    if (auto* number = dynamic_cast<const NS::Number*>(value))
        return number->boolValue();
    return false;
}

int intValue(const objc::Object* value) {
    if (auto* text = dynamic_cast<const NS::String*>(value))
        return text->intValue();
    if (auto* number = dynamic_cast<const NS::Number*>(value))
        return number->intValue();
    return 0;
}

} // namespace

FileSettings readFileSettings(const NS::Dictionary* file) {
    FileSettings result;
    if (!file)
        return result;
    result.enabled = boolValue(file->objectForKey("enabled").get());
    // 0 (absent, unreadable or stored as 0) selects piano; any other value is kept as it is.
    int instrument = intValue(file->objectForKey("instrument").get());
    result.instrument = instrument == 0 ? kDefaultInstrument : instrument;
    return result;
}

} // namespace tweak
