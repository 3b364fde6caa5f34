# The two commands of the README: `make run` and `make test`. Each installs what it lacks.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD ?= build-bench
WIN_BUILD  ?= build-windows
ARM64_BUILD ?= build-arm64
# No Mono or Gecko: the tests need neither, and Wine would offer to install them.
WINE_ENV    = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix
FUZZ_SECONDS ?= 30
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps deps-test deps-tools build build-asan build-windows build-arm64 run test fuzz bench \
  screenshot install clean

all: build

deps:
	scripts/install-deps.sh build

deps-test:
	scripts/install-deps.sh build test

# What the tests check the program with: sigrok, GTKWave, Hamlib's rigctl, clang's libFuzzer.
deps-tools:
	scripts/install-deps.sh tools

build: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/app/saa1057-panel --simulate

test: deps-tools build build-asan build-windows build-arm64 fuzz
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)
	ctest --test-dir $(ARM64_BUILD) --output-on-failure -j$(JOBS)
	$(WINE_ENV) ctest --test-dir $(WIN_BUILD) --output-on-failure -j$(JOBS); \
	  status=$$?; $(WINE_ENV) wineserver -k; exit $$status

# The Qt-free core and the port-library back end, cross-built for Windows; its tests run under
# Wine (the first run makes the Wine prefix, which takes a few seconds).
build-windows:
	scripts/install-deps.sh windows
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Debug -DSAA_BUILD_WINDOW=OFF $(CMAKE_ARGS)
	$(WINE_ENV) cmake --build $(WIN_BUILD) -j$(JOBS)

# The Qt-free core for 64-bit ARM (a Raspberry Pi), cross-built with Debian's compiler; its
# tests run under qemu-user. Nothing x86 in it: no raw port I/O.
build-arm64:
	scripts/install-deps.sh arm64
	cmake -S . -B $(ARM64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	  -DCMAKE_BUILD_TYPE=Debug -DSAA_BUILD_WINDOW=OFF $(CMAKE_ARGS)
	cmake --build $(ARM64_BUILD) -j$(JOBS)

# The rigctld parser under libFuzzer for a bounded time; a crash fails the run.
fuzz: deps-test deps-tools
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	  -DSAA_FUZZ=ON -DSAA_BUILD_WINDOW=OFF -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target rigctl_session_fuzz
	mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/fuzz/rigctl_session_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 \
	  -dict=fuzz/rigctl.dict -print_final_stats=1 $(FUZZ_BUILD)/corpus

build-asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSAA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)

# Release build of the program and the benchmarks; prints the table, writes bench/results.md.
bench:
	scripts/install-deps.sh build bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DSAA_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	python3 bench/run_benchmarks.py $(BENCH_BUILD)

screenshot: build
	scripts/install-deps.sh screenshot
	scripts/screenshot.sh $(BUILD)/app/saa1057-panel docs/screenshot.png

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WIN_BUILD) $(ARM64_BUILD)
