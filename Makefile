# Quick start: `make demo` or `make test`, as root on Debian 12.
JOBS ?= $(shell nproc)
SHELL := /bin/bash
PREFIX ?= /usr/local
# Seconds each fuzz target runs for in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: setup configure build demo test asan tsan fuzz bench format clean install

setup:
	@tools/install-deps

configure: setup
	@cmake --preset default >/dev/null

build: configure
	@cmake --build --preset default -j $(JOBS)

# Only what the demo needs, in a folder of its own: configured once (Ninja re-runs CMake itself
# when a CMakeLists.txt changes), and silent when there is nothing to do.
demo: setup
	@[ -f build-demo/build.ninja ] || cmake --preset demo >/dev/null
	@set -o pipefail; cd build-demo && ninja --quiet Tapsonata tapsonata-sim | { grep -vx 'ninja: no work to do.' || true; }
	@tools/demo

test: build
	@ctest --preset default

asan: setup
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan

tsan: setup
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS) --target concurrency_tests
	@ctest --preset tsan

fuzz: setup
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@FUZZ_SECONDS=$(FUZZ_SECONDS) tools/fuzz

bench: build
	@for b in build/bin/bench_*; do $$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# The simulator, its libraries and the notes under $(PREFIX): bin/tapsonata-sim, lib/, share/tapsonata/.
install: setup
	@cmake --preset default -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build --preset default -j $(JOBS) --target tapsonata-sim
	@cmake --install build --prefix $(PREFIX)

clean:
	@rm -rf build build-demo build-asan build-tsan build-fuzz
