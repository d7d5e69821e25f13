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

# One target per preset: pattern rules do not apply to phony targets.
define preset_test
test-$(1): deps
	cmake --preset $(1)
	cmake --build --preset $(1) -j $$(JOBS)
	ctest --preset $(1)
endef
$(foreach preset,$(PRESETS),$(eval $(call preset_test,$(preset))))

# The plain suite first (fast feedback), then AddressSanitizer+UBSan, then ThreadSanitizer.
test: test-release test-debug test-tsan

clean:
	rm -rf build out
