// NS::Date: a point in time, as seconds since 1970-01-01 UTC.
#pragma once

#include "objc/Object.h"

#include <string>

namespace NS {

class Date : public objc::Object {
public:
    // Now, by the process's clock (foundation/Clock.h), so tests can fix it.
    static objc::Ref<Date> date();
    static objc::Ref<Date> dateWithTimeIntervalSince1970(double seconds);

    double timeIntervalSince1970() const { return m_seconds; }
    // "2026-12-31 23:30:00 +0000"
    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    explicit Date(double seconds);
    double m_seconds;
};

} // namespace NS
