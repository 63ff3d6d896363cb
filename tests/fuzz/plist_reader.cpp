// The property-list reader on any bytes, XML or binary. Oracle: whatever it accepts is written
// back and read again: the binary form gives an equal list (NaN aside, which equals nothing,
// and dates to the second, as libplist truncates microseconds), and the XML form, which keeps
// whole seconds only, writes the same XML again.
#include "Fuzz.h"
#include "foundation/Collections.h"

namespace {
// Stops the run, showing the list read and what it read back as.
[[noreturn]] void fail(const char* what, const objc::Object& read, const objc::Object* back) {
    fuzz::fail(what,
               "\nread " + read.description() + "\nback " + (back ? back->description() : "nil"));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objc::RefPtr<objc::Object> read = NS::propertyListFromBytes(fuzz::text(data, size));
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
