# Entry points for people and CI. Both targets install what is missing first,
# so they work on a fresh Debian 12 machine (run as root, or with sudo).

BUILD_DIR ?= build
JOBS      ?= $(shell nproc)
PACKAGES  := cmake ninja-build g++ make libgtest-dev libgmock-dev qt6-base-dev xvfb xauth x11-utils imagemagick dpkg-dev file

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test clean test-tsan fuzz package bench

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/app/velkor

# Most tests wait on serial lines and timers rather than compute: run many at once.
TEST_JOBS ?= 8
test: build test-tsan
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(TEST_JOBS) --timeout 300

clean:
	rm -rf $(BUILD_DIR)

# The threaded code (serial component, board transfers) under ThreadSanitizer,
# in its own build directory without Qt; any report fails the run.
TSAN_DIR ?= build-tsan
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DVELKOR_BUILD_TESTS=ON -DVELKOR_GUI=OFF \
	  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN_DIR) -j $(JOBS) --target comport_tests board_transfer_tests
	cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest -R "ComPort|Transfer" --output-on-failure -j $(TEST_JOBS) --timeout 300

# libFuzzer on the readers of untrusted bytes, FUZZ_SECONDS each, with ASan
# and UBSan. Findings land in $(FUZZ_DIR)/findings; the seed corpus is copied.
FUZZ_DIR     ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := program_file decode_image
fuzz:
	$(MAKE) deps PACKAGES="clang-14 libclang-rt-14-dev cmake ninja-build"
	CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DVELKOR_GUI=OFF -DVELKOR_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
	cmake --build $(FUZZ_DIR) -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t $(FUZZ_DIR)/findings/$$t; \
	  cp -n tests/fuzz/corpus/$$t/* $(FUZZ_DIR)/corpus/$$t/ 2>/dev/null || true; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_DIR)/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -dict=tests/fuzz/velkor.dict \
	    -artifact_prefix=$(FUZZ_DIR)/findings/$$t/ -print_final_stats=1 $(FUZZ_DIR)/corpus/$$t 2>&1 \
	    | grep -E "^#|stat::number_of_executed_units|ERROR|SUMMARY|Done" | tail -4 || exit 1; \
	  [ -z "$$(ls $(FUZZ_DIR)/findings/$$t)" ] || { echo "findings in $(FUZZ_DIR)/findings/$$t"; exit 1; }; \
	done

# The Debian package, in $(BUILD_DIR): apt-get install ./$(BUILD_DIR)/velkor_*.deb
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Performance figures (a table, and $(BUILD_DIR)/bench.json): editor start and
# memory beside a bare Qt window, transfers, the simulation window.
bench: build
	tests/bench/run_bench.sh $(BUILD_DIR) $(BUILD_DIR)/bench.json
