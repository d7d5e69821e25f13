# Thin wrapper over the CMake presets. `make test` is the command CI runs.
PRESETS := release debug tsan
JOBS ?= $(shell nproc)
# Seconds each fuzzer runs in `make fuzz`; the fuzzers run one after another.
FUZZ_SECONDS ?= 60

.PHONY: all deps build gimp-install demo gallery test test-release test-debug test-tsan test-fuzz fuzz clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# Copies the GIMP plug-in and the library beside it into the user's plug-in folder (GIMP wants
# folder and executable of one name); the plug-in's run path finds the library there.
GIMP_PLUGIN_DIR ?= $(HOME)/.config/GIMP/2.10/plug-ins/veltrix-gimp
gimp-install: deps
	cmake --preset release -DVELTRIX_BUILD_GIMP=ON
	cmake --build --preset release --target veltrix-gimp -j $(JOBS)
	mkdir -p $(GIMP_PLUGIN_DIR)
	cp -P build/release/libveltrix.so* $(GIMP_PLUGIN_DIR)/
	cp build/release/gimp/veltrix-gimp $(GIMP_PLUGIN_DIR)/veltrix-gimp

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

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS.
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	fuzz/run-fuzzers.sh $(FUZZ_SECONDS)

# Fuzzing needs clang with libFuzzer's runtime; without them the suites' replays still ran.
test-fuzz: deps
	@if printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' \
	    | clang++ -fsanitize=fuzzer -x c++ - -o /dev/null 2>/dev/null; then \
	  $(MAKE) --no-print-directory fuzz FUZZ_SECONDS=60; \
	else \
	  echo "clang with libFuzzer not found: fuzzing skipped"; \
	fi

# The plain suite first (fast feedback), then AddressSanitizer+UBSan, then ThreadSanitizer; each
# replays the fuzz corpora. Then each fuzzer runs for a minute when clang is there.
test: test-release test-debug test-tsan test-fuzz

clean:
	rm -rf build out
