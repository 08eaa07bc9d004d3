# The two commands of the README: `make run` and `make test`. `make bench` runs the benchmarks.
JOBS ?= $(shell nproc)
export WINEDEBUG ?= -all
export WINEPREFIX ?= $(CURDIR)/build/wineprefix

.PHONY: all bootstrap build run test test-native test-asan test-mingw bench clean

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
	ctest --preset mingw -j 1

bench: build
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; done

clean:
	rm -rf build out
