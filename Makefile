# The commands a player or developer types. Each installs what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/deps.sh

build: deps
	@cmake --preset release -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/src/ui/dravik

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD_DIR)/bench/dravik-bench
	@$(BUILD_DIR)/bench/dravik-ui-bench
	@xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD_DIR)/bench/dravik-pace-bench

clean:
	@rm -rf $(BUILD_DIR)
