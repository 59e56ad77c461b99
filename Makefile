# DinoTuner: one entry point for setting up, building, testing and trying the plugin.
#   make test           install what is missing (as root), build, run every test
#   make test-sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   make demo           a narrated walk-through of every rule on the example configuration
#   make fuzz           the libFuzzer targets of fuzz/, FUZZ_SECONDS each (default 60)
#   make soak           the simulated server under random play and reloads, SOAK_SECONDS (default 120)

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
SOAK_SECONDS ?= 120
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build and the tests need.
PACKAGES := cmake make g++ pkg-config libspdlog-dev libfmt-dev nlohmann-json3-dev \
            googletest libgtest-dev libgmock-dev libbenchmark-dev python3 python3-jsonschema libedit-dev
# Node.js may come from elsewhere than Debian (its npm then conflicts with Debian's): only a
# machine without node and npm commands gets Debian's.
NODE_PACKAGES := nodejs npm
# clang and its runtimes (libFuzzer, ASan, UBSan), for make fuzz only.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev

.PHONY: all deps fuzz-deps configure build test test-sanitize check-windows demo bench fuzz soak clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then missing="$$missing $(NODE_PACKAGES)"; fi; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = "0" ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	  else \
	    echo "missing Debian packages:$$missing (run 'make deps' as root)"; exit 1; \
	  fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# CTest runs each test in a process of its own; then every test binary runs whole, shuffled and
# repeated, so that no test depends on a fresh process.
test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	tests/run-binaries-whole.sh $(BUILD_DIR)/gtest-binaries.txt

# The plugin keeps what it creates at load for the life of the process, by design; once the
# simulated server unloads the library those objects can no longer be reached, so leak
# detection is left to the game allocator's live count there (`memory` in the scenarios).
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DDINOTUNER_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# The plugin ships as a Windows DLL: compile its sources, and the server's OS layer, with
# mingw-w64 for Windows (syntax and warnings only; linking needs the real host).
MINGW_CXX := x86_64-w64-mingw32-g++-posix
WINDOWS_SOURCES := $(shell find src sim/os sim/rcon -name '*.cpp' | sort)
check-windows:
	@command -v $(MINGW_CXX) >/dev/null 2>&1 || { \
	  if [ "$$(id -u)" = "0" ]; then apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq g++-mingw-w64-x86-64-posix >/dev/null; \
	  else echo "missing $(MINGW_CXX) (Debian: g++-mingw-w64-x86-64-posix)"; exit 1; fi; }
	@rm -rf $(BUILD_DIR)/windows-include && mkdir -p $(BUILD_DIR)/windows-include
	@for lib in spdlog fmt nlohmann; do ln -s /usr/include/$$lib $(BUILD_DIR)/windows-include/$$lib; done
	@for f in $(WINDOWS_SOURCES); do \
	  $(MINGW_CXX) -std=c++17 -fsyntax-only -Wall -Wextra -Werror -Isrc -Isim -Isim/host \
	    -isystem $(BUILD_DIR)/windows-include -DSPDLOG_FMT_EXTERNAL -DSPDLOG_COMPILED_LIB $$f || exit 1; \
	done; echo "windows: $(words $(WINDOWS_SOURCES)) sources compile"

# Only the simulated server and the plugin: the demo does not wait for the tests to build.
# --narrate prints the script's comments as the story and keeps its checks quiet unless one fails.
# The build's own output goes to a log, shown only when the build fails.
demo: deps
	@mkdir -p $(BUILD_DIR) && echo "Building the simulated server and the plugin (log: $(BUILD_DIR)/demo-build.log)..."
	@{ cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	   cmake --build $(BUILD_DIR) -j $(JOBS) --target dinotuner-sim DinoTuner; } >$(BUILD_DIR)/demo-build.log 2>&1 || \
	  { cat $(BUILD_DIR)/demo-build.log; exit 1; }
	@echo
	@$(BUILD_DIR)/bin/dinotuner-sim --no-load --narrate --dir $(BUILD_DIR)/demo-server --script examples/demo.txt

bench: build
	$(BUILD_DIR)/bin/dinotuner-bench

fuzz-deps:
	@missing=""; \
	for p in $(FUZZ_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = "0" ]; then \
	    echo "installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
	  else \
	    echo "missing Debian packages:$$missing (run 'make fuzz-deps' as root)"; exit 1; \
	  fi; \
	fi

# Every target of fuzz/ under libFuzzer, ASan and UBSan, one after the other, FUZZ_SECONDS each;
# fails on any crash, leak, sanitizer report or broken invariant. What the targets find stays in
# $(FUZZ_DIR)/fuzz-runs, so the next run starts from there.
fuzz: deps fuzz-deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DDINOTUNER_FUZZ=ON -DDINOTUNER_TESTS=OFF -DDINOTUNER_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz-config fuzz-check fuzz-rcon fuzz-dictionary
	fuzz/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# The simulated server with the plugin under random play, reloads from two RCON clients and a
# config file rewritten under it, for SOAK_SECONDS (tests/soak/soak.py says what it checks).
soak: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS) --target dinotuner-sim DinoTuner
	python3 tests/soak/soak.py --sim $(BUILD_DIR)/bin/dinotuner-sim --seconds $(SOAK_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
