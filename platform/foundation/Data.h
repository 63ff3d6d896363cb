// NS::Data: immutable bytes. (NS::Date, which used to live here, has its own header.)
#pragma once

#include "foundation/Date.h"
#include "objc/Object.h"

#include <string>

namespace NS {

class Data : public objc::Object {
public:
    static objc::Ref<Data> dataWithBytes(std::string bytes);
    const std::string& bytes() const { return m_bytes; }
    std::size_t length() const { return m_bytes.size(); }
    std::string description() const override;
    bool isEqual(const objc::Object* other) const override;

private:
    explicit Data(std::string bytes);
    std::string m_bytes;
};

} // namespace NS
