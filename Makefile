# Entry points for people and CI. Both targets install what is missing first,
# so they work on a fresh Debian 12 machine (run as root, or with sudo).

BUILD_DIR ?= build
JOBS      ?= $(shell nproc)
PACKAGES  := cmake ninja-build g++ make ccache libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev qt6-base-dev xvfb xauth x11-utils imagemagick dpkg-dev file desktop-file-utils qt6-translations-l10n qt6-gtk-platformtheme xdotool poppler-utils

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test clean test-tsan fuzz fuzz-smoke test-asan package bench

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
	./$(BUILD_DIR)/gui/editor/velkor

# Most tests wait on serial lines and timers rather than compute: run many at once.
TEST_JOBS ?= 8
test: build test-tsan
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(TEST_JOBS) --timeout 300
	$(MAKE) test-unprivileged

# Root passes what permissions and priorities refuse an ordinary user: run as
# root, the serial, board and file tests run once more as uid/gid 65534.
.PHONY: test-unprivileged
test-unprivileged: build
	@if [ "$$(id -u)" = 0 ]; then tests/support/rerun_unprivileged.sh $(BUILD_DIR); \
	else echo "test-unprivileged: not root, the suite already ran unprivileged"; fi

clean:
	rm -rf $(BUILD_DIR)

# The tests labelled "threaded" (the serial component, board transfers, the
# command-line transfers against the emulator) under ThreadSanitizer, in
# their own build without Qt, at -O1 as ThreadSanitizer advises; any report
# fails the run. Those labelled "perf" measure time and are left to the
# plain run.
TSAN_DIR ?= build-tsan
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DVELKOR_BUILD_TESTS=ON -DVELKOR_GUI=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
	  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN_DIR) -j $(JOBS) --target comport_tests board_transfer_tests velkor-cli velkor-board
	cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest -L threaded -LE perf --output-on-failure -j $(TEST_JOBS) --timeout 300

# One clang build with AddressSanitizer and UBSan (nothing recovers) serves
# both the whole suite, GUI included, and the libFuzzer harnesses, which are
# linked from the same instrumented objects, at -O1 as the sanitizers advise.
# Any report fails the run; what uninstrumented libraries leak, and checks
# a test defeats on purpose, are suppressed in tests/sanitizers/, each entry
# with its reason. The "perf" tests measure time and are left to the plain run.
ASAN_DIR   ?= build-asan
ASAN_FLAGS := -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer
.PHONY: asan-configure
asan-configure: deps
	$(MAKE) deps PACKAGES="clang-14 libclang-rt-14-dev"
	CXX=clang++-14 cmake -S . -B $(ASAN_DIR) -G Ninja -DVELKOR_FUZZ=ON -DCMAKE_CXX_FLAGS="$(ASAN_FLAGS)" \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG"

test-asan: asan-configure
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1" \
	  LSAN_OPTIONS="suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0" \
	  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/tests/sanitizers/ubsan.supp" \
	  ctest -LE perf --output-on-failure -j $(TEST_JOBS) --timeout 300

# Each harness for FUZZ_SECONDS or FUZZ_RUNS executions, whichever ends first
# (0: no limit); `make -j2 fuzz` runs two at once. Inputs that crash are kept
# under $(ASAN_DIR)/fuzz/findings, the grown corpora under $(ASAN_DIR)/fuzz/corpus.
FUZZ_SECONDS ?= 60
FUZZ_RUNS    ?= 0
FUZZ_TARGETS := program_file decode_image reply emulator scenario names_file
FUZZ_OUT     := $(ASAN_DIR)/fuzz
.PHONY: fuzz-build $(addprefix fuzz-,$(FUZZ_TARGETS))
fuzz: $(addprefix fuzz-,$(FUZZ_TARGETS))
fuzz-build: asan-configure
	cmake --build $(ASAN_DIR) -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
