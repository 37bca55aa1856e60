BUILD_DIR := build
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test screenshot package bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	scripts/run-quillet $(BUILD_DIR)/quillet

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600

# The About box, and the main window as the desktop test sees it, for the README.
screenshot: build
	scripts/about-screenshot $(BUILD_DIR)/tools/about_screenshot
	tests/e2e/private-network tests/desktop/desktop-tray-test.sh \
		$(BUILD_DIR)/quillet $(BUILD_DIR)/tests/desktop/grab_window docs/screenshot.png

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Builds the server and the benchmark only, then measures the real program in a network namespace
# that holds loopback alone; about five minutes with three rounds (make bench BENCH_ROUNDS=1 is quicker).
BENCH_ROUNDS := 3
bench: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON
	cmake --build $(BUILD_DIR) -j$(JOBS) --target quillet_bench
	bench/isolate offline $(BUILD_DIR)/bench/quillet_bench --rounds $(BENCH_ROUNDS)

clean:
	rm -rf $(BUILD_DIR)
