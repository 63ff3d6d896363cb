// The property-list reader on any bytes, XML or binary. Oracle: whatever it accepts is written
// back and read again: the binary form gives an equal list (NaN aside, which equals nothing,
// and dates to the second, as libplist truncates microseconds), and the XML form, which keeps
// whole seconds only, writes the same XML again.
#include "foundation/Collections.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
[[noreturn]] void fail(const char* what, const objc::Object& read, const objc::Object* back) {
    std::fprintf(stderr, "plist_reader: %s\nread %s\nback %s\n", what, read.description().c_str(),
                 back ? back->description().c_str() : "nil");
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objc::RefPtr<objc::Object> read =
        NS::propertyListFromBytes(std::string(reinterpret_cast<const char*>(data), size));
    if (!read)
        return 0;
    objc::RefPtr<objc::Object> back = NS::propertyListFromBytes(NS::propertyListToBinary(*read));
    if (!back || (!read->isEqual(back.get()) &&
                  NS::propertyListToXML(*read) != NS::propertyListToXML(*back)))
        fail("the binary form reads back different", *read, back.get());
    std::string xml = NS::propertyListToXML(*read);
    back = NS::propertyListFromBytes(xml);
    if (!back || NS::propertyListToXML(*back) != xml)
        fail("the XML form reads back different", *read, back.get());
    return 0;
}
