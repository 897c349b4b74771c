# Thin wrapper over scripts/ and CMake: `make run` starts the program, `make test` runs every test.
.PHONY: run test build build-test bench package deps clean

RELEASE_DIR := build/release
TEST_DIR    := build/test
JOBS        ?= $(shell nproc)

deps:
	scripts/install-deps.sh

build: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORBEL_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

run: build
	scripts/run.sh $(RELEASE_DIR)

build-test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSORBEL_WERROR=ON -DSORBEL_SANITIZE=ON -DSORBEL_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)

test: build-test
	scripts/test.sh $(TEST_DIR)

bench: build
	bench/run.sh $(RELEASE_DIR)

package: deps
	scripts/package.sh build/package

clean:
	rm -rf build

# The Windows build: cross-compiled with MinGW-w64 (cmake/mingw-w64.cmake), tested under Wine.
.PHONY: windows windows-test
WINDOWS_DIR := build/windows

windows: deps
	cmake -S . -B $(WINDOWS_DIR) -G Ninja --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DSORBEL_WERROR=ON -DSORBEL_GUI=OFF -DSORBEL_BENCH=OFF
	cmake --build $(WINDOWS_DIR) -j $(JOBS)

windows-test: windows
	ctest --test-dir $(WINDOWS_DIR) --output-on-failure </dev/null
