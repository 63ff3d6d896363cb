#include "foundation/Data.h"

#include "objc/Runtime.h"

namespace NS {

Data::Data(std::string bytes) : m_bytes(std::move(bytes)) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSData", objc::NSObjectClass());
    setIsa(cls);
}

objc::Ref<Data> Data::dataWithBytes(std::string bytes) {
    return objc::adopt(new Data(std::move(bytes)));
}

std::string Data::description() const {
    static const char* hex = "0123456789abcdef";
    std::string out = "<";
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        if (i && i % 4 == 0)
            out += ' ';
        auto byte = static_cast<unsigned char>(m_bytes[i]);
        out += hex[byte >> 4];
        out += hex[byte & 15];
    }
    return out + ">";
}

bool Data::isEqual(const objc::Object* other) const {
    auto* d = dynamic_cast<const Data*>(other);
    return d && d->m_bytes == m_bytes;
}

} // namespace NS
