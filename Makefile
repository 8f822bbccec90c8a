# The two set-up commands: `make run` and `make test`. Both install missing
# packages, configure and build first.
BUILD_DIR ?= build
JOBS ?= 2

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@./scripts/install-deps

$(BUILD_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/app/zandrel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD_DIR)/bench/zandrel-bench $(BENCH_ARGS)

clean:
	rm -rf $(BUILD_DIR)
