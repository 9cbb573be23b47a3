# The two set-up commands of the README: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: setup configure build run test test-e2e bench clean windows-configure windows test-windows test-windows-cli crash fuzz test-sanitize install package

setup:
	bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD)

# The program keeps its memo file and side files in data/ (its working folder).
run: build
	mkdir -p data
	for f in assets/*; do if [ -e "$$f" ] && [ ! -e "data/$${f##*/}" ]; then cp -r "$$f" data/; fi; done
	cd data && ../$(BUILD)/jotanor

# The tests build with warnings as errors, so the code stays free of them.
test test-e2e: CMAKE_FLAGS += -DJOTANOR_WERROR=ON
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

# The real program driven on Xvfb, and the memo file in hostile file systems.
test-e2e: build
	cd $(BUILD) && ctest --output-on-failure -j2 -L 'e2e|environment'

bench: setup
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOTANOR_BENCH=ON
	cmake --build $(BUILD)-bench --target jotanor_bench
	$(BUILD)-bench/bench/jotanor_bench

# Installs the program, its side files, launcher, icon and description under PREFIX.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD)/, to install with `apt install ./build/jotanor_*.deb`.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-windows $(BUILD)-windows-cli

# The whole program cross-built for 64-bit Windows against a Qt and the
# calendar libraries built once from Debian's sources
# (scripts/build-qt-windows.sh, scripts/build-deps-windows.sh; cached), and its installer. Each script prints
# its folder alone on standard output.
# Without -Werror: MinGW's GCC 12 warns falsely (-Wrestrict) inside std::string at -O3.
windows-configure:
	bash scripts/setup-windows.sh
	libs=$$(bash scripts/build-deps-windows.sh) && qt=$$(bash scripts/build-qt-windows.sh) && \
	cmake -S . -B $(BUILD)-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOTANOR_CALENDARS=ON \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_PREFIX_PATH="$$qt;$$libs" \
	  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
	  $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

windows: windows-configure
	cmake --build $(BUILD)-windows --target installer

# Its tests under Wine, and the installed program on a virtual display; the
# Linux jotanor-cli shares a memo file with the Windows one. No Wine process
# outlives them.
test-windows: windows configure
	cmake --build $(BUILD) --target jotanor-cli
	cmake --build $(BUILD)-windows
	cd $(BUILD)-windows && { ctest --output-on-failure; status=$$?; \
	  WINEPREFIX=$$PWD/wine wineserver -k 2>/dev/null; exit $$status; }

# Without Qt for Windows: the core and jotanor-cli cross-built with the
# calendar libraries, and their tests under Wine (the shared lock test takes
# the Linux jotanor-cli from $(BUILD)/).
test-windows-cli: build
	bash scripts/setup-windows.sh
	libs=$$(bash scripts/build-deps-windows.sh) && \
	cmake -S . -B $(BUILD)-windows-cli -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOTANOR_CORE_ONLY=ON \
	  -DJOTANOR_CALENDARS=ON -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_PREFIX_PATH="$$libs" \
	  $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	cmake --build $(BUILD)-windows-cli
	cd $(BUILD)-windows-cli && { ctest --output-on-failure; status=$$?; \
	  WINEPREFIX=$$PWD/wine wineserver -k 2>/dev/null; exit $$status; }

# The long crash run: 1,000 kills of a process that changes the memo file, and
# four copies changing one file at once for 2,000 rounds each.
crash: build
	JOTANOR_CRASH_KILLS=1000 JOTANOR_COPIES_ROUNDS=2000 $(BUILD)/tests/crash_tests

# Fuzz targets under ASan and UBSan, each run FUZZ_SECONDS from its seed corpus.
FUZZ_SECONDS ?= 60
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DJOTANOR_FUZZ=ON -DJOTANOR_CORE_ONLY=ON -DJOTANOR_TESTS=OFF
	cmake --build $(BUILD)-fuzz
	for t in $(BUILD)-fuzz/fuzz/fuzz_*; do \
	  name=$$(basename $$t); mkdir -p $(BUILD)-fuzz/corpus/$$name; \
	  dict=fuzz/$${name#fuzz_}.dict; [ -e $$dict ] && dict=-dict=$$dict || dict=; \
	  $$t $$dict -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $(BUILD)-fuzz/corpus/$$name fuzz/corpus/$${name#fuzz_} || exit 1; \
	done

# The whole test suite built with AddressSanitizer and UBSan.
test-sanitize: setup
	cmake -S . -B $(BUILD)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DJOTANOR_SANITIZE=ON
	cmake --build $(BUILD)-asan
	cd $(BUILD)-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j2
