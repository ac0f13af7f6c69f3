# The two set-up commands are `make run` and `make test`; the rest serve them.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
PACKAGE_BUILD ?= build-package
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 60

.PHONY: deps test-deps configure programs build run test asan-test fuzz screenshots bench package package-check clean web web-run web-test web-bench

# Each task installs its own Debian packages (scripts/install-deps TASK); `make run` only those of the programs.
deps:
	@bash scripts/install-deps

test-deps:
	@bash scripts/install-deps test

CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null

configure: deps
	@$(CONFIGURE)

# The two programs and what they link: no test, benchmark or tool.
programs: configure
	@cmake --build $(BUILD) -j $(JOBS) --target programs

# Everything of the default build: the programs, the tests (once `make test` has installed GoogleTest), the
# manual pages and the screenshot tool.
build: test-deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS)

run: programs
	@bash scripts/run

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Core, link and virtual-radio tests under AddressSanitizer + UndefinedBehaviorSanitizer.
asan-test: test-deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPM_SANITIZE=ON -DPM_BUILD_GUI=OFF \
	  -DPM_BUILD_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L 'core|link|sim|cli'

fuzz:
	@bash scripts/install-deps fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPM_FUZZ=ON \
	  -DPM_BUILD_GUI=OFF -DPM_BUILD_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	@bash scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

screenshots: configure
	@cmake --build $(BUILD) -j $(JOBS) --target pm514rx-screenshots
	@QT_QPA_PLATFORM=offscreen bash scripts/screenshots $(BUILD)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@bash scripts/bench $(BUILD)

# The Debian packages pm514rx-cli_VERSION_amd64.deb and pm514rx_VERSION_amd64.deb, here, for
# `sudo apt install ./pm514rx*.deb`: built in their own tree with Debian's hardening flags, dated by the
# newest changelog entry so that every build of one source gives the same bytes.
package:
	@bash scripts/install-deps package
	@bash scripts/build-package $(PACKAGE_BUILD) $(JOBS) $(CMAKE_ARGS)
	@rm -f pm514rx*_amd64.deb
	@cp $(PACKAGE_BUILD)/pm514rx*_amd64.deb .
	@echo "package: $$(ls pm514rx*_amd64.deb | tr '\n' ' ')"

# lintian, the file lists, the desktop and AppStream validators, the manual pages, the udev rules, the
# hardening and reproducibility, and the programs run from the unpacked packages.
package-check: package
	@bash scripts/check-package $(PACKAGE_BUILD) $(JOBS)

# The programmer in a browser tab: the static site in $(BUILD)/web, served on localhost (a secure context
# for Web Serial), and its tests: the page in headless chromium, the core's tests as wasm under node.
web:
	@bash scripts/install-web-deps
	@bash scripts/build-web $(BUILD)

web-run: web
	@echo "web-run: http://localhost:8514/ (Ctrl+C stops)"
	@python3 -m http.server 8514 --bind 127.0.0.1 --directory $(BUILD)/web >/dev/null

web-test: web configure
	@cmake --build $(BUILD) -j $(JOBS) --target pm514rx-cli
	@NODE_PATH=/usr/share/nodejs cmake --build $(BUILD)/wasm -j $(JOBS) --target test_core_wasm
	@node $(BUILD)/wasm/test_core_wasm.js --gtest_brief=1
	@PM_BUILD=$(BUILD) node --test web/tests/page.test.mjs

web-bench: web
	@PM_BUILD=$(BUILD) node web/bench/transfer.mjs

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD) pm514rx*_amd64.deb
