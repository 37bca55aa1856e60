BUILD_DIR := build
ASAN_DIR := build-asan
FUZZ_DIR := build-fuzz
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test test-asan fuzz clean

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
	$(MAKE) test-asan

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer; the
# thousand-request soak runs in the plain build only.
test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON -DQUILLET_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j$(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 600 -LE soak

# Each fuzzer runs FUZZ_SECONDS on its seeds and the corpus it grew before; a finding stops the
# run and is left as $(FUZZ_DIR)/<fuzzer>-crash-*.
FUZZ_SECONDS := 60
FUZZERS := fuzz_public_address fuzz_valid_address fuzz_variant_bytes fuzz_received_data
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target $(FUZZERS)
	for fuzzer in $(FUZZERS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$fuzzer && \
		$(FUZZ_DIR)/fuzz/$$fuzzer -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=$(FUZZ_DIR)/$$fuzzer- \
			$(FUZZ_DIR)/corpus/$$fuzzer fuzz/seeds/$$fuzzer || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
