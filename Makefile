# make run: set up, build and start the program.  make test: set up, build and run every test,
# the core tests once more under the sanitizers.  make fuzz: run every fuzz target.
# make install [PREFIX=/usr/local] [DESTDIR=...]: install as a desktop application.
# make package: the Debian package (and a tarball) in the build folder, checked by lintian.
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: deps configure build run test bench clean install package test-sanitized fuzz mutants

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-program $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitized

# The core library and its tests built once more with AddressSanitizer and
# UndefinedBehaviorSanitizer, in a folder of their own; any report ends the run with a failure.
ASAN_BUILD ?= build-asan
SANITIZE := -O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

test-sanitized: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS) --target test_core replay_all
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		$(ASAN_BUILD)/bin/test_core --gtest_brief=1
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -R '^FuzzCorpus\.'

# Fuzzing never runs under make test: it takes FUZZ_SECONDS per target (10 minutes unless set).
FUZZ_SECONDS ?= 600

fuzz:
	@scripts/install-deps fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) scripts/run-fuzz

# make mutants: each fault of scripts/mutants.txt built into a copy of the tree and the whole
# suite run against it (a long run, never part of make test); MUTANTS_WORK keeps the copy.
mutants: deps
	@JOBS=$(JOBS) scripts/mutants

# make bench [BENCH_ARGS="--large --reps 7"]: the benchmark suite (docs/performance.md).
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target bench_suite bench_probe bench_sync tevoriviva
	@$(BUILD)/bench/bench_suite --program $(BUILD)/bin/tevoriviva $(BENCH_ARGS)
	@$(BUILD)/bench/bench_sync

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@cd $(BUILD) && cpack
	@lintian --fail-on error $(BUILD)/tevoriviva_*.deb && echo "lintian: no errors"

clean:
	@rm -rf $(BUILD)
