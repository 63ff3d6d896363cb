#include "sim/CommandLine.h"

#include "sim/SettingsPane.h"

#include <algorithm>
#include <array>
#include <utility>

namespace sim {

namespace {

const char* kMainHelp = R"(tapsonata-sim: a simulated iPhone that loads the Tapsonata tweak

usage: tapsonata-sim COMMAND [OPTIONS] [ACTIONS]

commands:
  init ROOT      lay out a device in the folder ROOT
  run            drive the device at --root: type, unlock, tap, use the settings pane
  demo           the showcase that `make demo` runs
  desktop        every key you press on this machine plays a note
  help COMMAND   the help of a command (also: COMMAND --help)

options:
  -h, --help      this help
  --version       the version
  --list-devices  the host's sound devices, for --device

exit status: 0 all went well, 1 something failed, 2 a usage error
)";

const char* kInitHelp = R"(usage: tapsonata-sim init ROOT [OPTIONS]

Lays out a device in ROOT: the library, the 45 notes, the settings file, Twitter accounts and
the tweak's package. ROOT must be empty, new, or a device laid out before; --force lays one
out over anything else. `/` is always refused.

options:
  --instrument NAME|N   bass, drums, guitar, piano or violin (any case), or a number
  --enabled             the tweak is on (the default)
  --disabled            the tweak is off
  --no-settings         no settings file at all
  --accounts NAME,...   the device's Twitter accounts
  --access grant|deny   the answer to the accounts prompt (deny when not given)
  --installed SCHEME,.. URL schemes that have an installed app (twitter, tweetbot, ...)
  --force               lay out over a folder that holds something else
  -h, --help            this help
)";

const char* kRunHelp = R"(usage: tapsonata-sim run --root ROOT [OPTIONS] [ACTION...]

Starts the device's processes as the actions need them. Options may come anywhere.

actions:
  type TEXT              the keyboard app presses one key per character
  sound ID               the keyboard app plays any system sound
  unlock                 SpringBoard finishes an unlock
  tap N                  taps button N of the alert on screen
  wait                   until every process is idle
  relaunch [PROCESS]     starts keyboard, springboard (the default) or pane again
  pane WORD [ARG...]     instrument NAME|N | enable | disable | donate [NAME]
                         | mail ADDRESS | follow [HANDLE] | profile [HANDLE] | share TEXT
                         | share-tap | footer [PACKAGE [HOLDER [YEAR]]] | tint COLOUR
                         | reset | kill [SIGNAL] NAME
  interactive            your keys play live (the default with no actions on a terminal)
  echo TEXT              a line of your own in the output

options:
  --root ROOT            the device (made by `tapsonata-sim init`)
  --out live|none|FILE.wav  where the sound goes (live)
  --wav FILE.wav         a WAV copy besides live sound or none
  --volume 0-100         the level (100)
  --mute                 no sound; notes are still drawn and shown
  --device NAME          the live sound device (see --list-devices)
  --latency low|safe     short device buffers, or larger ones for a busy machine (low)
  --pace MS              milliseconds between typed keys (150)
  --seed N               repeatable notes
  --events FILE          the event log, one JSON object per line
  --api URL|local        where follow requests go; local is the simulator's own stand-in
  -q, --quiet            only errors and a final summary
  -v, --verbose          every log line of the tweak, not just the first of each
  -h, --help             this help
)";

const char* kDemoHelp = R"(usage: tapsonata-sim demo [OPTIONS]

Lays out a fresh device (in ROOT, else build/demo-device beside the simulator), types on the
piano and the violin, and answers the first unlock's invitation. Takes run's options
--out, --wav (demo.wav), --volume, --mute, --device, --latency, --seed, --events, --quiet,
--verbose and --root.
)";

const char* kDesktopHelp = R"(usage: tapsonata-sim desktop [OPTIONS]

Every key you press on this machine, in any program, is a key press of the simulated keyboard
app, and the tweak plays its note. A key makes the click 1104, Backspace and Delete 1105;
modifiers alone and held keys repeating make none. What you type is never shown or kept: only
that a key was pressed, and which click it made. Ctrl-C or SIGTERM stops it; SIGHUP, or a
change of the settings file (tapsonata-sim run --root ROOT pane instrument NAME), starts the
keyboard app again so that it reads the settings anew.

