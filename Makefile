# Thin wrapper over the CMake presets. `make test` is the command CI runs.
PRESETS := release debug tsan
JOBS ?= $(shell nproc)

.PHONY: all deps build test test-release test-debug test-tsan clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

test-%: deps
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $*

# The plain suite first (fast feedback), then AddressSanitizer+UBSan, then ThreadSanitizer.
test: test-release test-debug test-tsan

clean:
	rm -rf build out
