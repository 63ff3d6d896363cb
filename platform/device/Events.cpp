#include "device/Events.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>

namespace device {

std::string jsonQuote(std::string_view text) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
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

JsonValue::JsonValue(const char* s) : m_text(s ? jsonQuote(s) : "null") {}
JsonValue::JsonValue(std::string_view s) : m_text(jsonQuote(s)) {}
JsonValue::JsonValue(const std::optional<std::string>& s) : m_text(s ? jsonQuote(*s) : "null") {}

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
std::mutex g_lock;
std::shared_ptr<EventSink> g_sink;
std::atomic<bool> g_hasSink{false};
} // namespace

void setEventSink(EventSink sink) {
    std::lock_guard guard(g_lock);
    g_sink = sink ? std::make_shared<EventSink>(std::move(sink)) : nullptr;
    g_hasSink.store(g_sink != nullptr, std::memory_order_release);
}

bool hasEventSink() { return g_hasSink.load(std::memory_order_acquire); }

void emit(std::string_view name, std::initializer_list<std::pair<std::string_view, JsonValue>> fields) {
    if (!hasEventSink())
        return;
    std::shared_ptr<EventSink> sink;
    {
        std::lock_guard guard(g_lock);
        sink = g_sink;
    }
    if (!sink)
        return;
    std::string line = "{\"event\":" + jsonQuote(name);
    for (const auto& [key, value] : fields)
        line += "," + jsonQuote(key) + ":" + value.text();
    (*sink)(line + "}");
}

std::optional<std::string> jsonField(const std::string& line, const std::string& key) {
    // Walk the top level only, skipping nested objects, arrays and strings.
    std::size_t i = line.find('{');
    if (i == std::string::npos)
        return std::nullopt;
    ++i;
    auto readString = [&](std::size_t& p) {
        std::string out;
        for (++p; p < line.size() && line[p] != '"'; ++p) {
            if (line[p] == '\\' && p + 1 < line.size()) {
                char c = line[++p];
                out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
            } else {
                out += line[p];
            }
        }
        ++p;
        return out;
    };
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ',' || line[i] == ' '))
            ++i;
        if (i >= line.size() || line[i] != '"')
            return std::nullopt;
        std::string name = readString(i);
        while (i < line.size() && (line[i] == ':' || line[i] == ' '))
            ++i;
        std::size_t start = i;
        if (i < line.size() && line[i] == '"') {
            std::string value = readString(i);
            if (name == key)
                return value;
            continue;
        }
        int depth = 0;
        bool inString = false;
        for (; i < line.size(); ++i) {
            char c = line[i];
            if (inString) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    inString = false;
            } else if (c == '"') {
                inString = true;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0)
                    break;
                --depth;
            } else if (c == ',' && depth == 0) {
                break;
            }
        }
        if (name == key)
            return line.substr(start, i - start);
    }
    return std::nullopt;
}

} // namespace device
