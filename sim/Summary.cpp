#include "sim/Summary.h"

#include "device/Events.h"

#include <algorithm>
#include <vector>

namespace sim {

namespace {

// The strings of a JSON array of strings, as the events write them.
std::vector<std::string> stringArray(const std::string& json) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while ((i = json.find('"', i)) != std::string::npos) {
        std::size_t end = i + 1;
        while (end < json.size() && json[end] != '"')
            end += json[end] == '\\' ? 2 : 1;
        std::string quoted = json.substr(i, end - i + 1);
        out.push_back(device::jsonField("{\"s\":" + quoted + "}", "s").value_or(""));
        i = end + 1;
    }
    return out;
}

std::vector<std::string> wrap(const std::string& text, std::size_t width) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(' ', start);
        std::string word =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace

std::string noteName(const std::string& path) {
    const std::string prefix = "/Library/Application Support/Tapsonata/";
    if (path.rfind(prefix, 0) != 0)
        return path;
    std::string rest = path.substr(prefix.size());
    return rest.size() > 4 && rest.substr(rest.size() - 4) == ".mp3"
               ? rest.substr(0, rest.size() - 4)
               : rest;
}

void Summary::typing(const std::string& text) {
    m_typed = 0;
    m_toType = text.size();
}

void Summary::endKeyLine() {
    if (!m_pendingKey)
        return;
    std::fprintf(m_out, "  key %-4s  (no sound)\n", m_pendingKey->c_str());
    m_pendingKey.reset();
}

void Summary::show(const std::string& process, const std::string& line) {
    std::string event = device::jsonField(line, "event").value_or("");
    auto field = [&](const char* key) { return device::jsonField(line, key).value_or(""); };
    if (event == "key") {
        endKeyLine();
        std::string text = field("text");
        m_pendingKey = text == " " ? "' '" : text == "\n" ? "\\n" : text;
        ++m_typed;
    } else if (event == "sound") {
        std::string file = field("file");
        std::string what =
            file == "null" || file.empty() ? "sound " + field("id") : "\u266A " + noteName(file);
        if (m_pendingKey) {
            std::fprintf(m_out, "  key %-4s  %s\n", m_pendingKey->c_str(), what.c_str());
            m_pendingKey.reset();
        } else {
            std::fprintf(m_out, "  %s\n", what.c_str());
        }
    } else if (event == "alert") {
        endKeyLine();
        m_alertOwner = process == "pane"       ? ProcessKind::Pane
                       : process == "keyboard" ? ProcessKind::Keyboard
                                               : ProcessKind::SpringBoard;
        drawAlert(line);
    } else if (event == "tap") {
        std::fprintf(m_out, "  [tap %s]\n", field("index").c_str());
        m_alertOwner.reset();
    } else if (event == "log") {
        endKeyLine();
        std::fprintf(m_out, "  %s log: %s\n", process.c_str(), field("text").c_str());
    } else if (event == "open_url") {
        std::fprintf(m_out, "  opens %s\n", field("url").c_str());
    } else if (event == "http") {
        std::fprintf(m_out, "  %s %s as @%s -> %s\n", field("method").c_str(), field("url").c_str(),
                     field("account").c_str(), field("status").c_str());
    } else if (event == "prefs_write") {
        std::fprintf(m_out, "  stores %s = %s in %s\n", field("key").c_str(),
                     field("value").c_str(), field("domain").c_str());
    } else if (event == "compose") {
        std::fprintf(m_out, "  Twitter composer: \"%s\"\n", field("text").c_str());
    } else if (event == "load_failed" || event == "error") {
        std::fprintf(m_out, "  %s: %s %s\n", process.c_str(), event.c_str(), line.c_str());
    }
    std::fflush(m_out);
}

void Summary::drawAlert(const std::string& line) {
    const std::size_t width = 56;
    std::vector<std::string> body;
    std::optional<std::string> title = device::jsonField(line, "title");
    std::optional<std::string> message = device::jsonField(line, "message");
    if (title && *title != "null")
        body.push_back(*title);
    if (message && *message != "null")
        for (const std::string& l : wrap(*message, width))
            body.push_back(l);
    std::vector<std::string> buttons =
        stringArray(device::jsonField(line, "buttons").value_or("[]"));
    std::string rule(width + 2, '-');
    std::fprintf(m_out, "  +%s+\n", rule.c_str());
    for (const std::string& l : body)
        std::fprintf(m_out, "  | %-*s |\n", static_cast<int>(width), l.c_str());
    std::fprintf(m_out, "  |%s|\n", std::string(width + 2, ' ').c_str());
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        std::string b = "[" + std::to_string(i) + "] " + buttons[i];
        std::fprintf(m_out, "  | %-*s |\n", static_cast<int>(width), b.c_str());
    }
    std::fprintf(m_out, "  +%s+\n", rule.c_str());
}

void Summary::finish() {
    endKeyLine();
    std::fflush(m_out);
}

} // namespace sim
