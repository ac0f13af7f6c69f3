# The two set-up commands are `make run` and `make test`; the rest serve them.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 60

.PHONY: deps configure build run test asan-test fuzz screenshots bench package package-check clean web web-run web-test web-bench

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Core, link and virtual-radio tests under AddressSanitizer + UndefinedBehaviorSanitizer.
asan-test: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPM_SANITIZE=ON -DPM_BUILD_GUI=OFF \
	  -DPM_BUILD_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -L 'core|link|sim|cli'

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPM_FUZZ=ON \
	  -DPM_BUILD_GUI=OFF -DPM_BUILD_BENCH=OFF $(CMAKE_ARGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	@bash scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

screenshots: build
	@QT_QPA_PLATFORM=offscreen bash scripts/screenshots $(BUILD)

bench: build
	@bash scripts/bench $(BUILD)

# The Debian package pm514rx_VERSION_amd64.deb, here, for `sudo apt install ./pm514rx_*.deb`.
package: build
	@rm -f pm514rx_*_amd64.deb $(BUILD)/pm514rx_*_amd64.deb
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@cp $(BUILD)/pm514rx_*_amd64.deb .
	@echo "package: $$(ls pm514rx_*_amd64.deb)"

# lintian, the file list, the desktop and AppStream validators, the manual pages and the programs
# run from the unpacked package.
package-check: package
	@bash scripts/check-package $(BUILD)

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) pm514rx_*_amd64.deb
