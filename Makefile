# Front door of the build. `make` builds into build/, `make test` runs every test suite.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake
CTEST_FLAGS ?= --output-on-failure -j $(shell echo $$(( $(JOBS) * 4 )))

.PHONY: all build build-asan build-tsan test test-asan test-tsan bench format clean

all: build

build:
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS)

test: build
	cd build && ctest $(CTEST_FLAGS)

build-asan:
	$(CMAKE) -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBCREADER_SANITIZE=address
	$(CMAKE) --build build-asan -j $(JOBS)

test-asan: build-asan
	cd build-asan && ctest $(CTEST_FLAGS)

build-tsan:
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
	rm -rf build build-asan build-tsan
