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

test-%: deps
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $*

# The plain suite first (fast feedback), then AddressSanitizer+UBSan, then ThreadSanitizer.
test: test-release test-debug test-tsan

clean:
	rm -rf build out
