#include "foundation/Number.h"

#include "objc/Runtime.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace NS {

namespace {
objc::Class* numberClass() {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSNumber", objc::NSObjectClass());
    return cls;
}
} // namespace

objc::Ref<Number> Number::numberWithBool(bool value) {
    auto n = objc::adopt(new Number(Kind::Bool, value ? 1 : 0, value ? 1 : 0));
    n->setIsa(numberClass());
    return n;
}

objc::Ref<Number> Number::numberWithLongLong(long long value) {
    auto n = objc::adopt(new Number(Kind::Integer, value, static_cast<double>(value)));
    n->setIsa(numberClass());
    return n;
}

objc::Ref<Number> Number::numberWithDouble(double value) {
    auto n = objc::adopt(new Number(Kind::Real, 0, value));
    n->setIsa(numberClass());
    return n;
}

bool Number::boolValue() const {
    return m_kind == Kind::Real ? m_real != 0.0 : m_int != 0;
}

long long Number::longLongValue() const {
    if (m_kind != Kind::Real)
        return m_int;
    if (std::isnan(m_real))
        return 0;
    if (m_real >= 9.2233720368547758e18)
        return LLONG_MAX;
    if (m_real <= -9.2233720368547758e18)
        return LLONG_MIN;
    return static_cast<long long>(m_real); // truncates toward zero
}

int Number::intValue() const {
    if (m_kind == Kind::Real) {
        // Saturate as the device's float-to-int conversion does; C++ would leave it undefined.
        if (std::isnan(m_real))
            return 0;
        if (m_real >= 2147483647.0)
            return INT_MAX;
        if (m_real <= -2147483648.0)
            return INT_MIN;
        return static_cast<int>(m_real);
    }
    return static_cast<int>(m_int); // wraps to 32 bits, as a C cast does
}

double Number::doubleValue() const {
    return m_kind == Kind::Real ? m_real : static_cast<double>(m_int);
}

std::string Number::description() const {
    if (m_kind != Kind::Real)
        return std::to_string(m_int);
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, m_real);
    return ec == std::errc() ? std::string(buffer, end) : std::to_string(m_real);
}

bool Number::isEqual(const objc::Object* other) const {
    auto* n = dynamic_cast<const Number*>(other);
    if (!n)
        return false;
    if (m_kind == Kind::Real || n->m_kind == Kind::Real)
        return doubleValue() == n->doubleValue();
    return m_int == n->m_int;
}

} // namespace NS
