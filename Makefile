# The two set-up commands: `make run` and `make test`. Both install missing
# packages, configure and build first.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
TRIALS ?= 200
FUZZ_TARGETS = dialect like profile jpeg csv zipXml
JOBS ?= 2

.PHONY: all deps configure build run test sanitize crashtest fuzz deb bench screenshots windows wintest import-fixtures clean

all: build

deps:
	@./scripts/install-deps

$(BUILD_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The program on a sample catalogue, made once when missing.
run: build $(BUILD_DIR)/app/demo.mdb
	./$(BUILD_DIR)/app/zandrel $(BUILD_DIR)/app/demo.mdb

$(BUILD_DIR)/app/demo.mdb:
	$(MAKE) build
	./$(BUILD_DIR)/tools/zandrel-demo $@

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANDREL_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# The crash test with more trials per write path than "make test" runs.
crashtest: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ZANDREL_CRASH_TRIALS=$(TRIALS) ./tests/tst_crash

# Each fuzz target for FUZZ_SECONDS, built with clang, libFuzzer and the
# sanitizers; new inputs go to $(FUZZ_DIR)/found, the kept corpus is read.
fuzz:
	@./scripts/install-deps fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANDREL_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/found/$$t && \
		$(FUZZ_DIR)/tests/fuzz/fuzz_$$t $(FUZZ_DIR)/found/$$t tests/fuzz/corpus/$$t \
			-max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/ || exit 1; \
	done

# The Debian package, zandrel_<version>_amd64.deb in $(BUILD_DIR), checked
# with lintian and the desktop and AppStream validators.
deb: build
	@./scripts/install-deps deb
	desktop-file-validate resources/org.example.zandrel.desktop
	appstreamcli validate --no-net resources/org.example.zandrel.metainfo.xml
	cd $(BUILD_DIR) && cpack -G DEB
	lintian --fail-on error $(BUILD_DIR)/zandrel_*_amd64.deb

# The README's pictures (doc/*.png): the program on a fresh sample catalogue
# under a virtual display with a window manager. Re-run when windows change.
screenshots: build
	@./scripts/install-deps screenshots
	BUILD_DIR=$(BUILD_DIR) ./scripts/screenshots

# The import tests' files as other programs save them (tests/data/imports/),
# made again after tests/data/imports/master.py changes; kept in the tree.
import-fixtures:
	@./scripts/install-deps fixtures
	./tests/data/imports/make-fixtures

bench: build
	@./scripts/install-deps bench
	./$(BUILD_DIR)/bench/zandrel-bench $(BENCH_ARGS)

# The Windows edition (build-windows/zandrel-<version>-win64-setup.exe):
# libraries cross-built from Debian's source packages once (kept by version
# in build-windows/deps/), then Zandrel and its NSIS installer.
windows: build
	@./scripts/install-deps windows
	./scripts/windows/build

# The tests that need neither X11 nor POSIX, built for Windows and run
# under wine with Qt's offscreen platform.
wintest: build
	@./scripts/install-deps windows
	./scripts/windows/build --tests
	./scripts/windows/run-tests

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
