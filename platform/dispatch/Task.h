// Inside dispatch: running one task so that what it throws never escapes into the host.
#pragma once

#include <functional>

namespace dispatch::detail {

// Runs the task; an exception is reported with CFLog, naming `where`, and dropped.
void runTask(const std::function<void()>& task, const char* where);

} // namespace dispatch::detail
