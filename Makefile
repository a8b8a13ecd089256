# Front door of the build. `make` builds into build/, `make test` runs every test suite.
# Every target first installs the Debian packages it needs that are missing (packaging/deps.sh).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST_FLAGS ?= --output-on-failure -j $(shell echo $$(( $(JOBS) * 4 )))

.PHONY: all build build-asan build-tsan test test-asan test-tsan test-whole bench format clean install \
	examples fuzz thread-safety windows test-windows deps deps-fuzz deps-windows deps-package package examples-against

all: build

DEPS ?= packaging/deps.sh
deps:
	@$(DEPS) build
deps-fuzz deps-windows deps-package:
	@$(DEPS) build $(@:deps-%=%)

build: deps
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS)

test: build
	cd build && ctest $(CTEST_FLAGS)

# Installs under PREFIX (default /usr/local); DESTDIR stages the installation elsewhere.
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) $(CMAKE) --install build --prefix $(PREFIX)

# Builds the examples against an installation staged in build/stage, as a user of the installed
# package would: with the CMake package and with pkg-config.
examples: build
	rm -rf build/stage
	DESTDIR=$(CURDIR)/build/stage $(CMAKE) --install build --prefix /usr/local
	$(MAKE) --no-print-directory examples-against STAGE_ROOT=$(CURDIR)/build/stage STAGE_PREFIX=/usr/local

# Builds examples/ into EXAMPLES_BUILD against the files of an installation for STAGE_PREFIX that
# lie under the folder STAGE_ROOT (absolute): build/stage above, the unpacked Debian package in CI.
# The bus example is started with --help under Debian's Python (the one python3-dbus is for), which
# checks its syntax and that its modules are there.
EXAMPLES_BUILD ?= build/examples-installed
EXAMPLES_PYTHON ?= /usr/bin/python3
examples-against:
	rm -rf $(EXAMPLES_BUILD)
	$(CMAKE) -S examples -B $(EXAMPLES_BUILD) -DCMAKE_PREFIX_PATH=$(STAGE_ROOT)$(STAGE_PREFIX)
	$(CMAKE) --build $(EXAMPLES_BUILD)
	PKG_CONFIG_SYSROOT_DIR=$(STAGE_ROOT) PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 PKG_CONFIG_ALLOW_SYSTEM_LIBS=1 \
	PKG_CONFIG_PATH=$$(dirname $$(find $(STAGE_ROOT) -name bcreader.pc)) \
	  sh -c 'cc -std=c11 -Wall -Wextra -Werror examples/read_one.c $$(pkg-config --cflags --libs bcreader) -o $(EXAMPLES_BUILD)/read_one_pkgconfig'
	$(EXAMPLES_PYTHON) examples/bus_listen.py --help >/dev/null

build-asan: deps
	$(CMAKE) -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBCREADER_SANITIZE=address
	$(CMAKE) --build build-asan -j $(JOBS)

test-asan: build-asan
	cd build-asan && ctest $(CTEST_FLAGS)

# Every test program run whole, shuffled and repeated, in both builds.
test-whole: build build-asan
	tests/run_whole.sh build && tests/run_whole.sh build-asan

build-tsan: deps
	$(CMAKE) -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DBCREADER_SANITIZE=thread
	$(CMAKE) --build build-tsan -j $(JOBS)

test-tsan: build-tsan
	cd build-tsan && ctest $(CTEST_FLAGS) -L threaded

bench: build
	$(CMAKE) --build build --target bcreader-bench -j $(JOBS)
	./build/bin/bcreader-bench

format:
	find src include tools tests bench examples -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz build-tsa build-windows build-package

# libFuzzer targets (fuzz/) with clang, ASan and UBSan: the corpora and the fixed faults are
# replayed first, then each target is fuzzed for FUZZ_SECONDS. Needs clang and its runtime
# libraries (Debian: clang-14 libclang-rt-14-dev).
FUZZ_SECONDS ?= 20
FUZZ_CC ?= $(shell command -v clang-14 || command -v clang)
FUZZ_CXX ?= $(shell command -v clang++-14 || command -v clang++)
fuzz: deps-fuzz
	$(CMAKE) -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBCREADER_FUZZ=ON \
		-DCMAKE_C_COMPILER=$(FUZZ_CC) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX)
	$(CMAKE) --build build-fuzz --target bcreader_fuzz -j $(JOBS)
	cd build-fuzz && ctest -L fuzz --output-on-failure
	fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

# The library, the tools and the tests compiled (not run) with the same clang and its thread-safety
# analysis into build-tsa/: a field read or written without the lock its annotation names, or a
# function called without the lock it requires, fails the build (src/util/thread_annotations.h).
thread-safety: deps-fuzz
	$(CMAKE) -S . -B build-tsa -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-Wthread-safety \
		-DCMAKE_C_COMPILER=$(FUZZ_CC) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX)
	$(CMAKE) --build build-tsa -j $(JOBS)

# Windows: bcreader.dll, Brevald.dll and the Windows test programs, cross-built with MinGW-w64 into
# build-windows/; test-windows runs them under Wine against the Linux engine simulator.
windows: deps-windows
	$(CMAKE) -S cmake/windows -B build-windows -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake
	$(CMAKE) --build build-windows -j $(JOBS)

test-windows: windows
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build --target bcreader-sim -j $(JOBS)
	timeout 900 tests/windows/run.sh build-windows build/bin/bcreader-sim

# The Debian package: a /usr build in build-package/ with Debian's hardening flags, without the
# tests, packed by CPack into build-package/bcreader_<version>_<arch>.deb.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps-package
	CFLAGS="$$($(DEB_FLAGS) CFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	CXXFLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	LDFLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
	  $(CMAKE) -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DBCREADER_TESTS=OFF
	$(CMAKE) --build build-package -j $(JOBS)
	cd build-package && cpack

# The first thing to try: the library walked through against a built-in simulated engine.
.PHONY: demo
demo: build
	./build/bin/bcreader demo
