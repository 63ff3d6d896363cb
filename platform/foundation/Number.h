// NS::Number: a boxed bool, integer or real number.
#pragma once

#include "objc/Object.h"

#include <cstdint>
#include <string>

namespace NS {

class Number : public objc::Object {
public:
    enum class Kind { Bool, Integer, Real };

    static objc::Ref<Number> numberWithBool(bool value);
    static objc::Ref<Number> numberWithLongLong(long long value);
    static objc::Ref<Number> numberWithInt(int value) { return numberWithLongLong(value); }
    static objc::Ref<Number> numberWithDouble(double value);

    Kind kind() const { return m_kind; }
    bool boolValue() const;
    // Truncates toward zero and wraps to 32 bits, like the device's `(int)` conversion.
    int intValue() const;
    long long longLongValue() const;
    double doubleValue() const;

    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    Number(Kind kind, long long i, double d) : m_kind(kind), m_int(i), m_real(d) {}
    Kind m_kind;
    long long m_int;
    double m_real;
};

} // namespace NS
