#include "device/Events.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

namespace device {

namespace {

// Keeps the order of an event's fields when a line is read and written again.
using Json = nlohmann::ordered_json;
// Lines nest a few levels; a deeper one is not an event, and bounding it keeps dump's
// recursion short.
constexpr int kMaxDepth = 32;

std::string dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Whether the line nests deeper than kMaxDepth, outside its strings.
bool tooDeep(const std::string& line) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (inString) {
            i += c == '\\';
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if ((c == '[' || c == '{') && ++depth > kMaxDepth) {
            return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// The line as a JSON object, or nothing. The parser reports errors by value here; the catch is
// for what it may still throw (memory), since readers run in threads with nothing above them.
// The simulator reads several fields of each line in turn: the last line read is kept.
const Json* parseObject(const std::string& line) {
    thread_local std::string lastLine;
    thread_local std::optional<Json> lastDoc;
    if (lastDoc && line == lastLine)
        return &*lastDoc;
    lastDoc.reset();
    try {
        if (tooDeep(line))
            return nullptr;
        Json doc = Json::parse(line, nullptr, false);
        if (!doc.is_object())
            return nullptr;
        lastLine = line;
        lastDoc = std::move(doc);
        return &*lastDoc;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string textOf(const Json& value) {
    return value.is_string() ? value.get_ref<const std::string&>() : dump(value);
}

} // namespace

std::string jsonQuote(std::string_view text) {
    return dump(Json(text));
}

JsonValue::JsonValue(double d) {
    if (!std::isfinite(d)) {
        m_text = "null";
        return;
    }
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    m_text.assign(buffer, end);
}

JsonValue::JsonValue(const char* s) : m_text(s ? s : "null"), m_string(s != nullptr) {}
JsonValue::JsonValue(std::string_view s) : m_text(s), m_string(true) {}
JsonValue::JsonValue(const std::optional<std::string>& s)
    : m_text(s ? *s : "null"), m_string(s.has_value()) {}

std::string JsonValue::text() const {
    return m_string ? jsonQuote(m_text) : m_text;
}

JsonValue::JsonValue(const std::vector<std::string>& strings) : m_text("[") {
    for (std::size_t i = 0; i < strings.size(); ++i)
        m_text += (i ? "," : "") + jsonQuote(strings[i]);
    m_text += "]";
}

JsonValue JsonValue::object(std::initializer_list<std::pair<std::string_view, JsonValue>> fields) {
    std::vector<std::pair<std::string, JsonValue>> copied;
    for (const auto& [key, value] : fields)
        copied.emplace_back(std::string(key), value);
    return object(copied);
}

JsonValue JsonValue::object(const std::vector<std::pair<std::string, JsonValue>>& fields) {
    std::string out = "{";
    bool first = true;
    for (const auto& [key, value] : fields) {
        out += (first ? "" : ",") + jsonQuote(key) + ":" + value.text();
        first = false;
    }
    return raw(out + "}");
}

namespace {

using EventClock = std::function<std::chrono::nanoseconds()>;

std::mutex g_lock;
std::shared_ptr<EventSink> g_sink;
std::shared_ptr<EventClock> g_clock;
std::atomic<bool> g_hasSink{false};
// Held from stamping a line until its sink has it, so that lines go out in the order of t;
// recursive, so that a sink may itself log.
std::recursive_mutex g_orderLock;

constexpr std::int64_t kNoOrigin = INT64_MIN;
std::atomic<std::int64_t> g_origin{kNoOrigin};

std::int64_t steadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The run's origin: inherited, or this process's first event.
std::int64_t origin() {
    std::int64_t known = g_origin.load(std::memory_order_acquire);
    if (known != kNoOrigin)
        return known;
    std::int64_t found = steadyNow();
    if (const char* inherited = std::getenv(kRunOriginVariable)) {
        std::int64_t value = 0;
        const char* end = inherited + std::char_traits<char>::length(inherited);
        auto [last, ec] = std::from_chars(inherited, end, value);
        if (ec == std::errc() && last == end && *inherited)
            found = value;
    }
    g_origin.compare_exchange_strong(known, found, std::memory_order_acq_rel);
    return g_origin.load(std::memory_order_acquire);
}

std::string head(std::string_view name, const EventClock* clock) {
    std::int64_t ns = 0;
    if (clock) {
        ns = (*clock)().count();
    } else {
        std::int64_t from = origin(); // first: it may be taken now
        ns = steadyNow() - from;
    }
    char t[40];
    auto [end, ec] =
        std::to_chars(t, t + sizeof t, static_cast<double>(ns) / 1e9, std::chars_format::fixed, 6);
    return "{\"event\":" + jsonQuote(name) + ",\"t\":" + std::string(t, end);
}

std::string body(EventFields fields) {
    std::string out;
    for (const auto& [key, value] : fields)
        out += "," + jsonQuote(key) + ":" + value.text();
    return out + "}";
}

} // namespace

void setEventSink(EventSink sink) {
    std::lock_guard guard(g_lock);
    g_sink = sink ? std::make_shared<EventSink>(std::move(sink)) : nullptr;
    g_hasSink.store(g_sink != nullptr, std::memory_order_release);
}

bool hasEventSink() {
    return g_hasSink.load(std::memory_order_acquire);
}

void setEventClock(std::function<std::chrono::nanoseconds()> clock) {
    std::lock_guard guard(g_lock);
    g_clock = clock ? std::make_shared<EventClock>(std::move(clock)) : nullptr;
}

void beginRun() {
    std::int64_t now = steadyNow();
    g_origin.store(now, std::memory_order_release);
    setenv(kRunOriginVariable, std::to_string(now).c_str(), 1);
}

void emit(std::string_view name, EventFields fields) {
    if (!hasEventSink())
        return;
    std::shared_ptr<EventSink> sink;
    std::shared_ptr<EventClock> clock;
    {
        std::lock_guard guard(g_lock);
        sink = g_sink;
        clock = g_clock;
    }
    if (!sink)
        return;
    std::string rest = body(fields);
    std::lock_guard order(g_orderLock);
    (*sink)(head(name, clock.get()) + rest);
}

std::string eventLine(std::string_view name, EventFields fields) {
    std::shared_ptr<EventClock> clock;
    {
        std::lock_guard guard(g_lock);
        clock = g_clock;
    }
    return head(name, clock.get()) + body(fields);
}

std::optional<std::string> jsonField(const std::string& line, const std::string& key) {
    const Json* doc = parseObject(line);
    if (!doc)
        return std::nullopt;
    auto it = doc->find(key);
    if (it == doc->end())
        return std::nullopt;
    return textOf(*it);
}

std::vector<std::string> jsonStrings(const std::string& line, const std::string& key) {
    std::vector<std::string> out;
    const Json* doc = parseObject(line);
    if (!doc)
        return out;
    auto it = doc->find(key);
    if (it != doc->end() && it->is_array())
        for (const Json& element : *it)
            out.push_back(textOf(element));
    return out;
}

std::string withField(const std::string& line, std::string_view key, const JsonValue& value) {
    const Json* read = parseObject(line);
    if (!read)
        return eventLine("unreadable", {{"text", line}, {key, value}});
    Json doc = *read;
    Json added = Json::parse(value.text(), nullptr, false);
    doc[std::string(key)] = added.is_discarded() ? Json() : std::move(added);
    return dump(doc);
}

} // namespace device
