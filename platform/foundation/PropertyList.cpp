// Property lists through libplist: XML and binary, in both directions.
#include "device/Root.h"
#include "foundation/Collections.h"
#include "foundation/Data.h"
#include "foundation/FileContents.h"
#include "foundation/Number.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <plist/plist.h>
#include <pthread.h>
#include <utility>
#include <vector>

namespace NS {

namespace {

// Seconds between the Unix epoch and the device's reference date, 2001-01-01.
constexpr double kReferenceDate = 978307200.0;

struct PlistDeleter {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Containers nested deeper than this make the file malformed. Settings are a few levels deep;
// the bound keeps every recursion below (libplist's and ours) far inside a 512 KiB stack.
constexpr std::size_t kMaxDepth = 128;
// Past this many XML containers, or binary objects once shared ones are counted at each use,
// a file is not read at all.
constexpr std::size_t kMaxContainers = std::size_t{1} << 18;
// Freeing an XML tree, libplist recurses once per level, using well under this many bytes.
constexpr std::size_t kStackPerContainer = 256;

uint64_t bigEndian(const unsigned char* at, std::size_t width) {
    uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = value << 8 | at[i];
    return value;
}

// Whether libplist may parse a binary list: its object table is whole, acyclic, nests at
// most kMaxDepth deep and expands to at most kMaxContainers objects. Checked first because
// libplist recurses once per level, spends time quadratic in the depth, and parses a shared
// object again at each reference to it.
bool binaryWithinBounds(const std::string& bytes) {
    if (bytes.size() < 40)
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint64_t end = bytes.size() - 32; // the trailer
    const std::size_t offsetSize = data[end + 6], refSize = data[end + 7];
    const uint64_t objects = bigEndian(data + end + 8, 8), top = bigEndian(data + end + 16, 8),
                   table = bigEndian(data + end + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || top >= objects ||
        table > end || objects > (end - table) / offsetSize)
        return false;
    // The objects a container refers to; false when the object runs past the table, or is
    // an ASCII string holding a NUL, which libplist would cut short there without a word.
    auto children = [&](uint64_t object, std::vector<uint64_t>& out) {
        out.clear();
        uint64_t at = bigEndian(data + table + object * offsetSize, offsetSize);
        if (at >= end)
            return false;
        unsigned kind = data[at] >> 4;
        uint64_t count = data[at++] & 0xf;
        if (kind != 0x5 && kind != 0xa && kind != 0xc && kind != 0xd)
            return true;
        if (count == 0xf) {
            std::size_t width = at < end ? std::size_t{1} << (data[at] & 0xf) : 16;
            if (width > 8 || (data[at] >> 4) != 1 || at + 1 + width > end)
                return false;
            count = bigEndian(data + at + 1, width);
            at += 1 + width;
        }
        if (kind == 0x5)
            return count <= end - at && !std::memchr(data + at, 0, count);
        if (count > (end - at) / refSize / (kind == 0xd ? 2 : 1))
            return false;
        for (uint64_t i = 0; i < count * (kind == 0xd ? 2 : 1); ++i)
            if ((out.emplace_back(bigEndian(data + at + i * refSize, refSize))) >= objects)
                return false;
        return true;
    };
    // Depth-first without recursion; `size` is each finished object's expanded object count.
    struct Frame {
        uint64_t object;
        std::vector<uint64_t> children;
        std::size_t next = 0;
        uint64_t size = 1;
    };
    std::vector<uint64_t> size(objects, 0); // 0: not finished yet
    std::vector<bool> open(objects, false);
    std::vector<Frame> path(1, Frame{top, {}});
    if (!children(top, path[0].children))
        return false;
    open[top] = true;
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.children.size()) {
            size[frame.object] = frame.size;
            open[frame.object] = false;
            uint64_t done = frame.size;
            path.pop_back();
            if (!path.empty() && (path.back().size += done) > kMaxContainers)
                return false;
            continue;
        }
        uint64_t child = frame.children[frame.next++];
        if (open[child])
            return false; // a cycle
        if (size[child] != 0) {
            if ((frame.size += size[child]) > kMaxContainers)
                return false;
            continue;
        }
        Frame next{child, {}};
        if (!children(child, next.children))
            return false;
        if (!next.children.empty() && path.size() >= kMaxDepth)
            return false;
        open[child] = true;
        path.push_back(std::move(next));
    }
    return true;
}

// An upper bound on how deep libplist's tree of an XML list can nest: containers come only
// from "<array" and "<dict" tags.
std::size_t xmlContainerBound(const std::string& bytes) {
    std::size_t count = 0;
    for (const char* tag : {"<array", "<dict"})
        for (std::size_t at = bytes.find(tag); at != std::string::npos;
             at = bytes.find(tag, at + 1))
            ++count;
    return count;
}

// Whether `text` is UTF-8 (shortest forms, no surrogates, nothing past U+10FFFF) and holds
// no NUL.
bool isTextWithoutNul(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::size_t extra = byte < 0x80                   ? 0
                            : byte >= 0xc2 && byte < 0xe0 ? 1
                            : byte >= 0xe0 && byte < 0xf0 ? 2
                            : byte >= 0xf0 && byte < 0xf5 ? 3
                                                          : 4;
        if (byte == 0 || extra == 4 || text.size() - i <= extra)
            return false;
        uint32_t code = extra == 0 ? byte : byte & (0x3f >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xc0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3f);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xd800 && code < 0xe000))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10ffff)))
            return false;
        i += extra + 1;
    }
    return true;
}

