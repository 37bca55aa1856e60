BUILD_DIR := build
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test screenshot package clean

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

screenshot: build
	scripts/about-screenshot $(BUILD_DIR)/tools/about_screenshot

package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)
