# Front door of the build. Every target installs what it needs first.
#   make test    install, build both presets, run every test (native and under Wine)
#   make run     build kaldrin.exe and open its window under Wine
#   make bench   build and run the benchmarks
# See README.md for the rest.

JOBS ?= $(shell nproc)
DEPS := scripts/install-deps.sh

.PHONY: all deps native windows test test-native test-windows bench run clean

all: native windows

deps:
	$(DEPS) build windows gui

native:
	$(DEPS) build
	cmake --preset native
	cmake --build --preset native -j $(JOBS)

windows:
	$(DEPS) build windows
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)

test-native: native
	ctest --preset native -j $(JOBS)

test-windows: windows
	$(DEPS) gui
	ctest --preset windows -j $(JOBS)

test: test-native test-windows

bench:
	$(DEPS) build bench
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKALDRIN_BUILD_TESTS=OFF -DKALDRIN_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	build/bench/bench/kaldrin_bench

clean:
	rm -rf build
