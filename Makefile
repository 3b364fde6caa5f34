# The README's commands: `make run`, `make test` (after each change) and `make check` (everything,
# what CI runs). Each installs what it lacks.
# Each build is a CMake preset (CMakePresets.json) in build-PRESET, the default preset's in build;
# each Debian package in build-package, another architecture's in build-package-ARCH.
folder = build$(if $(filter-out default,$1),-$1)
package_folder = build-package$(if $1,-$1)
BUILD      = $(call folder,default)
ASAN_BUILD = $(call folder,asan)
FUZZ_BUILD = $(call folder,fuzz)
WIN_BUILD  = $(call folder,windows)
# The Debian architectures cross-built, each a preset of that name (a Raspberry Pi's), and those
# packaged too.
CROSS_ARCHES   = arm64 armhf
PACKAGE_ARCHES = arm64
# Wine's settings and the virtual X server (scripts/virtual-desktop.sh), in the Windows build's
# prefix.
WINE_ENV = . scripts/virtual-desktop.sh && export WINEPREFIX=$(CURDIR)/$(WIN_BUILD)/wineprefix &&
FUZZ_SECONDS ?= 30
OPTIONS_FUZZ_SECONDS ?= 10
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
# Every compiler the builds call goes through ccache, whose cache lies outside the clone; paths
# under the tree are hashed relative to it, so another clone of the same sources hits it too.
export CMAKE_C_COMPILER_LAUNCHER   = ccache
export CMAKE_CXX_COMPILER_LAUNCHER = ccache
export CCACHE_DIR     ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/saa1057-panel/ccache
export CCACHE_BASEDIR  = $(CURDIR)
export CCACHE_NOHASHDIR = 1
# Each make test or make check starts a new stage table.
ifeq ($(MAKELEVEL),0)
ifneq ($(filter test check,$(MAKECMDGOALS)),)
$(shell rm -f build-stages.txt)
endif
endif
# Runs the shell commands $2 as the stage $1 of the table that make check ends with
# (scripts/stage.sh).
timed = scripts/stage.sh begin '$1' && { $2 ; } && scripts/stage.sh end '$1'
# Warnings are errors in the builds the tests run and in the packages make check builds ("package"
# for the Debian ones); a user's make run, make package and CMake by hand only show them.
WERROR_BUILDS = default asan fuzz windows $(CROSS_ARCHES)
check: WERROR_BUILDS += package
werror = $(if $(filter $1,$(WERROR_BUILDS)),ON,OFF)
# Configures preset $1 with the cache settings $2 and builds its targets $3 (all unless given).
preset = cmake --preset $1 -DSAA_WERROR=$(call werror,$1) $2 $(CMAKE_ARGS) && \
  cmake --build $(call folder,$1) -j$(JOBS) $(if $3,--target $3)
# Preset $1 against Qt for Windows, built once from Debian's sources (scripts/build-qt-windows.sh,
# into ~/.cache/saa1057-panel, a quarter of an hour the first time); the build's test discovery
# runs the tests under Wine (the first run makes the Wine prefix, which takes a few seconds).
windows_preset = qt=$$(scripts/build-qt-windows.sh) && \
  $(WINE_ENV) $(call preset,$1,-DCMAKE_PREFIX_PATH="$$qt",$2)
# The .deb for Debian architecture $1 (this machine's unless given), in its folder.
deb = SAA_WERROR=$(call werror,package) JOBS=$(JOBS) packaging/build-deb.sh $(call package_folder,$1) $1

.PHONY: all deps deps-test deps-tools build program build-asan soak build-windows \
  qt-windows qt-windows-beside $(CROSS_ARCHES:%=build-%) run test check test-vm fuzz bench screenshot install package \
  $(PACKAGE_ARCHES:%=package-%) package-windows clean

all: build

deps:
	scripts/install-deps.sh build

deps-test:
	scripts/install-deps.sh build test

# What the tests check the program with: sigrok, GTKWave, Hamlib's rigctl.
deps-tools:
	scripts/install-deps.sh tools

build: deps-test
	$(call timed,Native build,$(call preset,default))

# The program alone, as a user builds it: no tests, nothing they need.
program: deps
	$(call preset,run,,saa1057-panel)

run: program
	$(call folder,run)/app/saa1057-panel --simulate

