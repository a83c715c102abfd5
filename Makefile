# The commands a player or developer types. Each installs what it needs first.
BUILD_DIR ?= build
PLAY_DIR ?= build-play
WEB_DIR ?= build-web
JOBS ?= $(shell nproc)
# Every build folder these commands make; `make clean` removes them all.
BUILD_DIRS = $(BUILD_DIR) $(PLAY_DIR) $(WEB_DIR) build-debug build-asan build-clang build-fuzz
# em++ runs Debian's node-acorn, which lives outside node's own search path.
export NODE_PATH := /usr/share/nodejs
# DEPS=0 (make run DEPS=0) installs nothing: the machine has what is needed.
export DEPS

# The dravik-sim of the other builds whose traces the determinism test compares
# with the default build's.
COMPARED_SIMS = $(CURDIR)/build-debug/dravik-sim;$(CURDIR)/build-asan/dravik-sim;$(CURDIR)/build-clang/dravik-sim
# The dravik-solve of the other builds whose run must be the default build's.
COMPARED_SOLVERS = $(CURDIR)/build-debug/dravik-solve;$(CURDIR)/build-clang/dravik-solve

.PHONY: all deps build run check test presets web web-run server-run soak fuzz package bench clean

all: build

deps:
	@scripts/deps.sh test

# Only what building and playing need, and only the game.
run:
	@scripts/deps.sh play
	@cmake --preset play -B $(PLAY_DIR) >/dev/null
	@cmake --build $(PLAY_DIR) -j $(JOBS) --target dravik
	@$(PLAY_DIR)/src/ui/dravik

# The default build: the game, the tools, the tests and the benchmarks.
build:
	@scripts/deps.sh check
	@cmake --preset release -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The quick tests of the default build: the rules, dravik-sim, the window
# offscreen and random play for 100,000 ticks. No display, no other build,
# no package installed, no long search.
check: build
	@DRAVIK_PROP_TICKS=100000 ctest --test-dir $(BUILD_DIR) -L '^(core|sim|ui|props)$$' --output-on-failure -j $(JOBS)

# The whole suite: every test of the default build (the traces of the debug,
# asan and clang builds compared among them), the core, window and property
# tests again under the sanitizers, and both fuzzers for a minute each.
test: deps presets web
	@cmake --preset release -B $(BUILD_DIR) "-DDRAVIK_COMPARED_SIMS=$(COMPARED_SIMS)" \
		"-DDRAVIK_COMPARED_SOLVERS=$(COMPARED_SOLVERS)" >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)
	@fuzz/run.sh build-fuzz 60
	@ctest --preset asan -j $(JOBS)
	@DRAVIK_REQUIRE_ALL_BUILDS=1 ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The other builds the suite needs beside the default one.
presets: deps
	@cmake --preset asan >/dev/null && cmake --build build-asan -j $(JOBS) --target dravik-sim core_tests run_tests sim_tests ui_tests \
		props_tests fuzz-script-replay fuzz-play-replay
	@cmake --preset debug >/dev/null && cmake --build build-debug -j $(JOBS) --target dravik-sim dravik-solve
	@cmake --preset clang >/dev/null && cmake --build build-clang -j $(JOBS) --target dravik-sim dravik-solve
	@cmake --preset fuzz >/dev/null && cmake --build build-fuzz -j $(JOBS) --target fuzz-script fuzz-play

# The game in the browser, from the same core: build-web/site, a static site
# any web server can serve as it is, and build-web/dravik-sim.js for node.
# Also the npm packages of the page's tests, as package-lock.json pins them.
web:
	@scripts/deps.sh web
	@cmake --preset web -B $(WEB_DIR) >/dev/null
	@cmake --build $(WEB_DIR) -j $(JOBS)
	@[ tests/web/node_modules/.package-lock.json -nt tests/web/package-lock.json ] || npm ci --prefix tests/web --no-audit --no-fund

# The page on http://127.0.0.1:8064/ until Ctrl+C.
web-run: web
	@node web/serve.mjs $(WEB_DIR)/site 8064

# The leaderboard and the page on http://127.0.0.1:8064/ until Ctrl+C: every
# run sent is re-played before it is ranked, and kept in an SQLite file in
# the XDG data folder (~/.local/share/dravik/leaderboard.sqlite).
server-run: build web
	@$(BUILD_DIR)/dravik-server --listen 127.0.0.1:8064 --site $(WEB_DIR)/site

# The long forms: 100,000,000 ticks of random play under the referee and two
# minutes of the real window under random keys and RESET clicks.
soak: deps build
	@DRAVIK_PROP_TICKS=100000000 ctest --test-dir $(BUILD_DIR) -L props --output-on-failure -j $(JOBS)
	@tests/soak/window_soak.sh $(BUILD_DIR)/src/ui/dravik 120 $(BUILD_DIR)/tests/soak/window-120s

# Both fuzzers for five minutes each, side by side.
fuzz: deps
	@cmake --preset fuzz >/dev/null && cmake --build build-fuzz -j $(JOBS) --target fuzz-script fuzz-play
	@fuzz/run.sh build-fuzz 300

# The .deb, in $(BUILD_DIR).
package: deps build
	@cd $(BUILD_DIR) && cpack -G DEB | tail -n 1

bench: deps build
	@$(BUILD_DIR)/bench/dravik-bench
	@$(BUILD_DIR)/bench/dravik-ui-bench
	@xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD_DIR)/bench/dravik-pace-bench

clean:
	@rm -rf $(BUILD_DIRS)
