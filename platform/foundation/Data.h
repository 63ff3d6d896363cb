// NS::Data: immutable bytes, and NS::Date: a point in time.
#pragma once

#include "objc/Object.h"

#include <string>

namespace NS {

class Data : public objc::Object {
public:
    static objc::Ref<Data> dataWithBytes(std::string bytes) {
        return objc::adopt(new Data(std::move(bytes)));
    }
    const std::string& bytes() const { return m_bytes; }
    std::size_t length() const { return m_bytes.size(); }
    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    explicit Data(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::string m_bytes;
};

class Date : public objc::Object {
public:
    // Seconds since 1970-01-01 UTC.
    static objc::Ref<Date> dateWithTimeIntervalSince1970(double seconds) {
        return objc::adopt(new Date(seconds));
    }
    double timeIntervalSince1970() const { return m_seconds; }
    std::string description() const override;

private:
    explicit Date(double seconds) : m_seconds(seconds) {}
    double m_seconds;
};

} // namespace NS
