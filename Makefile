# The commands a newcomer needs. Each one installs what is missing first.
BUILD_DIR ?= build
BENCH_DIR ?= build-bench
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

ASAN_DIR ?= build-asan

.PHONY: all deps build run test check test-asan bench format clean install package

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DWORDLARK_WERROR=ON $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash scripts/run-app.sh $(BUILD_DIR)

# Every test: the plain suite, then the same suite under the sanitizers.
test: check test-asan

# The plain suite alone (quicker while working).
check: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
# The web engine library frees some of its own objects with a sized delete of
# another size; that check is off, everything else is on.
test-asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWORDLARK_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:new_delete_type_mismatch=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# Installs the build into $(PREFIX): the program folder in lib/wordlark, links
# to its executables in bin, the desktop entry and icons in share. DESTDIR
# stages the whole tree below another folder (for packaging).
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# The Debian package of the build, $(BUILD_DIR)/wordlark_VERSION_ARCH.deb:
# the same tree below /usr, installed with `sudo apt install ./FILE.deb`.
package: build
	cmake --build $(BUILD_DIR) --target package

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DWORDLARK_BUILD_BENCH=ON -DWORDLARK_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@bash scripts/run-benchmarks.sh $(BENCH_DIR)

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(ASAN_DIR)

# Fuzzing (clang and libFuzzer): builds every target in $(FUZZ_DIR) and runs
# each for FUZZ_SECONDS, one after another. See fuzz/README.md.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: fuzz
fuzz: deps
	@bash fuzz/install-deps.sh
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DWORDLARK_BUILD_FUZZ=ON \
	  -DWORDLARK_BUILD_TESTS=OFF -DWORDLARK_BUILD_APP=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target wordlark_fuzz
	@bash fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)