options:
  --root ROOT            the device; laid out when there is none (default:
                         ~/.local/share/tapsonata/desktop-device, or in $XDG_DATA_HOME)
  --instrument NAME|N    chosen in the settings pane before the keys play
  --input evdev|x11      the keyboards under /dev/input (root or the input group), or the
                         X display's keys (RECORD); by default X11 where a display is set
                         outside Wayland, else evdev
  --volume 0-100, --mute, --device NAME, --latency low|safe, --list-devices
                         the sound, as for run
  --out live|none|FILE.wav, --wav FILE.wav
                         where the sound goes (live); no WAV is written unless asked
  --events FILE          the event log: a key press and its click, never the key
  --seed N, -q, --quiet, -v, --verbose
  -h, --help             this help
)";

constexpr std::array<const char*, 9> kVerbs = {"type",  "unlock", "tap",         "wait", "relaunch",
                                               "sound", "pane",   "interactive", "echo"};

bool isAction(const std::string& word) {
    return std::find(kVerbs.begin(), kVerbs.end(), word) != kVerbs.end();
}

bool isProcessName(const std::string& word) {
    return word == "keyboard" || word == "springboard" || word == "pane";
}

bool isCount(const std::string& text) {
    return !text.empty() && text.size() < 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

bool isBase(const std::string& url) {
    for (const std::string scheme : {"http://", "https://"})
        if (url.rfind(scheme, 0) == 0 && url.size() > scheme.size() &&
            url.find('/', scheme.size()) == std::string::npos)
            return true;
    return false;
}

bool endsWithWav(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".wav") == 0 && path.back() != '/';
}

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
        if (!item.empty())
            out.push_back(item);
        if (comma == std::string::npos)
            return out;
        start = comma + 1;
    }
}

bool isHelp(const std::string& word) {
    return word == "-h" || word == "--help";
}

// Walks the words of one command, handing options (with `--name=value` split) and other
// words to the caller's handlers; stops at the first error.
class Words {
public:
    explicit Words(const std::vector<std::string>& words) : m_words(words) {}
    bool done() const { return m_at >= m_words.size(); }
    const std::string& next() { return m_words[m_at++]; }
    const std::string* peek() const { return done() ? nullptr : &m_words[m_at]; }
    // The value of an option: the part after '=', or the next word.
    std::optional<std::string> value(std::optional<std::string>& inline_) {
        if (inline_)
            return std::exchange(inline_, std::nullopt);
        if (done())
            return std::nullopt;
        return next();
    }

private:
    const std::vector<std::string>& m_words;
    std::size_t m_at = 0;
};

std::string bad(const std::string& option, const std::string& value, const std::string& want) {
    return option + " " + (value.empty() ? "''" : value) + ": " + want;
}

// One option of run or demo; false when `flag` is none of theirs.
bool runOption(const std::string& flag, Words& words, std::optional<std::string>& inlineValue,
               CommandLine& line) {
    RunOptions& o = line.run;
    auto setFlag = [&](auto apply) {
        if (inlineValue)
            line.error = flag + " takes no value";
        else
            apply();
        return true;
    };
    if (flag == "--mute")
        return setFlag([&] { o.mute = true; });
    if (flag == "-q" || flag == "--quiet")
        return setFlag([&] { o.verbosity = Verbosity::Quiet; });
    if (flag == "-v" || flag == "--verbose")
        return setFlag([&] { o.verbosity = Verbosity::Verbose; });
    static const std::array<const char*, 10> withValue = {
        "--root", "--events", "--seed",   "--out",    "--wav",
        "--pace", "--api",    "--volume", "--device", "--latency"};
    if (std::find_if(withValue.begin(), withValue.end(),
                     [&](const char* f) { return flag == f; }) == withValue.end())
        return false;
    std::optional<std::string> v = words.value(inlineValue);
    if (!v) {
        line.error = flag + " needs a value";
        return true;
    }
    if (flag == "--root" && !v->empty())
        o.root = *v;
    else if (flag == "--events" && !v->empty())
        o.events = *v;
    else if (flag == "--seed" && isCount(*v))
        o.seed = *v;
    else if (flag == "--out" && (*v == "live" || *v == "none" || endsWithWav(*v)))
        o.out = *v;
    else if (flag == "--wav" && endsWithWav(*v))
        o.wav = *v;
    else if (flag == "--pace" && isCount(*v))
        o.pace = *v;
    else if (flag == "--api" && (*v == "local" || isBase(*v)))
        o.api = *v;
    else if (flag == "--volume" && isCount(*v) && std::stoi(*v) <= 100)
        o.volume = std::stoi(*v);
    else if (flag == "--device" && !v->empty())
        o.device = *v;
    else if (flag == "--latency" && (*v == "low" || *v == "safe"))
        o.latency = *v;
    else {
        const char* want = flag == "--out"       ? "want live, none or a path ending in .wav"
                           : flag == "--wav"     ? "want a path ending in .wav"
                           : flag == "--api"     ? "want local or http(s)://HOST[:PORT]"
                           : flag == "--volume"  ? "want a number from 0 to 100"
                           : flag == "--latency" ? "want low or safe"
                           : flag == "--seed" || flag == "--pace" ? "want a whole number"
                                                                  : "want a value";
        line.error = bad(flag, *v, want);
    }
    return true;
}

