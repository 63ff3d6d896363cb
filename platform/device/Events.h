// What the device shows or does, as events. Each stand-in reports what a user would see or
// hear (an alert, a sound, a URL opened, a request sent); the simulator writes them as JSON
// Lines and tests can capture them. With no sink set, reporting costs one atomic load.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// A JSON value, written as text at construction.
class JsonValue {
public:
    JsonValue(std::nullptr_t) : m_text("null") {}
    JsonValue(bool b) : m_text(b ? "true" : "false") {}
    JsonValue(int i) : m_text(std::to_string(i)) {}
    JsonValue(long i) : m_text(std::to_string(i)) {}
    JsonValue(long long i) : m_text(std::to_string(i)) {}
    JsonValue(unsigned i) : m_text(std::to_string(i)) {}
    JsonValue(unsigned long i) : m_text(std::to_string(i)) {}
    JsonValue(double d);
    JsonValue(const char* s);
    JsonValue(std::string_view s);
    JsonValue(const std::string& s) : JsonValue(std::string_view(s)) {}
    JsonValue(const std::optional<std::string>& s);
    JsonValue(const std::vector<std::string>& strings);

    static JsonValue raw(std::string json) { return JsonValue(Raw{std::move(json)}); }
    static JsonValue object(std::initializer_list<std::pair<std::string_view, JsonValue>> fields);
    static JsonValue object(const std::vector<std::pair<std::string, JsonValue>>& fields);
    const std::string& text() const { return m_text; }

private:
    struct Raw {
        std::string json;
    };
    explicit JsonValue(Raw r) : m_text(std::move(r.json)) {}
    std::string m_text;
};

std::string jsonQuote(std::string_view text);

using EventSink = std::function<void(const std::string& jsonLine)>;
// Sets the process's sink; null removes it. The sink is called on the reporting thread.
void setEventSink(EventSink sink);
bool hasEventSink();

// Reports {"event":name, fields...} to the sink, if there is one.
void emit(std::string_view name, std::initializer_list<std::pair<std::string_view, JsonValue>> fields);

// Reads back a top-level field of one event line: the raw text of a number, object, array,
// true, false or null, or the unescaped text of a string. Nothing when the field is absent.
std::optional<std::string> jsonField(const std::string& line, const std::string& key);

} // namespace device