# After each change: the native and sanitizer suites, with the tools people use with the program;
# what only make check runs is labelled so (the browser's page test).
# The program keeps its state as it runs: in the build's folder, not the home of whoever tests.
CTEST = XDG_STATE_HOME=$(CURDIR)/build-state ctest --output-on-failure -j$(JOBS)
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test: deps-tools build build-asan
	scripts/count_lines.py $(CURDIR)
	$(call timed,Native suite,$(CTEST) --test-dir $(BUILD) -LE check)
	$(call timed,Sanitizer suite,$(SANITIZER_ENV) $(CTEST) --test-dir $(ASAN_BUILD) -LE check)

# The virtual machines' tiers, which make test-vm and make check run (below).
define vm_tiers
	scripts/install-deps.sh vm package-vm
	$(call timed,VM: parport,tests/vm/parport_test.sh $(BUILD)/app/saa1057-panel)
	$(call timed,VM: GPIO (arm64),tests/vm/gpio_test.sh $(call folder,arm64)/app/saa1057-panel)
	$(call timed,VM: FTDI,tests/vm/ftdi_test.sh $(BUILD)/app/saa1057-panel)
	$(call timed,VM: package life cycle,\
	  tests/package/lifecycle_test.sh $(call package_folder)/saa1057-panel_*.deb)
endef

# Everything, as CI runs it: make test, then the browser, the soak, fuzzing, ARM under qemu-user,
# the Debian packages, the virtual machines, and Windows under Wine with its installer. Qt for
# Windows, a third of it on a new machine, is built at the lowest priority from the start, on what
# the suites and the virtual machines leave of the processors; the Windows stages come last.
check: qt-windows-beside test $(CROSS_ARCHES:%=build-%) fuzz package $(PACKAGE_ARCHES:%=package-%)
	scripts/install-deps.sh browser
	$(call timed,Browser and slow native tests,$(CTEST) --test-dir $(BUILD) -L check)
	$(call timed,Browser and slow sanitizer tests,$(SANITIZER_ENV) $(CTEST) --test-dir $(ASAN_BUILD) -L check)
	$(call timed,Soak (40 s),XDG_STATE_HOME=$(CURDIR)/build-state \
	  tests/soak/soak_test.py $(ASAN_BUILD)/app/saa1057-panel 40 10 10)
	$(foreach arch,$(CROSS_ARCHES),$(call timed,$(arch) suite (qemu-user),\
	  $(CTEST) --test-dir $(call folder,$(arch))) &&) true
	$(call timed,amd64 package test,\
	  tests/package/package_test.sh $(call package_folder)/saa1057-panel_*.deb)
	$(foreach arch,$(PACKAGE_ARCHES),$(call timed,$(arch) package test,tests/package/package_test.sh \
	  $(call package_folder,$(arch))/saa1057-panel_*_$(arch).deb $(arch)) &&) true
	$(vm_tiers)
	$(MAKE) --no-print-directory package-windows WERROR_BUILDS="$(WERROR_BUILDS)"
	# Wine's services start before the tests: started by the first test's program, they would
	# hold its output pipes open until every other Wine program had ended.
	$(call timed,Wine suite,$(WINE_ENV) on_virtual_screen sh -c \
	  'wineserver -p && wine wineboot; $(CTEST) --test-dir $(WIN_BUILD)'; \
	  status=$$?; wineserver -k; [ $$status -eq 0 ])
	$(call timed,Installer test,tests/windows/installer_test.sh \
	  $(WIN_BUILD)/saa1057-panel-*-win64.exe $(WIN_BUILD)/saa1057-panel-*-win64.zip)
	@scripts/stage.sh table

# The program on Linux's own parport, ppdev, GPIO and USB drivers (FTDI adapters stood in for
# on dummy_hcd): Debian's kernels for amd64 and arm64 boot under QEMU and run what build and
# build-arm64 made (two minutes; each kernel is downloaded once, into ~/.cache/saa1057-panel/vm).
# Then the package's life cycle, its service running, in a Debian 12 that systemd boots there
# (a minute and a half; the system is made once, in a minute, into the same folder).
test-vm: build build-arm64 package
	$(vm_tiers)

# Qt for Windows, built once (scripts/build-qt-windows.sh); the stage is the wait for it when it
# is being built beside the others (its log then in build-qt-windows.log).
qt-windows:
	$(call timed,Qt for Windows (the wait),scripts/build-qt-windows.sh >/dev/null)

