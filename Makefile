# Quick start: `make demo` and `make test`. Both install missing Debian packages first.
JOBS ?= $(shell nproc)
# `make test` builds with warnings as errors; set PRESET=debug or release for local work.
TEST_PRESET ?= ci
SAN_PRESET ?= asan-ubsan
VST_DIR ?= $(HOME)/.vst
LV2_DIR ?= $(HOME)/.lv2

.PHONY: all deps build lv2 test test-asan test-tsan soak demo bench install clean fuzz fuzz-smoke i386 i386-build test-i386

all: build

deps:
	@bash scripts/install-deps

build: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# The full suite: no include cycle between the source folders, every source
# formatted as .clang-format says, the warning-free build with its tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then a short run of every
# fuzz target over its corpus.
test: deps
	bash scripts/check-folder-cycles
	bash scripts/check-format
	cmake --preset $(TEST_PRESET) >/dev/null
	cmake --build --preset $(TEST_PRESET) -j $(JOBS)
	ctest --preset $(TEST_PRESET) -j $(JOBS)
	$(MAKE) --no-print-directory test-i386
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory fuzz-smoke

test-asan:
	cmake --preset $(SAN_PRESET) >/dev/null
	cmake --build --preset $(SAN_PRESET) -j $(JOBS)
	ctest --preset $(SAN_PRESET) -j $(JOBS)

# The threading stress test under ThreadSanitizer (any data race fails it).
test-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target test_stress
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/tests/stress/test_stress

# The hanging-notes property test over SOAK_SEEDS more random runs than `make test` does.
SOAK_SEEDS ?= 2000
soak: deps
	cmake --preset $(TEST_PRESET) >/dev/null
	cmake --build --preset $(TEST_PRESET) -j $(JOBS) --target test_performance
	VORNELL_SOAK_SEEDS=$(SOAK_SEEDS) build/$(TEST_PRESET)/tests/test_performance --gtest_filter='HangingNotes.*'

# Renders the bundled demo song into out/demo.wav.
demo: build
	@mkdir -p out
	bash scripts/render-demo build/release out/demo.wav

# The 32-bit module build/i386/Vornell.so and an i386 bundled host from the same
# source; scripts/install-i386 brings the compiler support and the i386
# libraries. `make i386` renders the demo through them into out/demo-i386.wav.
# The i386 preset compiles as the release one does, less the debug information,
# which keeps its part of `make test` short.
i386-build: deps
	root="$$(bash scripts/install-i386)" && cmake --preset i386 -DVORNELL_I386_ROOT="$$root" \
	  -DVORNELL_NATIVE_BUILD="$(CURDIR)/build/$(TEST_PRESET)" >/dev/null
	cmake --build --preset i386 -j $(JOBS) --target vornell_module vornell-host vornell_demo_song

i386: i386-build
	@mkdir -p out
	VORNELL_RUN="$$(sed -n 's/^VORNELL_I386_ROOT:PATH=//p' build/i386/CMakeCache.txt)/run" \
	  bash scripts/render-demo build/i386 out/demo-i386.wav

# The i386 suites of the engine, programs, plug-in, state and module tests, and
# the demo rendered by both builds, which must give the same bytes (the x86-64
# side is build/$(TEST_PRESET)). Without sanitizers: the x86-64 runs have them.
I386_TESTS = test_engine test_programs test_plugin test_state test_module
test-i386: i386-build
	cmake --preset $(TEST_PRESET) >/dev/null
	cmake --build --preset $(TEST_PRESET) -j $(JOBS) --target vornell_module vornell-host vornell_demo_song
	cmake --build --preset i386 -j $(JOBS) --target $(I386_TESTS)
	ctest --preset i386 -j $(JOBS)

bench: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target vornell_bench
	build/release/bench/vornell_bench --benchmark_counters_tabular=true

# libFuzzer targets (clang, sanitizers) over tests/fuzz/corpus: each runs
# FUZZ_SECONDS; fuzz-smoke runs each 20 seconds and fails on any finding.
FUZZ_SECONDS ?= 600
fuzz: deps
	cmake --preset fuzz >/dev/null
	ASAN_OPTIONS=detect_leaks=0 cmake --build --preset fuzz -j $(JOBS)
	bash scripts/run-fuzz build/fuzz $(FUZZ_SECONDS)

fuzz-smoke: deps
	cmake --preset fuzz >/dev/null
	ASAN_OPTIONS=detect_leaks=0 cmake --build --preset fuzz -j $(JOBS)
	bash scripts/run-fuzz build/fuzz 20

# The LV2 bundle build/release/Vornell.lv2: the module and its description.
lv2: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target vornell_lv2_bundle
	@echo "built build/release/Vornell.lv2"

# Vornell64.so for 64-bit hosts, and Vornell.so for 32-bit ones when `make i386`
# has built it (the 32-bit module is optional here); the LV2 bundle into LV2_DIR.
install: build
	@test -f build/release/Vornell64.so || { echo "the plug-in module has not been built"; exit 1; }
	@test -f build/release/Vornell.lv2/manifest.ttl || { echo "the LV2 bundle has not been built"; exit 1; }
	mkdir -p $(LV2_DIR)
	rm -rf $(LV2_DIR)/Vornell.lv2
	cp -r build/release/Vornell.lv2 $(LV2_DIR)/
	@echo "installed $(LV2_DIR)/Vornell.lv2"
	mkdir -p $(VST_DIR)
	cp build/release/Vornell64.so $(VST_DIR)/
	@echo "installed $(VST_DIR)/Vornell64.so"
	@if [ -f build/i386/Vornell.so ]; then cp build/i386/Vornell.so $(VST_DIR)/ && echo "installed $(VST_DIR)/Vornell.so"; \
	else echo "no 32-bit module: \`make i386\` builds build/i386/Vornell.so"; fi

clean:
	rm -rf build out
