# make run: set up, build and start the program.  make test: set up, build and run every test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench clean

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

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target bench_rewrite bench_search bench_import
	@$(BUILD)/bench/bench_rewrite 100000 5
	@$(BUILD)/bench/bench_search 100000 11
	@$(BUILD)/bench/bench_import 100000 5

clean:
	@rm -rf $(BUILD)
