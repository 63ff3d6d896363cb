#include "sim/RunOptions.h"

#include "sim/SettingsPane.h"

namespace sim {

namespace {

bool isAction(const std::string& word) {
    for (const char* verb :
         {"type", "unlock", "tap", "wait", "relaunch", "sound", "pane", "interactive", "echo"})
        if (word == verb)
            return true;
    return false;
}

bool isProcessName(const std::string& word) {
    return word == "keyboard" || word == "springboard" || word == "pane";
}

bool isCount(const std::string& text) {
    return !text.empty() && text.size() < 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

bool isBase(const std::string& url) {
    for (const char* scheme : {"http://", "https://"})
        if (url.rfind(scheme, 0) == 0 && url.size() > std::string(scheme).size() &&
            url.find('/', std::string(scheme).size()) == std::string::npos)
            return true;
    return false;
}

} // namespace

std::optional<RunOptions> parseRunOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    RunOptions o;
    std::size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        const std::string& flag = args[i];
        if (i + 1 >= args.size()) {
            error = flag + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (flag == "--root")
            o.root = value;
        else if (flag == "--events")
            o.events = value;
        else if (flag == "--seed" && isCount(value))
            o.seed = value;
        else if (flag == "--out")
            o.out = value;
        else if (flag == "--wav")
            o.wav = value;
        else if (flag == "--pace" && isCount(value))
            o.pace = value;
        else if (flag == "--api" && (value == "local" || isBase(value)))
            o.api = value;
        else {
            error = "bad option: ";
            error.append(flag).append(" ").append(value);
            return std::nullopt;
        }
    }
    if (o.root.empty()) {
        error = "--root is required";
        return std::nullopt;
    }
    while (i < args.size()) {
        Action action{args[i++]};
        const std::string verb = action[0]; // a copy: the action grows below
        auto take = [&](const char* what) {
            if (i >= args.size()) {
                error = verb + " needs " + what;
                return false;
            }
            action.push_back(args[i++]);
            return true;
        };
        if (!isAction(verb)) {
            error = "unknown action: " + verb;
            return std::nullopt;
        }
        if ((verb == "type" || verb == "echo") && !take("a text"))
            return std::nullopt;
        if ((verb == "tap" || verb == "sound") && !take("a number"))
            return std::nullopt;
        if ((verb == "tap" || verb == "sound") && !isCount(action[1])) {
            error = verb + " needs a number, not " + action[1];
            return std::nullopt;
        }
        if (verb == "relaunch" && i < args.size() && isProcessName(args[i]))
            action.push_back(args[i++]);
        if (verb == "pane") {
            if (!take("an action"))
                return std::nullopt;
            std::optional<PaneActionSyntax> syntax = paneAction(action[1]);
            if (!syntax) {
                error = "unknown pane action: " + action[1];
                return std::nullopt;
            }
            for (std::size_t k = 0; k < syntax->required; ++k)
                if (!take("more operands"))
                    return std::nullopt;
            // Optional operands never swallow the next action.
            for (std::size_t k = 0; k < syntax->optional && i < args.size() && !isAction(args[i]);
                 ++k)
                action.push_back(args[i++]);
        }
        o.actions.push_back(std::move(action));
    }
    return o;
}

} // namespace sim
