# The README's commands: `make run`, `make test` (after each change) and `make check` (everything,
# what CI runs). Each installs what it lacks.
# Each build is a CMake preset (CMakePresets.json), in the folder the preset names.
BUILD       = build
RUN_BUILD   = build-run
ASAN_BUILD  = build-asan
FUZZ_BUILD  = build-fuzz
BENCH_BUILD = build-bench
WIN_BUILD   = build-windows
WIN_PKG_BUILD = build-windows-package
PKG_BUILD   = build-package
ARM64_PKG_BUILD = build-package-arm64
# No Mono or Gecko: the tests need neither, and Wine would offer to install them. No menu entries
# in the user's desktop for what the tests install in the prefix.
WINE_ENV    = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
  WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix
FUZZ_SECONDS ?= 30
OPTIONS_FUZZ_SECONDS ?= 10
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# make package is a user's build; the package make test builds is checked for warnings too.
PKG_WERROR  = OFF

.PHONY: all deps deps-test deps-tools build program build-asan soak build-windows build-arm64 \
  build-armhf run test check test-vm fuzz bench screenshot install package package-arm64 \
  package-windows clean

all: build

deps:
	scripts/install-deps.sh build

deps-test:
	scripts/install-deps.sh build test

# What the tests check the program with: sigrok, GTKWave, Hamlib's rigctl.
deps-tools:
	scripts/install-deps.sh tools

build: deps-test
	cmake --preset default $(CMAKE_ARGS)
	cmake --build $(BUILD) -j$(JOBS)

# The program alone, as a user builds it: no tests, nothing they need.
program: deps
	cmake --preset run $(CMAKE_ARGS)
	cmake --build $(RUN_BUILD) -j$(JOBS) --target saa1057-panel

run: program
	$(RUN_BUILD)/app/saa1057-panel --simulate

# After each change: the native and sanitizer suites, with the tools people use with the program;
# what only make check runs is labelled so (the browser's page test).
CTEST = ctest --output-on-failure -j$(JOBS)
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test: deps-tools build build-asan
	$(CTEST) --test-dir $(BUILD) -LE check
	$(SANITIZER_ENV) $(CTEST) --test-dir $(ASAN_BUILD) -LE check

# Everything, as CI runs it: make test, then the browser, the soak, fuzzing, ARM under qemu-user,
# Windows under Wine with its installer, the Debian packages and the virtual machines.
check: test build-windows package-windows build-arm64 build-armhf fuzz package package-arm64
	scripts/install-deps.sh browser
	$(CTEST) --test-dir $(BUILD) -L check
	$(SANITIZER_ENV) $(CTEST) --test-dir $(ASAN_BUILD) -L check
	tests/soak/soak_test.py $(ASAN_BUILD)/app/saa1057-panel 40 10 10
	$(CTEST) --test-dir build-arm64
	$(CTEST) --test-dir build-armhf
	$(WINE_ENV) xvfb-run -a -s "-screen 0 1280x720x24 -dpi 96" \
	  $(CTEST) --test-dir $(WIN_BUILD); \
	  status=$$?; $(WINE_ENV) wineserver -k; exit $$status
	tests/windows/installer_test.sh $(WIN_PKG_BUILD)/saa1057-panel-*-win64.exe \
	  $(WIN_PKG_BUILD)/saa1057-panel-*-win64.zip $(WIN_BUILD)/tests/bus_windows/inpoutx64.dll \
	  $(WIN_BUILD)/tests/bus_windows/ftd2xx.dll
	tests/package/package_test.sh $(PKG_BUILD)/saa1057-panel_*.deb
	tests/package/package_test.sh $(ARM64_PKG_BUILD)/saa1057-panel_*_arm64.deb arm64
	$(MAKE) --no-print-directory test-vm PKG_WERROR=$(PKG_WERROR)
check: PKG_WERROR = ON

# The program on Linux's own parport, ppdev, GPIO and USB drivers (FTDI adapters stood in for
# on dummy_hcd): Debian's kernels for amd64 and arm64 boot under QEMU and run what build and
# build-arm64 made (two minutes; each kernel is downloaded once, into ~/.cache/saa1057-panel/vm).
# Then the package's life cycle, its service running, in a Debian 12 that systemd boots there
# (a minute and a half; the system is made once, in a minute, into the same folder).
test-vm: build build-arm64 package
	scripts/install-deps.sh vm package-vm
	tests/vm/parport_test.sh $(BUILD)/app/saa1057-panel
	tests/vm/gpio_test.sh build-arm64/app/saa1057-panel
	tests/vm/ftdi_test.sh $(BUILD)/app/saa1057-panel
	tests/package/lifecycle_test.sh $(PKG_BUILD)/saa1057-panel_*.deb