qt-windows-beside:
	nice -n 19 scripts/build-qt-windows.sh >/dev/null 2>build-qt-windows.log &

# The whole program for 64-bit Windows in Release, its tests run under Wine.
build-windows: qt-windows
	scripts/install-deps.sh windows
	$(call timed,Windows build,$(call windows_preset,windows))

# The installer and the portable zip for 64-bit Windows, made by CPack from the same build.
package-windows: build-windows
	scripts/install-deps.sh windows-package
	rm -f $(WIN_BUILD)/saa1057-panel-*-win64.*
	$(call timed,Windows installer,$(call windows_preset,windows,package))

# The whole program for ARM Linux (a Raspberry Pi): arm64 (64-bit) or armhf (32-bit), cross-built
# with Debian's compiler against Debian's Qt for that architecture, installed beside this
# machine's; the tests that need no more than qemu-user run under it. No raw port I/O there.
$(CROSS_ARCHES:%=build-%): build-%:
	scripts/install-deps.sh $*
	$(call timed,$* build,$(call preset,$*))

# The rigctld parser and the option parser under libFuzzer for a bounded time; a finding fails
# the run. The client conversations of the tests seed the protocol's corpus.
fuzz: deps-test
	scripts/install-deps.sh fuzz
	$(call timed,Fuzz build,$(call preset,fuzz,,rigctl_session_fuzz options_fuzz))
	mkdir -p $(FUZZ_BUILD)/corpus/rigctl $(FUZZ_BUILD)/corpus/options
	for f in tests/app/conversations/*.txt; do \
	  sed -n 's/^> //p' "$$f" >"$(FUZZ_BUILD)/corpus/rigctl/$$(basename "$$f")"; done
	$(call timed,Fuzzing,scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/rigctl_session_fuzz $(FUZZ_SECONDS) \
	  $(FUZZ_BUILD)/corpus/rigctl -dict=fuzz/rigctl.dict && \
	  scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/options_fuzz $(OPTIONS_FUZZ_SECONDS) \
	  $(FUZZ_BUILD)/corpus/options -dict=fuzz/options.dict)

build-asan: deps-test
	$(call timed,Sanitizer build,$(call preset,asan))

# The rigctld server and the web page under load for ten minutes, under ASan: every client slot
# taken, every answer checked, pages reading and stalled, the bus traced, the memory after ten
# minutes within 5 % of that after one.
# make check runs 40 s of it, with 10 % from 10 s on.
soak: build-asan
	XDG_STATE_HOME=$(CURDIR)/build-state tests/soak/soak_test.py $(ASAN_BUILD)/app/saa1057-panel 600 60 5

# Release build of the program and the benchmarks; prints the table, writes bench/results.md.
bench:
	scripts/install-deps.sh build bench
	$(call preset,bench)
	python3 bench/run_benchmarks.py $(call folder,bench)

screenshot: build build-windows
	scripts/install-deps.sh screenshot
	scripts/screenshot.sh docs/screenshot.png $(BUILD)/app/saa1057-panel
	$(WINE_ENV) scripts/screenshot.sh docs/screenshot-windows.png \
	  wine $(WIN_BUILD)/bin/saa1057-panel.exe
	scripts/pulseview-screenshot.sh $(BUILD)/app/saa1057-panel docs/pulseview.png
	scripts/web-screenshot.py $(BUILD)/app/saa1057-panel docs/web-page.png
	scripts/sweep-screenshot.sh $(BUILD)/app/saa1057-panel docs/lock-sweep.png

install: program
	cmake --install $(call folder,run)

# The .deb, built as Debian builds packages: dpkg-buildpackage and debhelper (debian/), with
# dpkg-buildflags' hardening, in a copy of the tree that packaging/build-deb.sh makes in the
# package's folder, where it leaves the package.
package: deps
	scripts/install-deps.sh package
	$(call timed,amd64 package,$(call deb))

# The .deb for a Raspberry Pi on 64-bit Raspberry Pi OS or Debian, cross-built.
$(PACKAGE_ARCHES:%=package-%): package-%: deps
	scripts/install-deps.sh package $*
	$(call timed,$* package,$(call deb,$*))

# Every build folder, the packages' too.
clean:
	rm -rf $(call folder,default) $(call folder,*)
