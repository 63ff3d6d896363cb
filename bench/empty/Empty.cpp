// A shared library with nothing in it: what loading any library costs, to compare with.
extern "C" int tapsonataBenchEmpty() {
    return 0;
}
