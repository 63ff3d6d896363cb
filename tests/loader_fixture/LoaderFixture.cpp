// Two initialisers, declared in the opposite order to the one they must run in, that record
// that order where the loader's test can read it through dlsym. The record is internal, so
// that a second copy of this library loaded with RTLD_GLOBAL keeps a record of its own.
#include <cstring>

namespace {

char g_order[64] = "";
int g_runs = 0;

void record(const char* step) {
    std::strncat(g_order, step, sizeof g_order - std::strlen(g_order) - 1);
    ++g_runs;
}

__attribute__((constructor(102))) void second() {
    record("second;");
}
__attribute__((constructor(101))) void first() {
    record("first;");
}

} // namespace

extern "C" {
__attribute__((visibility("default"))) const char* loaderFixtureOrder() {
    return g_order;
}
__attribute__((visibility("default"))) int loaderFixtureRuns() {
    return g_runs;
}
}
