#include "foundation/Log.h"

#include "device/Events.h"

#include <cstdio>
#include <mutex>
#include <syslog.h>

namespace NS {

namespace {
std::mutex g_lock;
LogSink g_sink;
} // namespace

void setLogSink(LogSink sink) {
    std::lock_guard guard(g_lock);
    g_sink = std::move(sink);
}

} // namespace NS

void CFLogv(int level, std::string_view format, std::initializer_list<NS::FormatArg> args) {
    objc::Ref<NS::String> line = NS::String::format(format, args);
    // The line is passed as an argument, never as syslog's format.
    syslog(level & LOG_PRIMASK, "%s", line->UTF8String());
    device::emit("log", {{"level", level}, {"text", line->str()}});
    std::lock_guard guard(NS::g_lock);
    if (NS::g_sink)
        NS::g_sink(level, line->str());
    else
        std::fprintf(stderr, "%s\n", line->UTF8String());
}
