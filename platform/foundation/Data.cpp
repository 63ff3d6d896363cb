#include "foundation/Data.h"

#include <cstdio>
#include <ctime>

namespace NS {

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

std::string Date::description() const {
    std::time_t t = static_cast<std::time_t>(m_seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char buffer[40];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return buffer;
}

} // namespace NS
