// The property-list reader on any bytes, XML or binary. Oracle: whatever it accepts is written
// back in both forms and read back equal.
#include "foundation/Collections.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objc::RefPtr<objc::Object> read =
        NS::propertyListFromBytes(std::string(reinterpret_cast<const char*>(data), size));
    if (!read)
        return 0;
    for (const std::string& again : {NS::propertyListToBinary(*read), NS::propertyListToXML(*read)}) {
        objc::RefPtr<objc::Object> back = NS::propertyListFromBytes(again);
        if (!back || !read->isEqual(back.get())) {
            std::fprintf(stderr, "plist_reader: read %s\nback %s\n", read->description().c_str(),
                         back ? back->description().c_str() : "nil");
            std::abort();
        }
    }
    return 0;
}
