# Thin wrapper over the CMake presets. `make test` is the command CI runs.
PRESETS := release debug tsan
JOBS ?= $(shell nproc)

.PHONY: all deps build demo gallery test test-release test-debug test-tsan clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# The first thing to try: builds everything and renders the built-in scene.
demo: build
	@mkdir -p out
	build/release/tools/veltrix-render --demo out/demo.png

# Regenerates the README's gallery pictures.
gallery: build
	tools/gallery/make-gallery.sh build/release/tools/veltrix-render tools/gallery

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
