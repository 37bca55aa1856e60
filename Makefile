BUILD_DIR := build
ASAN_DIR := build-asan
FUZZ_DIR := build-fuzz
WINDOWS_DIR := build-windows
JOBS := $(shell nproc 2>/dev/null || echo 2)
# Every build tree is configured by this one line; each target adds its own options.
CONFIGURE = cmake -S . -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON

.PHONY: all deps build run test test-asan test-service format-check fuzz screenshot package bench windows test-windows clean

all: build

deps:
	@scripts/install-deps

build: deps
	$(CONFIGURE) -B $(BUILD_DIR)
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	$(BUILD_DIR)/quillet

test: format-check build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600
	$(MAKE) test-asan

# Every C++ file of the project is already as clang-format writes it (.clang-format at the root).
format-check: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer; the
# thousand-request soak runs in the plain build only.
test-asan: deps
	$(CONFIGURE) -B $(ASAN_DIR) -DQUILLET_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j$(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600 -LE soak

# Each fuzzer runs FUZZ_SECONDS on its seeds and the corpus it grew before; a finding stops the
# run and is left as $(FUZZ_DIR)/<fuzzer>-crash-*.
FUZZ_SECONDS := 60
FUZZERS := fuzz_public_address fuzz_valid_address fuzz_variant_bytes fuzz_received_data
fuzz: deps
	CC=clang CXX=clang++ $(CONFIGURE) -B $(FUZZ_DIR) -DQUILLET_WERROR=OFF -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target $(FUZZERS)
	for fuzzer in $(FUZZERS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$fuzzer && \
		$(FUZZ_DIR)/fuzz/$$fuzzer -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=$(FUZZ_DIR)/$$fuzzer- \
			$(FUZZ_DIR)/corpus/$$fuzzer fuzz/seeds/$$fuzzer || exit 1; \
	done

# Every picture the docs use: the About box, the Stations window, the main window as the desktop
# test sees it (for the README and the tutorial), the Windows build's window under Wine (for the
# tutorial's Windows steps), and the tutorial page itself as Chromium shows it with no network.
# The build's copy of the tutorial then takes the new pictures of the window.
screenshot: build windows
	scripts/install-deps scripts/screenshot-packages
	scripts/widget-screenshot $(BUILD_DIR)/tools/about_screenshot about
	scripts/widget-screenshot $(BUILD_DIR)/tools/stations_screenshot stations
	tests/e2e/private-network tests/desktop/desktop-tray-test.sh \
		$(BUILD_DIR)/quillet $(BUILD_DIR)/tests/desktop/grab_window docs/screenshot.png
	tests/e2e/private-network scripts/windows-screenshot $(WINDOWS_DIR)/Quillet \
		$(BUILD_DIR)/tests/desktop/grab_window docs/screenshot-windows.png
	tests/e2e/private-network scripts/tutorial-screenshot docs/tutorial.html docs/tutorial.png
	cmake --build $(BUILD_DIR) --target tutorial

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The package installed on a fresh Debian 12 system booted under systemd in a container with no
# network: enable, serve, journal, watchdog, stop and purge, checked inside (tests/service/live-test).
# It tests the package just made, and keeps the packages it downloads in $(BUILD_DIR)/service-test-cache.
test-service: package
	scripts/install-deps scripts/service-test-packages
	tests/service/live-test "$$(ls -t $(BUILD_DIR)/quillet_*.deb | head -n 1)" $(BUILD_DIR)/service-test-cache

# Builds the server and the benchmark only, then measures the real program in a network namespace
# that holds loopback alone; about eleven minutes with three rounds (make bench BENCH_ROUNDS=1 is
# quicker). The Windows program folder that make windows left in $(WINDOWS_DIR)/Quillet is measured
# under Wine as well, about two minutes of it; without it the bench says those rows were skipped.
BENCH_ROUNDS := 3
bench: deps
	$(CONFIGURE) -B $(BUILD_DIR)
	cmake --build $(BUILD_DIR) -j$(JOBS) --target quillet_bench
	tests/e2e/private-network offline $(BUILD_DIR)/bench/quillet_bench --rounds $(BENCH_ROUNDS) \
		--windows $(abspath $(WINDOWS_DIR))/Quillet

# The Windows program, cross-built with mingw-w64 against a Qt cross-built once and cached
# (scripts/build-qt-windows), then its folder $(WINDOWS_DIR)/Quillet: Quillet.exe with every DLL
# and plugin it loads beside it, ready to copy to a Windows computer, and its installer
# $(WINDOWS_DIR)/quillet-<version>-setup.exe (NSIS).
windows:
	scripts/install-deps scripts/windows-packages
	qt=$$(scripts/build-qt-windows | tail -n 1) && \
		$(CONFIGURE) -B $(WINDOWS_DIR) -DQUILLET_TESTS=ON \
			-DCMAKE_TOOLCHAIN_FILE=$$qt/lib/cmake/Qt6/qt.toolchain.cmake \
			-DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake
	cmake --build $(WINDOWS_DIR) -j$(JOBS)
	cmake --build $(WINDOWS_DIR) --target windows_installer

# The Windows build checked under Wine, on loopback alone: the cross-built tests of the layers
# that mean something on Windows, each program run once, and one walk through what an
# administrator does: install, serve, the window and the tray, leave, uninstall (tests/windows).
test-windows: windows
	cmake --build $(WINDOWS_DIR) -j$(JOBS) --target windows_tests
	cd $(WINDOWS_DIR) && ctest --output-on-failure --timeout 900

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(WINDOWS_DIR)
