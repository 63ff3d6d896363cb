// Property lists through libplist: XML and binary, in both directions.
#include "device/Root.h"
#include "foundation/Collections.h"
#include "foundation/Data.h"
#include "foundation/Number.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <plist/plist.h>
#include <sstream>

namespace NS {

namespace {

// Seconds between the Unix epoch and the device's reference date, 2001-01-01.
constexpr double kReferenceDate = 978307200.0;

struct PlistDeleter {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

RefPtr<objc::Object> toObject(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Number::numberWithBool(b != 0);
    }
    case PLIST_UINT: {
        // libplist keeps integers as 64 bits; negative ones come back two's complement.
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return Number::numberWithLongLong(static_cast<long long>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Number::numberWithDouble(d);
    }
    case PLIST_STRING: {
        char* s = nullptr;
        plist_get_string_val(node, &s);
        auto text = String::string(s ? s : "");
        std::free(s);
        return text;
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        auto data = Data::dataWithBytes(std::string(bytes ? bytes : "", bytes ? length : 0));
        std::free(bytes);
        return data;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Date::dateWithTimeIntervalSince1970(kReferenceDate + sec + usec / 1e6);
    }
    case PLIST_ARRAY: {
        std::vector<RefPtr<objc::Object>> items;
        uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i)
            if (RefPtr<objc::Object> item = toObject(plist_array_get_item(node, i)))
                items.push_back(std::move(item));
        return Array::array(std::move(items));
    }
    case PLIST_DICT: {
        auto dict = MutableDictionary::dictionary();
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            if (key)
                dict->setObjectForKey(toObject(value), key);
            std::free(key);
        }
        std::free(it);
        return dict;
    }
    default:
        return nullptr;
    }
}

plist_t fromObject(const objc::Object& object) {
    if (auto* s = dynamic_cast<const String*>(&object))
        return plist_new_string(s->UTF8String());
    if (auto* n = dynamic_cast<const Number*>(&object)) {
        switch (n->kind()) {
        case Number::Kind::Bool:
            return plist_new_bool(n->boolValue());
        case Number::Kind::Integer:
            return plist_new_uint(static_cast<uint64_t>(n->longLongValue()));
        case Number::Kind::Real:
            return plist_new_real(n->doubleValue());
        }
    }
    if (auto* d = dynamic_cast<const Data*>(&object))
        return plist_new_data(d->bytes().data(), d->length());
    if (auto* date = dynamic_cast<const Date*>(&object)) {
        // Whole seconds toward the past and a non-negative fraction, which the binary form
        // keeps (the XML form has whole seconds only).
        double since = date->timeIntervalSince1970() - kReferenceDate;
        double whole = std::floor(since);
        return plist_new_date(static_cast<int32_t>(whole),
                              static_cast<int32_t>(std::lround((since - whole) * 1e6)));
    }
    if (auto* a = dynamic_cast<const Array*>(&object)) {
        plist_t array = plist_new_array();
        for (const auto& item : a->items())
            if (item)
                plist_array_append_item(array, fromObject(*item));
        return array;
    }
    if (auto* d = dynamic_cast<const Dictionary*>(&object)) {
        plist_t dict = plist_new_dict();
        for (const auto& [key, value] : d->entries())
            if (value)
                plist_dict_set_item(dict, key.c_str(), fromObject(*value));
        return dict;
    }
    return plist_new_string(object.description().c_str());
}

} // namespace

RefPtr<objc::Object> propertyListFromBytes(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    plist_t root = nullptr;
    auto length = static_cast<uint32_t>(bytes.size());
    if (plist_is_binary(bytes.data(), length))
        plist_from_bin(bytes.data(), length, &root);
    else
        plist_from_xml(bytes.data(), length, &root);
    if (!root)
        return nullptr;
    PlistPtr owner(root);
    return toObject(root);
}

std::string propertyListToXML(const objc::Object& root) {
    PlistPtr node(fromObject(root));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    std::string out(xml ? xml : "", xml ? length : 0);
    plist_to_xml_free(xml);
    return out;
}

std::string propertyListToBinary(const objc::Object& root) {
    PlistPtr node(fromObject(root));
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node.get(), &bin, &length);
    std::string out(bin ? bin : "", bin ? length : 0);
    plist_to_bin_free(bin);
    return out;
}

RefPtr<MutableDictionary> MutableDictionary::initWithContentsOfFile(const String* path) {
    if (!path)
        return nullptr;
    std::filesystem::path file = device::resolve(path->str());
    if (file.empty())
        return nullptr;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return nullptr;
    std::ostringstream contents;
    contents << in.rdbuf();
    RefPtr<objc::Object> root = propertyListFromBytes(contents.str());
    return RefPtr<MutableDictionary>(dynamic_cast<MutableDictionary*>(root.get()));
}

} // namespace NS
