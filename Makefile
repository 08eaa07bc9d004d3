# The two commands of the README: `make run` and `make test`. `make bench` runs the benchmarks.
JOBS ?= $(shell nproc)
export WINEDEBUG ?= -all
export WINEPREFIX ?= $(CURDIR)/build/wineprefix

.PHONY: all bootstrap build run test test-native test-asan test-mingw fuzz bench bench-win32 clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

run: build
	@scripts/run

test: bootstrap test-native test-asan test-mingw

test-native:
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)
	ctest --preset release -j $(JOBS)

test-asan:
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

test-mingw:
	cmake --preset mingw >/dev/null
	cmake --build --preset mingw -j $(JOBS)
	mkdir -p $(WINEPREFIX)
	wineboot --init >/dev/null 2>&1   # make the prefix once, before tests start Wine side by side
	ctest --preset mingw -j $(JOBS)

# Explores new inputs for FUZZ_SECONDS per target and grows the saved corpus
# (`make test` replays the corpus in the sanitizer build).
FUZZ_SECONDS ?= 600
fuzz:
	@scripts/bootstrap --fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	@for f in build/fuzz/fuzz/fuzz_*; do [ -x "$$f" ] || continue; n=$$(basename $$f); mkdir -p fuzz/corpus/$$n build/fuzz/$${n}_run; \
	  (cd build/fuzz/$${n}_run && ../fuzz/$$n -max_total_time=$(FUZZ_SECONDS) -max_len=65536 ../../../fuzz/corpus/$$n) || exit 1; done

bench: build
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; done
	node bench/designer_bench.mjs --quilbet build/release/tools/quilbet --chromium $$(command -v chromium) \
	  --source . --out build/release
	@$(MAKE) --no-print-directory bench-win32

# The Windows test host's timing mode: quilbet.dll in a real 32-bit process
# under Wine. TIMING_DLLS lists the DLLs to compare, one column each, as the
# Windows program sees them (relative to build/mingw/dll_host_timing, or
# Z:/absolute/path/quilbet.dll); the large example's blob comes from the CLI.
TIMING_DLLS ?= ../quilbet.dll
TIMING_REPEATS ?= 7
bench-win32: build
	cmake --preset mingw >/dev/null
	cmake --build --preset mingw -j $(JOBS) --target quilbet_plugin dll_host_test
	build/release/tools/quilbet describe examples/large_station.json -o build/mingw/large_station.blob
	mkdir -p $(WINEPREFIX) build/mingw/dll_host_timing
	cd build/mingw/dll_host_timing && wine ../tests/win32/dll_host_test.exe --timing --repeats $(TIMING_REPEATS) \
	  --large ../large_station.blob $(TIMING_DLLS)

clean:
	rm -rf build out