$(addprefix fuzz-,$(FUZZ_TARGETS)): fuzz-%: fuzz-build
	@mkdir -p $(FUZZ_OUT)/corpus/$* $(FUZZ_OUT)/findings/$*
	@cp -n tests/fuzz/corpus/$*/* $(FUZZ_OUT)/corpus/$*/ 2>/dev/null || true
	@echo "== fuzz_$* for $(FUZZ_SECONDS) s / $(FUZZ_RUNS) runs"
	@status=0; $(ASAN_DIR)/tests/fuzz/fuzz_$* -max_total_time=$(FUZZ_SECONDS) -runs=$(if $(filter 0,$(FUZZ_RUNS)),-1,$(FUZZ_RUNS)) \
	    -dict=tests/fuzz/velkor.dict -artifact_prefix=$(FUZZ_OUT)/findings/$*/ -print_final_stats=1 \
	    $(FUZZ_OUT)/corpus/$* >$(FUZZ_OUT)/$*.log 2>&1 || status=$$?; \
	  grep -E "DONE|number_of_executed_units|ERROR|SUMMARY" $(FUZZ_OUT)/$*.log | sed 's/^/fuzz_$*: /' | tail -4; \
	  [ $$status -eq 0 ] || { echo "fuzz_$* failed ($$status): $(FUZZ_OUT)/$*.log"; exit 1; }; \
	  [ -z "$$(ls $(FUZZ_OUT)/findings/$*)" ] || { echo "findings in $(FUZZ_OUT)/findings/$*"; exit 1; }

# The short run CI does on every submission.
fuzz-smoke:
	$(MAKE) -j2 fuzz FUZZ_SECONDS=15

# The Debian package, in $(BUILD_DIR): apt-get install ./$(BUILD_DIR)/velkor_*.deb
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Performance figures (a table, and $(BUILD_DIR)/bench.json): editor start and
# memory beside a bare Qt window, transfers, the simulation window.
bench: build
	tests/bench/run_bench.sh $(BUILD_DIR) $(BUILD_DIR)/bench.json

# The whole of VELKOR cross-built for Windows with MinGW-w64 against a static
# Qt built here once per machine (cmake/qt-mingw.sh, kept in ~/.cache/velkor),
# its tests run under wine (headless, in a prefix inside $(WIN_DIR)), then
# the installer and the ZIP: $(WIN_DIR)/velkor-setup-<version>.exe and
# $(WIN_DIR)/velkor-<version>-win64.zip. With a Linux build's velkor-board
# at hand, velkor-cli.exe also transfers through it.
WIN_DIR      ?= build-win
HOST_BOARD   := $(abspath $(BUILD_DIR)/board/velkor-board)
WIN_PACKAGES := cmake ninja-build make ccache g++-mingw-w64-x86-64 wine64 fonts-wine googletest python3 libcli11-dev nlohmann-json3-dev \
                dpkg-dev xz-utils qt6-base-dev qt6-translations-l10n fonts-dejavu-core nsis groff-base \
                imagemagick xvfb xauth x11-utils
.PHONY: windows
windows:
	@missing=""; for p in $(WIN_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
	@qt=$$(cmake/qt-mingw.sh) || exit 1; \
	grep -qs "^CMAKE_TOOLCHAIN_FILE:.*=$$qt/" $(WIN_DIR)/CMakeCache.txt || rm -rf $(WIN_DIR); \
	echo "Qt for MinGW: $$qt"; \
	$$qt/bin/qt-cmake -S . -B $(WIN_DIR) -G Ninja -DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
	  -DVELKOR_HOST_BOARD=$(if $(wildcard $(HOST_BOARD)),$(HOST_BOARD))
	cmake --build $(WIN_DIR) -j $(JOBS)
	cd $(WIN_DIR) && cpack >cpack.log 2>&1 || { cat cpack.log; exit 1; }
	cd $(WIN_DIR) && env -u DISPLAY -u WAYLAND_DISPLAY ctest --output-on-failure -j 4 --timeout 300
	@ls -l $(WIN_DIR)/velkor-setup-*.exe $(WIN_DIR)/velkor-*-win64.zip
