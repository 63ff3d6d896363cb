// What the device shows or does, as events. Each stand-in reports what a user would see or
// hear (an alert, a sound, a URL opened, a request sent); the simulator writes them as JSON
// Lines and tests can capture them. With no sink set, reporting costs one atomic load.
//
// Every line is one JSON object in valid UTF-8 (a byte that is not UTF-8 becomes U+FFFD),
// starting {"event":NAME,"t":SECONDS,...}: t counts from the run's origin, which a process
// inherits in TAPSONATA_RUN_ORIGIN (or takes at its first event), or is the virtual time set
// with setEventClock. One process's lines reach its sink in the order of their t.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// A JSON value. Strings are quoted only when the text is asked for: with no sink, an event's
// fields cost their caller no more than a copy.
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
    std::string text() const;

private:
    struct Raw {
        std::string json;
    };
    explicit JsonValue(Raw r) : m_text(std::move(r.json)) {}
    std::string m_text;
    bool m_string = false; // m_text is the string itself, not yet quoted
};

// A JSON string holding the text; bytes that are not UTF-8 become U+FFFD.
std::string jsonQuote(std::string_view text);

using EventSink = std::function<void(const std::string& jsonLine)>;
// Sets the process's sink; null removes it. The sink is called on the reporting thread.
void setEventSink(EventSink sink);
bool hasEventSink();

using EventFields = std::initializer_list<std::pair<std::string_view, JsonValue>>;

// Reports {"event":name,"t":...,fields...} to the sink, if there is one.
void emit(std::string_view name, EventFields fields);
// The line emit would report now, for events a process writes itself.
std::string eventLine(std::string_view name, EventFields fields);

// The environment variable holding the run's origin (the steady clock, in nanoseconds).
inline constexpr const char* kRunOriginVariable = "TAPSONATA_RUN_ORIGIN";
// Makes now the run's origin, for this process and the processes it starts from now on.
void beginRun();
// Stamps events with a clock of the caller's (virtual time since the run began); null puts
// back the steady clock since the run's origin.
void setEventClock(std::function<std::chrono::nanoseconds()> clock);

// Reads back a top-level field of one event line: the raw text of a number, object, array,
// true, false or null, or the unescaped text of a string. Nothing when the field is absent or
// the line is not a JSON object. Never throws, whatever the line holds.
std::optional<std::string> jsonField(const std::string& line, const std::string& key);
// The elements of an array field, strings unescaped, others as JSON text.
std::vector<std::string> jsonStrings(const std::string& line, const std::string& key);
// The line with one more top-level field; a line that is not a JSON object comes back as an
// "unreadable" event holding its text.
std::string withField(const std::string& line, std::string_view key, const JsonValue& value);

} // namespace device