// Whether the tree nests at most kMaxDepth containers deep and its strings and keys are UTF-8
// without a NUL: the platform's strings hold text, which the device's reader checks, and
// libplist's own accessors assert on a NUL. Walks without recursion, since the tree may be
// deeper than the stack allows. `textKnownClean` skips the text check for a source that
// cannot produce such a string.
bool acceptable(plist_t root, bool textKnownClean) {
    std::vector<std::pair<plist_t, std::size_t>> pending{{root, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        plist_type type = plist_get_node_type(node);
        if (type != PLIST_ARRAY && type != PLIST_DICT)
            continue;
        if (depth == kMaxDepth)
            return false;
        plist_dict_iter it = nullptr;
        if (type == PLIST_ARRAY)
            plist_array_new_iter(node, &it);
        else
            plist_dict_new_iter(node, &it);
        for (plist_t child = nullptr;; pending.emplace_back(child, depth + 1)) {
            if (type == PLIST_ARRAY)
                plist_array_next_item(node, it, &child);
            else
                plist_dict_next_item(node, it, nullptr, &child);
            if (!child)
                break;
        }
        std::free(it);
    }
    if (textKnownClean)
        return true;
    // libplist offers no length-aware access to keys, but its XML writer writes every string
    // and key whole, NUL included; the rest of its output is ASCII.
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    bool clean = xml && isTextWithoutNul(std::string_view(xml, length));
    plist_to_xml_free(xml);
    return clean;
}

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
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return String::string(std::string_view(text ? text : "", text ? length : 0));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return Data::dataWithBytes(std::string(bytes ? bytes : "", bytes ? length : 0));
    }
    case PLIST_DATE: {
        // libplist truncates toward zero and gives the microseconds without their sign, so
        // negative seconds mean a date before the reference date (a fraction of a second before
        // it reads as after). Kept within the whole seconds libplist can write back.
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        double fraction = usec / 1e6;
        double since = std::clamp(sec + (sec < 0 ? -fraction : fraction), double{INT32_MIN},
                                  double{INT32_MAX});
        return Date::dateWithTimeIntervalSince1970(kReferenceDate + since);
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

namespace {

// XML in ASCII without NULs and character references gives only ASCII strings without NULs:
// the usual settings file, read at load in every process, needs no further check.
bool plainAsciiXML(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) - 1U < 0x7fU; }) &&
           bytes.find("&#") == std::string::npos;
}

RefPtr<objc::Object> parse(const std::string& bytes) {
    plist_t root = nullptr;
    auto length = static_cast<uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.data(), length);
    if (binary)
        plist_from_bin(bytes.data(), length, &root);
    else
        plist_from_xml(bytes.data(), length, &root);
    if (!root)
        return nullptr;
    PlistPtr owner(root);
    return acceptable(root, !binary && plainAsciiXML(bytes)) ? toObject(root) : nullptr;
}

struct ParseJob {
    const std::string* bytes;
    RefPtr<objc::Object> result;
};

void* parseJob(void* argument) {
    auto* job = static_cast<ParseJob*>(argument);
    job->result = parse(*job->bytes);
    return nullptr;
}

// Parses on a thread of its own whose stack fits `containers` levels of libplist's
// recursion, whatever the caller's stack is.
RefPtr<objc::Object> parseOnLargeStack(const std::string& bytes, std::size_t containers) {
    ParseJob job{&bytes, nullptr};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return nullptr;
    pthread_t thread;
    bool started =
        pthread_attr_setstacksize(&attributes, (1U << 20) + containers * kStackPerContainer) == 0 &&
        pthread_create(&thread, &attributes, parseJob, &job) == 0;
    pthread_attr_destroy(&attributes);
    if (started)
        pthread_join(thread, nullptr);
    return job.result;
}

} // namespace

RefPtr<objc::Object> propertyListFromBytes(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size())))
        return binaryWithinBounds(bytes) ? parse(bytes) : nullptr;
    // libplist would cut a string or key short at a NUL without a word: such a file is
    // malformed. It parses XML without recursion but frees the tree recursively: a file that
    // may nest deeply is parsed, and rejected, on a stack large enough for that.
    if (bytes.find('\0') != std::string::npos)
        return nullptr;
    std::size_t containers = xmlContainerBound(bytes);
    if (containers <= kMaxDepth)
        return parse(bytes);
    if (containers > kMaxContainers)
        return nullptr;
    return parseOnLargeStack(bytes, containers);
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
    std::string bytes;
    int err = 0;
    if (readFileContents(file, bytes, err) != FileContents::Read)
        return nullptr;
    RefPtr<objc::Object> root = propertyListFromBytes(bytes);
    return RefPtr<MutableDictionary>(dynamic_cast<MutableDictionary*>(root.get()));
}

} // namespace NS
