// Ending processes by name, so that changed settings reach them when they start again.
#include "foundation/ProcessLauncher.h"
#include "kit/PaneDecisions.h"
#include "kit/QVKit.h"

#include <optional>
#include <string>
#include <vector>

extern "C" void QVKillProcess(objc::Object* signal, NS::String* processName) {
    std::optional<std::string> signalText;
    if (signal)
        signalText = NS::String::stringWithFormat("%@", signal)->str();
    std::optional<std::string> name;
    if (processName)
        name = processName->str();
    std::vector<std::string> arguments = kit::killallArguments(signalText, name);
    std::vector<const char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    // No environment list; the child is reaped in the background, and its outcome is not
    // looked at: this returns as soon as the spawn has.
    NS::spawnProcess(std::string(kit::kKillallPath).c_str(), argv.data(), nullptr);
}
