# The commands a player or developer types. Each installs what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test presets soak fuzz package bench clean

all: build

deps:
	@scripts/deps.sh

build: deps
	@cmake --preset release -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/src/ui/dravik

# The whole suite: every test of the default build (the traces of the debug,
# asan and clang builds compared among them), the core, window and property
# tests again under the sanitizers, and both fuzzers for a minute each.
test: build presets
	@fuzz/run.sh build-fuzz 60
	@ctest --preset asan -j $(JOBS)
	@DRAVIK_REQUIRE_ALL_BUILDS=1 ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The other builds the suite needs beside the default one.
presets: deps
	@cmake --preset asan >/dev/null && cmake --build build-asan -j $(JOBS) --target dravik-sim core_tests sim_tests ui_tests \
		props_tests fuzz-script-replay fuzz-play-replay
	@cmake --preset debug >/dev/null && cmake --build build-debug -j $(JOBS) --target dravik-sim
	@cmake --preset clang >/dev/null && cmake --build build-clang -j $(JOBS) --target dravik-sim
	@cmake --preset fuzz >/dev/null && cmake --build build-fuzz -j $(JOBS) --target fuzz-script fuzz-play

# The long forms: 100,000,000 ticks of random play under the referee and two
# minutes of the real window under random keys and RESET clicks.
soak: build
	@DRAVIK_PROP_TICKS=100000000 ctest --test-dir $(BUILD_DIR) -L props --output-on-failure -j $(JOBS)
	@tests/soak/window_soak.sh $(BUILD_DIR)/src/ui/dravik 120 $(BUILD_DIR)/tests/soak/window-120s

# Both fuzzers for five minutes each, side by side.
fuzz: deps
	@cmake --preset fuzz >/dev/null && cmake --build build-fuzz -j $(JOBS) --target fuzz-script fuzz-play
	@fuzz/run.sh build-fuzz 300

# The .deb, in $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB | tail -n 1

bench: build
	@$(BUILD_DIR)/bench/dravik-bench
	@$(BUILD_DIR)/bench/dravik-ui-bench
	@xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD_DIR)/bench/dravik-pace-bench

clean:
	@rm -rf $(BUILD_DIR)
