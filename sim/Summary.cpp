#include "sim/Summary.h"

#include "device/Events.h"
#include "sim/Layout.h"

#include <unistd.h>

namespace sim {

namespace {

constexpr std::size_t kBoxWidth = 56;

std::vector<std::string> wrap(const std::string& text, std::size_t width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t newline = text.find('\n', start);
        std::string paragraph =
            text.substr(start, newline == std::string::npos ? newline : newline - start);
        std::string line;
        std::size_t from = 0;
        while (from <= paragraph.size()) {
            std::size_t end = paragraph.find(' ', from);
            std::string word = paragraph.substr(from, end == std::string::npos ? end : end - from);
            if (!line.empty() && displayWidth(line) + 1 + displayWidth(word) > width) {
                lines.push_back(line);
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
            if (end == std::string::npos)
                break;
            from = end + 1;
        }
        lines.push_back(line);
        if (newline == std::string::npos)
            break;
        start = newline + 1;
    }
    return lines;
}

std::string padded(const std::string& text, std::size_t width) {
    std::size_t w = displayWidth(text);
    return w >= width ? text : text + std::string(width - w, ' ');
}

std::string centred(const std::string& text, std::size_t width) {
    std::size_t w = displayWidth(text);
    return w >= width ? text : std::string((width - w) / 2, ' ') + text;
}

std::optional<ProcessKind> kindOf(const std::string& process) {
    if (process == "keyboard")
        return ProcessKind::Keyboard;
    if (process == "springboard")
        return ProcessKind::SpringBoard;
    if (process == "pane")
        return ProcessKind::Pane;
    return std::nullopt;
}

std::string appName(const std::string& process) {
    if (process == "keyboard")
        return "the keyboard app";
    if (process == "springboard")
        return "SpringBoard";
    if (process == "pane")
        return "the settings pane";
    return process;
}

std::string orNone(const std::string& value) {
    return value.empty() || value == "null" ? "none" : value;
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

std::size_t displayWidth(const std::string& text) {
    std::size_t width = 0;
    for (unsigned char c : text)
        width += (c & 0xc0) != 0x80 ? 1 : 0;
    return width;
}

Summary::Summary(std::FILE* out, std::FILE* err, Verbosity verbosity)
    : m_out(out), m_err(err), m_verbosity(verbosity), m_terminal(isatty(fileno(out)) != 0) {}

void Summary::line(const std::string& text) {
    if (m_verbosity == Verbosity::Quiet)
        return;
    clearStatus();
    std::fputs(text.c_str(), m_out);
    std::fputc('\n', m_out);
    drawStatus();
    std::fflush(m_out);
}

void Summary::result(const std::string& text) {
    clearStatus();
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

void Summary::drawStatus() {
    if (m_verbosity == Verbosity::Quiet || !m_terminal || m_toType < kLongText ||
        (m_typed >= m_toType && !m_pendingKey))
        return;
    std::fprintf(m_out, "  typing... %zu/%zu keys (%zu%%)", m_typed, m_toType,
                 m_typed * 100 / m_toType);
    m_statusShown = true;
}

void Summary::clearStatus() {
    if (m_statusShown)
        std::fputs("\r\033[K", m_out);
    m_statusShown = false;
}

void Summary::typing(std::size_t keys) {
    endKeyLine();
    m_typed = 0;
    m_toType = keys;
    m_lastProgress = std::chrono::steady_clock::now();
}

void Summary::showKey(const std::string& what) {
    std::string key = *m_pendingKey;
    m_pendingKey.reset();
    m_pendingSilenced = false;
    if (m_toType < kLongText)
        return line("  key " + padded(key, 4) + "  " + what);
    progress();
}

// A long text: the status line on a terminal, else a line now and then and one at the end.
void Summary::progress() {
    const bool last = m_typed == m_toType;
    auto now = std::chrono::steady_clock::now();
    if (m_terminal && !last) {
        clearStatus();
        drawStatus();
        std::fflush(m_out);
    } else if (last || now - m_lastProgress >= kProgressEvery) {
        m_lastProgress = now;
        line("  ... " + std::to_string(m_typed) + "/" + std::to_string(m_toType) + " keys typed");
    }
}

void Summary::endKeyLine() {
    if (m_pendingKey)
        showKey(m_pendingSilenced ? "(silenced: the click became sound 0)" : "(no sound)");
}

void Summary::say(const std::string& text) {
    endKeyLine();
    line(text);
}

void Summary::show(const std::string& process, const std::string& event_line) {
    const std::string& l = event_line;
    std::string event = device::jsonField(l, "event").value_or("");
    auto field = [&](const char* key) { return device::jsonField(l, key).value_or(""); };

    if (event == "key") {
        endKeyLine();
        // A desktop key is known only by its click.
        std::optional<std::string> click = device::jsonField(l, "click");
        std::string text = click ? "(" + *click + ")" : field("text");
        m_pendingKey = text == " " ? "' '" : text == "\n" ? "\\n" : text == "\x7f" ? "del" : text;
        ++m_typed;
        ++m_keys;
        return;
    }
    if (event == "system_sound") {
        if (m_pendingKey && field("id") == "0")
            m_pendingSilenced = true;
        return;
    }
    if (event == "sound") {
        std::string file = field("file");
        ++m_notes;
        std::string what = file == "null" || file.empty() ? "click (sound " + field("id") + ")"
                                                          : "\u266A " + noteName(file);
        if (m_pendingKey)
            showKey(what);
        else
            line("  " + what);
        return;
    }
    if (event == "done" || event == "can_open_url")
        return;
    endKeyLine();

    if (event == "alert") {
        std::vector<std::string> body;
        std::string title = field("title"), message = field("message");
        std::optional<std::string> rawTitle = device::jsonField(l, "title");
        if (rawTitle && *rawTitle != "null")
            body.push_back(title);
        std::optional<std::string> rawMessage = device::jsonField(l, "message");
        if (rawMessage && *rawMessage != "null")
            for (const std::string& w : wrap(message, kBoxWidth))
                body.push_back(w);
        std::vector<std::string> buttons = device::jsonStrings(l, "buttons");
        if (std::optional<ProcessKind> owner = kindOf(process))
            m_alerts.push_back({*owner, buttons});
        drawBox(body, buttons);
    } else if (event == "tap") {
        std::string index = field("index");
        std::string title;
        std::optional<ProcessKind> owner = kindOf(process);
        for (auto it = m_alerts.rbegin(); it != m_alerts.rend(); ++it) {
            if (owner && it->owner == *owner) {
                for (std::size_t i = 0; i < it->buttons.size(); ++i)
                    if (index == std::to_string(i))
                        title = ": " + it->buttons[i];
                m_alerts.erase(std::next(it).base());
                break;
            }
        }
        line("  [tap " + index + title + "]");
    } else if (event == "loaded") {
        line("  · " + appName(process) + " is up, with the library loaded");
    } else if (event == "exit") {
        std::string signal = field("signal");
        line("  · " + appName(process) + " ends" +
             (signal.empty() || signal == "null" ? " (exit status " + field("status") + ")"
                                                 : " (signal " + signal + ")"));
    } else if (event == "output") {
        if (m_outputShown)
            return;
        m_outputShown = true;
        std::string wav = field("wav");
        bool live = field("live") == "true";
        if (live)
            line("  (sound: the host's sound device" +
                 (wav.empty() || wav == "null" ? std::string(")") : ", and " + wav + ")"));
        else if (!wav.empty() && wav != "null")
            line("  (no live sound: the notes go to " + wav + ")");
        else
            line("  (no sound goes out)");
    } else if (event == "log") {
        // The library logs the same line in every process it loads into: once is enough.
        if (m_verbosity == Verbosity::Verbose || m_logsShown.insert(field("text")).second)
            line("  " + process + " log: " + field("text"));
        else
            ++m_logsHidden;
    } else if (event == "unlock") {
        line("  · SpringBoard finishes the unlock");
    } else if (event == "accounts_access") {
        line(std::string("  Twitter accounts: access ") +
             (field("granted") == "true" ? "granted" : "refused"));
    } else if (event == "open_url") {
        line("  opens " + field("url"));
    } else if (event == "http") {
        std::string status = field("status");
        line("  " + field("method") + " " + field("url") + " " + field("params") + " as @" +
             field("account") + " -> " + (status == "null" ? "no answer" : status));
    } else if (event == "api") {
        line("  API stand-in: " + field("method") + " " + field("path") + " " + field("params") +
             ", signed as @" + orNone(field("account")) + ", answers " + field("status"));
    } else if (event == "prefs_write") {
        line("  stores " + field("key") + " = " + field("value") + " in " + field("domain"));
    } else if (event == "settings_write") {
        std::string value = field("value");
        if (field("key") == "instrument")
            if (std::optional<int> n = parseInstrument(value))
                value += std::string(" (") + instrumentName(*n) + ")";
        line("  the pane stores " + field("key") + " = " + value + " in the settings file");
    } else if (event == "compose") {
        std::vector<std::string> body{"Twitter"};
        std::optional<std::string> raw = device::jsonField(l, "text");
        for (const std::string& w : wrap(raw && *raw != "null" ? field("text") : "", kBoxWidth))
            body.push_back(w);
        drawBox(body, {});
    } else if (event == "share_button") {
        line(field("shown") == "true"
                 ? "  a share button appears at the right of the navigation bar"
                 : "  no share button appears");
    } else if (event == "footer") {
        std::optional<std::string> raw = device::jsonField(l, "text");
        if (!raw || *raw == "null") {
            line("  no footer (no PSSpecifier in this process)");
        } else {
            line("  the pane's footer (alignment " + field("alignment") + "):");
            std::vector<std::string> lines = wrap(field("text"), kBoxWidth);
            if (!lines.empty() && lines.back().empty())
                lines.pop_back(); // the text ends with its line feed
            for (const std::string& f : lines)
                line("  " + centred(f, kBoxWidth + 4));
        }
    } else if (event == "tint") {
        line("  the pane's colours: title " + orNone(field("title")) + ", bar buttons " +
             orNone(field("bar_tint")) + ", bar " + orNone(field("bar_background")) + ", view " +
             orNone(field("view_tint")) +
             (field("autoresizes") == "true" ? " (resizes its subviews)" : "") + ", switches " +
             orNone(field("switch")) + ", sliders " + orNone(field("slider")) + ", segments " +
             orNone(field("segmented")) + ", edges " + field("edges"));
    } else if (event == "spawn") {
        std::string command;
        for (const std::string& a : device::jsonStrings(l, "arguments"))
            command += (command.empty() ? "" : " ") + a;
        line("  " + appName(process) + " runs " + command);
    } else if (event == "killall") {
        std::vector<std::string> signalled = device::jsonStrings(l, "signalled");
        if (std::string problem = field("problem"); !problem.empty() && problem != "null")
            line("  killall: " + problem);
        else if (signalled.empty())
            line("  killall: no process named " + field("name"));
    } else if (event == "load_failed" || event == "error") {
        std::string text = field("text").empty() ? field("error") : field("text");
        if (text.rfind(process + ": ", 0) == 0)
            text.erase(0, process.size() + 2);
        ++m_errors;
        clearStatus();
        std::fflush(m_out);
        std::fprintf(m_err, "tapsonata-sim: %s: %s: %s\n", process.c_str(), event.c_str(),
                     text.c_str());
        std::fflush(m_err);
        drawStatus();
    }
}

void Summary::drawBox(const std::vector<std::string>& body,
                      const std::vector<std::string>& buttons) {
    std::string rule(kBoxWidth + 2, '-');
    line("  +" + rule + "+");
    for (const std::string& b : body)
        line("  | " + padded(b, kBoxWidth) + " |");
    line("  |" + std::string(kBoxWidth + 2, ' ') + "|");
    for (std::size_t i = 0; i < buttons.size(); ++i)
        line("  | " + padded("[" + std::to_string(i) + "] " + buttons[i], kBoxWidth) + " |");
    line("  +" + rule + "+");
}

void Summary::processEnded(ProcessKind kind) {
    std::erase_if(m_alerts, [kind](const Alert& a) { return a.owner == kind; });
}

std::optional<Summary::Alert> Summary::alertOnScreen() const {
    if (m_alerts.empty())
        return std::nullopt;
    return m_alerts.back();
}

std::string Summary::totals() const {
    auto count = [](std::size_t n, const char* one, const char* many) {
        return (n == 0 ? std::string("no") : std::to_string(n)) + " " + (n == 1 ? one : many);
    };
    return count(m_keys, "key", "keys") + ", " + count(m_notes, "sound", "sounds") + ", " +
           count(m_errors, "error", "errors");
}

void Summary::finish() {
    endKeyLine();
    m_toType = 0;
    clearStatus();
    if (m_logsHidden > 0)
        line("  (" + std::to_string(m_logsHidden) +
             (m_logsHidden == 1 ? " more log line" : " more log lines") +
             " like those above; --verbose shows them)");
    std::fflush(m_out);
}

} // namespace sim
