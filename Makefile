# Oxvell: `make run` opens the viewer on the demo survey, `make test` passes
# every test. Both set up a fresh Debian 12 machine first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc)
DEMO_DIR   := $(BUILD)/demo
BENCH_ARGS ?=

.PHONY: deps build run test test-asan bench clean

deps:
	./scripts/install-deps

build:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

$(DEMO_DIR)/survey.oxv:
	./scripts/make-demo $(BUILD) $(DEMO_DIR)

run: deps build $(DEMO_DIR)/survey.oxv
	./scripts/run-viewer $(BUILD) $(DEMO_DIR)/survey.oxv

test: deps build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOXV_SANITIZE=ON -DOXV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: deps build
	./scripts/bench $(BUILD) $(BENCH_ARGS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
