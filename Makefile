# make run: set up, build and start the program.  make test: set up, build and run every test.
# make install [PREFIX=/usr/local] [DESTDIR=...]: install as a desktop application.
# make package: the Debian package (and a tarball) in the build folder, checked by lintian.
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: deps configure build run test bench clean install package

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
	@cmake --build $(BUILD) -j $(JOBS) --target bench_rewrite bench_search bench_import bench_vcard
	@$(BUILD)/bench/bench_rewrite 100000 5
	@$(BUILD)/bench/bench_search 100000 11
	@$(BUILD)/bench/bench_import 100000 5
	@$(BUILD)/bench/bench_vcard 100000 100000 3

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	@cd $(BUILD) && cpack
	@lintian --fail-on error $(BUILD)/tevoriviva_*.deb && echo "lintian: no errors"

clean:
	@rm -rf $(BUILD)
