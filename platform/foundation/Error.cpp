#include "foundation/Error.h"

#include "objc/Runtime.h"

namespace NS {

const char* const URLErrorDomain = "NSURLErrorDomain";

Error::Error(Ref<String> domain, long code, Ref<String> description)
    : m_domain(std::move(domain)), m_code(code), m_description(std::move(description)) {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSError", objc::NSObjectClass());
    setIsa(cls);
}

Ref<Error> Error::errorWithDomainCodeDescription(const String* domain, long code,
                                                 const String* localizedDescription) {
    Ref<String> d = domain ? Ref<String>(const_cast<String&>(*domain)) : String::string();
    Ref<String> text = localizedDescription
                           ? Ref<String>(const_cast<String&>(*localizedDescription))
                           : String::stringWithFormat("The operation couldn\u2019t be completed. "
                                                      "(%@ error %d.)",
                                                      d, code);
    return objc::adopt(new Error(std::move(d), code, std::move(text)));
}

Ref<Error> Error::errorWithDomainCodeDescription(std::string_view domain, long code,
                                                 std::string_view localizedDescription) {
    Ref<String> text = String::string(localizedDescription);
    return errorWithDomainCodeDescription(String::string(domain).ptr(), code,
                                          localizedDescription.empty() ? nullptr : text.ptr());
}

std::string Error::description() const {
    return "Error Domain=" + m_domain->str() + " Code=" + std::to_string(m_code) + " \"" +
           m_description->str() + "\"";
}

bool Error::isEqual(const objc::Object* other) const {
    auto* e = dynamic_cast<const Error*>(other);
    return e && e->m_code == m_code && e->m_domain->str() == m_domain->str();
}

} // namespace NS
