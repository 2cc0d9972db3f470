# Oxvell: `make run` opens the viewer on the demo survey, `make test` passes
# every test. Both set up a fresh Debian 12 machine first.

BUILD      ?= build
RELEASE_BUILD ?= build-release
ASAN_BUILD ?= build-asan
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc)
DEMO_DIR   := $(BUILD)/demo
BENCH_ARGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

# Our builds treat warnings as errors; a plain CMake build (a packager's)
# does not.
DEV_ARGS   := -DOXV_WERROR=ON

.PHONY: deps build run test test-asan soak bench fuzz release clean

deps:
	./scripts/install-deps

build:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(DEV_ARGS) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

$(DEMO_DIR)/survey.oxv:
	./scripts/make-demo $(BUILD) $(DEMO_DIR)

run: deps build $(DEMO_DIR)/survey.oxv
	./scripts/run-viewer $(BUILD) $(DEMO_DIR)/survey.oxv

test: deps build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE soak

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOXV_SANITIZE=ON -DOXV_BUILD_BENCH=OFF $(DEV_ARGS) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE soak

# Thousands of frames of playback with recording (OXV_SOAK_FRAMES, default 10000).
soak: deps build
	ctest --test-dir $(BUILD) --output-on-failure -L soak -V

bench: deps build
	./scripts/bench $(BUILD) $(BENCH_ARGS)

# Every libFuzzer harness for FUZZ_SECONDS on its seed corpus; fails on a find.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOXV_FUZZ=ON -DOXV_SANITIZE=ON -DOXV_BUILD_TESTS=OFF -DOXV_BUILD_BENCH=OFF $(DEV_ARGS) $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target oxv_fuzzers
	./scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The build a packager makes: plain CMake, Release, the programs only.
release: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DOXV_BUILD_TESTS=OFF -DOXV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS)
	$(RELEASE_BUILD)/bin/oxvtool --help >/dev/null

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD)
