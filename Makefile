# DinoTuner: one entry point for setting up, building, testing and trying the plugin.
#   make test           install what is missing (as root), build, run every test
#   make test-sanitize  the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   make build-windows  cross-build DinoTuner.dll and everything else for Windows (mingw-w64)
#   make test-windows   run the Windows build's tests under wine
#   make demo           a narrated walk-through of every rule on the example configuration
#   make fuzz           the libFuzzer targets of fuzz/, FUZZ_SECONDS each (default 60)
#   make soak           the simulated server under random play and reloads, SOAK_SECONDS (default 120)

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
WINDOWS_DIR ?= build-windows
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
SOAK_SECONDS ?= 120
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# Debian packages the build and the tests need; clang and llvm's nm for the contract check, which
# compiles the host's declaration for the host's own target (tests/contract).
PACKAGES := cmake make g++ pkg-config libspdlog-dev libfmt-dev nlohmann-json3-dev \
            googletest libgtest-dev libgmock-dev libbenchmark-dev libssl-dev python3 python3-jsonschema libedit-dev \
            clang-14 llvm-14 rcon
# Node.js may come from elsewhere than Debian (its npm then conflicts with Debian's): only a
# machine without node and npm commands gets Debian's.
NODE_PACKAGES := nodejs npm
# clang's runtimes (libFuzzer, ASan, UBSan), for make fuzz only.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev

# Installs those of the Debian packages $(1) that are missing, when run as root; otherwise names
# them and fails, saying which target to run as root ($(2)).
define install-missing
missing=""; \
for p in $(1); do \
  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
done; \
if [ -n "$$missing" ]; then \
  if [ "$$(id -u)" = "0" ]; then \
    echo "installing:$$missing"; \
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null; \
  else \
    echo "missing Debian packages:$$missing (run 'make $(2)' as root)"; exit 1; \
  fi; \
fi
endef

# Node.js counts as present when its commands are, wherever they came from.
NEEDED_NODE_PACKAGES = $(if $(and $(shell command -v node),$(shell command -v npm)),,$(NODE_PACKAGES))

.PHONY: all deps deps-windows fuzz-deps configure build test test-sanitize build-windows test-windows demo bench fuzz soak clean

all: build

deps:
	@$(call install-missing,$(PACKAGES) $(NEEDED_NODE_PACKAGES),deps)

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

# The plugin ships as a Windows DLL. The cross build needs the mingw-w64 compiler; its tests run
# under wine. The libraries' headers and GoogleTest's sources come from the packages of `deps`.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix wine64 wine
WINEPREFIX_DIR = $(abspath $(WINDOWS_DIR))/wine-prefix

deps-windows: deps
	@$(call install-missing,$(WINDOWS_PACKAGES),deps-windows)

build-windows: deps-windows
	cmake -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/MingwToolchain.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

# One wine server stays up for the whole run (started here, stopped here): each test would
# otherwise start its own, at four times the cost. In order:
# - a first program run makes the build's wine prefix when there is none; its server is waited out,
#   as a server that quits while a test connects resets that test's connection;
# - the persistent server starts, and a second run starts wine's own background programs with it.
#   They live as long as the server and keep whatever output they inherit open, so they must not
#   be started by a test whose output CTest reads to its end.
WINE_WARM_UP = $(WINDOWS_DIR)/wine-run $(WINDOWS_DIR)/bin/dinotuner-sim.exe --help </dev/null >/dev/null 2>&1
test-windows: build-windows
	@export WINEPREFIX=$(WINEPREFIX_DIR); \
	$(WINE_WARM_UP) || { echo "dinotuner-sim.exe does not run under wine"; exit 1; }; \
	wineserver -w; wineserver -p; $(WINE_WARM_UP); \
	status=0; (cd $(WINDOWS_DIR) && ctest --output-on-failure -j $(JOBS)) || status=$$?; \
	wineserver -k; exit $$status

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
	@$(call install-missing,$(FUZZ_PACKAGES),fuzz-deps)

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
soak: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target dinotuner-sim DinoTuner
	python3 tests/soak/soak.py --sim $(BUILD_DIR)/bin/dinotuner-sim --seconds $(SOAK_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(WINDOWS_DIR) $(FUZZ_DIR)