# The whole program for 64-bit Windows, against Qt built once from Debian's sources (into
# ~/.cache/saa1057-panel, a quarter of an hour the first time); its tests run under Wine (the
# first run makes the Wine prefix, which takes a few seconds).
build-windows:
	scripts/install-deps.sh windows
	qt=$$(scripts/build-qt-windows.sh) && \
	cmake --preset windows -DCMAKE_PREFIX_PATH="$$qt" $(CMAKE_ARGS)
	$(WINE_ENV) cmake --build $(WIN_BUILD) -j$(JOBS)

# The installer and the portable zip for 64-bit Windows, in Release, made by CPack.
package-windows:
	scripts/install-deps.sh windows windows-package
	qt=$$(scripts/build-qt-windows.sh) && \
	cmake --preset windows-package -DCMAKE_PREFIX_PATH="$$qt" -DSAA_WERROR=$(PKG_WERROR) \
	  $(CMAKE_ARGS)
	rm -f $(WIN_PKG_BUILD)/saa1057-panel-*-win64.*
	cmake --build $(WIN_PKG_BUILD) -j$(JOBS) --target package

# The whole program for ARM Linux (a Raspberry Pi): arm64 (64-bit) or armhf (32-bit), cross-built
# with Debian's compiler against Debian's Qt for that architecture, installed beside this
# machine's; the tests that need no more than qemu-user run under it. No raw port I/O there.
build-arm64 build-armhf: build-%:
	scripts/install-deps.sh $*
	cmake --preset $* $(CMAKE_ARGS)
	cmake --build build-$* -j$(JOBS)

# The rigctld parser and the option parser under libFuzzer for a bounded time; a finding fails
# the run. The client conversations of the tests seed the protocol's corpus.
fuzz: deps-test
	scripts/install-deps.sh fuzz
	cmake --preset fuzz
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target rigctl_session_fuzz options_fuzz
	mkdir -p $(FUZZ_BUILD)/corpus/rigctl $(FUZZ_BUILD)/corpus/options
	for f in tests/app/conversations/*.txt; do \
	  sed -n 's/^> //p' "$$f" >"$(FUZZ_BUILD)/corpus/rigctl/$$(basename "$$f")"; done
	scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/rigctl_session_fuzz $(FUZZ_SECONDS) \
	  $(FUZZ_BUILD)/corpus/rigctl -dict=fuzz/rigctl.dict
	scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/options_fuzz $(OPTIONS_FUZZ_SECONDS) \
	  $(FUZZ_BUILD)/corpus/options -dict=fuzz/options.dict

build-asan: deps-test
	cmake --preset asan $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)

# The rigctld server under load for ten minutes, under ASan: every client slot taken, every
# answer checked, the bus traced, the memory after ten minutes within 5 % of that after one.
# make check runs 40 s of it, with 10 % from 10 s on.
soak: build-asan
	tests/soak/soak_test.py $(ASAN_BUILD)/app/saa1057-panel 600 60 5

# Release build of the program and the benchmarks; prints the table, writes bench/results.md.
bench:
	scripts/install-deps.sh build bench
	cmake --preset bench
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	python3 bench/run_benchmarks.py $(BENCH_BUILD)

screenshot: build build-windows
	scripts/install-deps.sh screenshot
	scripts/screenshot.sh docs/screenshot.png $(BUILD)/app/saa1057-panel
	$(WINE_ENV) scripts/screenshot.sh docs/screenshot-windows.png \
	  wine $(WIN_BUILD)/bin/saa1057-panel.exe
	scripts/pulseview-screenshot.sh $(BUILD)/app/saa1057-panel docs/pulseview.png
	scripts/web-screenshot.py $(BUILD)/app/saa1057-panel docs/web-page.png

install: program
	cmake --install $(RUN_BUILD)

# The .deb, built as Debian builds packages: dpkg-buildpackage and debhelper (debian/), with
# dpkg-buildflags' hardening, in a copy of the tree that packaging/build-deb.sh makes in the
# package's folder, where it leaves the package.
package: deps
	scripts/install-deps.sh package
	SAA_WERROR=$(PKG_WERROR) JOBS=$(JOBS) packaging/build-deb.sh $(PKG_BUILD)

# The .deb for a Raspberry Pi on 64-bit Raspberry Pi OS or Debian, cross-built.
package-arm64: deps
	scripts/install-deps.sh package arm64
	SAA_WERROR=$(PKG_WERROR) JOBS=$(JOBS) packaging/build-deb.sh $(ARM64_PKG_BUILD) arm64

clean:
	rm -rf $(BUILD) $(RUN_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WIN_BUILD) $(PKG_BUILD) \
	  build-arm64 build-armhf $(WIN_PKG_BUILD) $(ARM64_PKG_BUILD)