// An action and its operands; false with `error` set when it is malformed.
bool action(const std::string& verb, Words& words, CommandLine& line) {
    Action action{verb};
    auto take = [&](const char* what) {
        if (words.done()) {
            line.error = verb + " needs " + what;
            return false;
        }
        action.push_back(words.next());
        return true;
    };
    if ((verb == "type" || verb == "echo") && !take("a text"))
        return false;
    if ((verb == "tap" || verb == "sound") && !take("a number"))
        return false;
    if ((verb == "tap" || verb == "sound") && !isCount(action[1])) {
        line.error = verb + " needs a number, not " + action[1];
        return false;
    }
    // A bare relaunch means SpringBoard's; naming it keeps "relaunch pane …" unambiguous when
    // the line is written back out.
    if (verb == "relaunch")
        action.push_back(words.peek() && isProcessName(*words.peek()) ? words.next()
                                                                      : std::string("springboard"));
    if (verb == "pane") {
        if (!take("an action"))
            return false;
        std::optional<PaneActionSyntax> syntax = paneAction(action[1]);
        if (!syntax) {
            line.error = "unknown pane action: " + action[1];
            return false;
        }
        for (std::size_t k = 0; k < syntax->required; ++k)
            if (!take("more operands"))
                return false;
        // Optional operands never swallow the next action or an option.
        for (std::size_t k = 0; k < syntax->optional && words.peek() && !isAction(*words.peek()) &&
                                words.peek()->rfind("--", 0) != 0;
             ++k)
            action.push_back(words.next());
    }
    line.run.actions.push_back(std::move(action));
    return true;
}

// Splits "--name=value" into its parts.
std::string optionName(const std::string& word, std::optional<std::string>& inlineValue) {
    std::size_t eq = word.find('=');
    if (word.rfind("--", 0) != 0 || eq == std::string::npos)
        return word;
    inlineValue = word.substr(eq + 1);
    return word.substr(0, eq);
}

// One word of a command, with an option's `--name=value` split into its parts.
struct Option {
    std::string word;
    std::string flag; // the option's name, or the word itself
    std::optional<std::string> inlineValue;
};

// The next word; nothing when it asks for help, which the line then becomes.
std::optional<Option> nextOption(Words& words, CommandLine& line) {
    Option option{words.next(), {}, std::nullopt};
    option.flag = optionName(option.word, option.inlineValue);
    if (isHelp(option.flag)) {
        line.command = Command::Help;
        return std::nullopt;
    }
    return option;
}

void parseInit(Words& words, CommandLine& line) {
    DeviceSetup& setup = line.init;
    while (!words.done() && line.error.empty()) {
        std::optional<Option> option = nextOption(words, line);
        if (!option)
            return;
        const std::string& flag = option->flag;
        std::optional<std::string>& inlineValue = option->inlineValue;
        auto value = [&]() {
            std::optional<std::string> v = words.value(inlineValue);
            if (!v)
                line.error = flag + " needs a value";
            return v;
        };
        std::optional<std::string> v;
        if (flag == "--enabled")
            setup.enabled = true;
        else if (flag == "--disabled")
            setup.enabled = false;
        else if (flag == "--no-settings")
            setup.writeSettings = false;
        else if (flag == "--force")
            line.force = true;
        else if (flag == "--instrument" && (v = value())) {
            if (parseInstrument(*v))
                setup.instrument = *v;
            else
                line.error = bad(flag, *v, "want bass, drums, guitar, piano, violin or a number");
        } else if (flag == "--accounts" && (v = value()))
            setup.accounts = split(*v);
        else if (flag == "--access" && (v = value())) {
            if (*v == "grant" || *v == "deny")
                setup.access = *v;
            else
                line.error = bad(flag, *v, "want grant or deny");
        } else if (flag == "--installed" && (v = value()))
            setup.installedSchemes = split(*v);
        else if (!line.error.empty())
            return;
        else if (flag.size() > 1 && flag[0] == '-')
            line.error = "unknown option: " + flag;
        else if (setup.root.empty() && !flag.empty())
            setup.root = flag;
        else
            line.error = "one folder only, not also " + (flag.empty() ? "''" : flag);
    }
    if (line.error.empty() && setup.root.empty())
        line.error = "which folder? (tapsonata-sim init ROOT)";
}

