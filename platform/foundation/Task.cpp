#include "foundation/Task.h"

#include "objc/Runtime.h"

namespace NS {

Task::Task() {
    static objc::Class* cls = objc::objc_lookUpOrRegisterClass("NSTask", objc::NSObjectClass());
    setIsa(cls);
}

Ref<Task> Task::task() {
    return objc::adopt(new Task);
}

void Task::setArguments(const Array* arguments) {
    m_arguments.clear();
    m_argumentsValid = true;
    if (!arguments)
        return;
    for (const RefPtr<objc::Object>& item : arguments->items()) {
        auto* text = dynamic_cast<const String*>(item.get());
        if (!text) {
            m_argumentsValid = false;
            return;
        }
        m_arguments.push_back(text->str());
    }
}

void Task::setArguments(std::vector<std::string> arguments) {
    m_arguments = std::move(arguments);
    m_argumentsValid = true;
}

bool Task::launch() {
    if (m_launched || m_launchPath.empty() || !m_argumentsValid)
        return false;
    LaunchRequest request{m_launchPath, {m_launchPath}, std::nullopt, -1};
    request.arguments.insert(request.arguments.end(), m_arguments.begin(), m_arguments.end());
    pid_t pid = -1;
    if (m_standardOutput) {
        Ref<FileHandle> writing = m_standardOutput->fileHandleForWriting();
        if (writing->fileDescriptor() >= 0) {
            request.standardOutput = writing->fileDescriptor();
            pid = launchProcess(request);
        }
        // Even when nothing started: a reader then sees end of file at once, not a hang.
        writing->closeFile();
    } else {
        pid = launchProcess(request);
    }
    if (pid <= 0)
        return false;
    m_launched = true;
    m_pid = pid;
    return true;
}

} // namespace NS
