# The two commands of the README: `make run` and `make test`. Each installs what it lacks.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps deps-test build build-asan run test test-asan screenshot install clean

all: build

deps:
	scripts/install-deps.sh build

deps-test:
	scripts/install-deps.sh build test

build: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/app/saa1057-panel --simulate

test: build build-asan
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

build-asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSAA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j$(JOBS)

screenshot: build
	scripts/install-deps.sh screenshot
	scripts/screenshot.sh $(BUILD)/app/saa1057-panel docs/screenshot.png

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