// --out FILE.wav already writes a WAV, so --wav beside it would be a second one.
void checkOutputs(CommandLine& line) {
    const RunOptions& o = line.run;
    if (o.wav && o.wavOut())
        line.error = "--out " + *o.out + " already writes a WAV; --wav adds one to live or none";
}

void parseRunOrDemo(Words& words, CommandLine& line) {
    const bool demo = line.command == Command::Demo;
    while (!words.done() && line.error.empty()) {
        std::optional<Option> option = nextOption(words, line);
        if (!option)
            return;
        const std::string& word = option->word;
        const std::string& flag = option->flag;
        if (flag == "--list-devices") {
            line.command = Command::ListDevices;
            return;
        }
        if (runOption(flag, words, option->inlineValue, line))
            continue;
        if (flag.size() > 1 && flag[0] == '-')
            line.error = "unknown option: " + flag;
        else if (demo)
            line.error = "demo takes no actions: " + word;
        else if (!isAction(word))
            line.error = "unknown action: " + word;
        else
            action(word, words, line);
    }
    if (line.error.empty())
        checkOutputs(line);
    if (line.error.empty() && !demo && line.run.root.empty())
        line.error = "--root is required";
}

void parseDesktop(Words& words, CommandLine& line) {
    DesktopOptions& desktop = line.desktop;
    while (!words.done() && line.error.empty()) {
        std::optional<Option> option = nextOption(words, line);
        if (!option)
            return;
        const std::string& flag = option->flag;
        if (flag == "--list-devices") {
            line.command = Command::ListDevices;
            return;
        }
        if (flag == "--instrument" || flag == "--input") {
            std::optional<std::string> v = words.value(option->inlineValue);
            if (!v)
                line.error = flag + " needs a value";
            else if (flag == "--instrument" && parseInstrument(*v))
                desktop.instrument = *v;
            else if (flag == "--input" && (*v == "evdev" || *v == "x11"))
                desktop.input = *v;
            else
                line.error =
                    bad(flag, *v,
                        flag == "--input" ? "want evdev or x11"
                                          : "want bass, drums, guitar, piano, violin or a number");
            continue;
        }
        // Keys come when they are typed, and follow requests are not the desktop's business.
        if (flag != "--pace" && flag != "--api" &&
            runOption(flag, words, option->inlineValue, line))
            continue;
        if (flag.size() > 1 && flag[0] == '-')
            line.error = "unknown option: " + flag;
        else
            line.error = "desktop takes no actions: " + option->word;
    }
    if (line.error.empty())
        checkOutputs(line);
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (args.empty())
        return line;
    const std::string& first = args.front();
    std::vector<std::string> rest(args.begin() + 1, args.end());
    Words words(rest);
    if (first == "help" || isHelp(first)) {
        line.topic = rest.empty() ? "" : rest.front();
        if (line.topic != "" && line.topic != "init" && line.topic != "run" &&
            line.topic != "demo" && line.topic != "desktop") {
            line.error = "no help for " + line.topic;
            // The hint then points at the main help, not at a command that does not exist.
            line.topic.clear();
        }
        return line;
    }
    if (first == "--version" || first == "version") {
        line.command = Command::Version;
        return line;
    }
    if (first == "--list-devices") {
        line.command = Command::ListDevices;
        return line;
    }
    line.topic = first;
    if (first == "init") {
        line.command = Command::Init;
        parseInit(words, line);
    } else if (first == "run" || first == "demo") {
        line.command = first == "run" ? Command::Run : Command::Demo;
        parseRunOrDemo(words, line);
    } else if (first == "desktop") {
        line.command = Command::Desktop;
        parseDesktop(words, line);
    } else if (first == "process") {
        line.command = Command::Process;
        line.processArgs = rest;
    } else {
        line.topic.clear();
        line.error = "unknown command: " + (first.empty() ? std::string("''") : first);
    }
    return line;
}

std::string helpText(const std::string& topic) {
    return topic == "init"      ? kInitHelp
           : topic == "run"     ? kRunHelp
           : topic == "demo"    ? kDemoHelp
           : topic == "desktop" ? kDesktopHelp
                                : kMainHelp;
}

const char* version() {
    return TAPSONATA_VERSION;
}

} // namespace sim
