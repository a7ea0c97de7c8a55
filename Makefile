# Front door of the build. Every target installs what it needs first.
#   make test    install, build both presets, run every test (native and under Wine)
#   make run     build kaldrin.exe and open its window under Wine
#   make bench   build and run the benchmarks
#   make fuzz    fuzz every target for FUZZ_SECONDS seconds each
#   make coverage  line and branch coverage of the portable code
#   make dist    kaldrin's release files in build/dist (zip, MSI, SHA256SUMS) and their checks;
#                make dist TOOL=<target>: another tool's, in build/dist/<target>
#   make dist-suite  the suite's release files in build/dist/suite (every released
#                tool in one zip and one MSI) and their checks
#   make dist-all  make dist for every released tool, then make dist-suite, the programs built once
#   make dist-check  two clean builds of kaldrin's and the suite's releases, compared byte for byte
# See README.md for the rest.

JOBS ?= $(shell nproc)
DEPS := scripts/install-deps.sh

.PHONY: all deps native windows windows-configure test test-native test-windows bench run clean \
        test-sanitize test-valgrind fuzz fuzz-check coverage dist dist-suite dist-all dist-check \
        release-programs dist-files

all: native windows

deps:
	$(DEPS) build windows gui

native:
	$(DEPS) build
	cmake --preset native
	cmake --build --preset native -j $(JOBS)

windows: windows-configure
	cmake --build --preset windows -j $(JOBS)

# The windows build configured: the product facts of every tool are written.
windows-configure:
	$(DEPS) build windows
	cmake --preset windows

test-native: native
	ctest --preset native -j $(JOBS)

test-windows: windows
	$(DEPS) gui
	ctest --preset windows -j $(JOBS)

test: test-native test-windows test-sanitize test-valgrind fuzz-check dist-all dist-check

# The native unit tests once more with AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the test), in build/sanitize.
test-sanitize:
	$(DEPS) build check
	cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DKALDRIN_SANITIZE=ON \
	  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
	cmake --build build/sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build/sanitize -j $(JOBS) --output-on-failure

# The native unit test programs under valgrind memcheck, in build/valgrind.
test-valgrind:
	$(DEPS) build check
	cmake -S . -B build/valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
	cmake --build build/valgrind -j $(JOBS)
	scripts/valgrind-tests.sh build/valgrind

# libFuzzer targets (clang) in build/fuzz: fuzz-check runs each over its seed
# corpus; fuzz runs each for FUZZ_SECONDS seconds (default 180).
fuzz-check:
	scripts/fuzz.sh check

fuzz:
	scripts/fuzz.sh run

# Line and branch coverage of the portable code by the native unit tests
# (gcovr), in build/coverage; fails below COVERAGE_MIN (95) percent of lines.
coverage:
	scripts/coverage.sh

# The release of one tool (scripts/dist.py): TOOL is its CMake target (default
# kaldrin), whose product facts the windows build writes into
# build/windows/products/$(TOOL).json. Into build/dist (kaldrin) or
# build/dist/$(TOOL) (any other tool): the zip of the program, its user README
# and the licence, the per-user and the per-machine MSI of the same files, and
# SHA256SUMS; refused
# when a published release in releases/ has the version or the ProductCode
# with other bytes. The program and the MSIs are signed when KALDRIN_SIGN_CERT
# and KALDRIN_SIGN_KEY (make variables or environment) name a certificate and
# its key (a PEM file, or a pkcs11: URI with KALDRIN_SIGN_PKCS11_MODULE), and
# time-stamped when KALDRIN_SIGN_TIMESTAMP_URL names an RFC 3161 service. Then
# the checks: the contents; the MSI installed over the tool's last published
# release, upgraded and uninstalled under Wine beside every other released
# tool's package, and the per-machine MSI over an earlier per-machine one; and a signing with a throwaway certificate, time-stamped by a local
# service, and with its key in a software token. Every time stamp in the
# release is the last commit's time.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
DIST := SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) python3 scripts/dist.py
TOOL ?= kaldrin
PRODUCTS := build/windows/products
FACTS = $(PRODUCTS)/$(TOOL).json
DIST_DIR = $(if $(filter kaldrin,$(TOOL)),build/dist,build/dist/$(TOOL))
SIGNING_DIR = $(if $(filter kaldrin,$(TOOL)),build/dist-signing,build/dist-signing-$(TOOL))
# One Wine prefix for the self-tests of every zipped program and the guides'
# descriptions of the definitions; the install check makes a fresh one each time.
SELFTEST_PREFIX := build/dist-wineprefix
# The facts files of the released tools: every tool the windows build makes
# but the README's example and the framework's test tool (dist.py released).
RELEASED = $$($(DIST) released $(PRODUCTS))
# The packages installed beside the tool's in its install check (default:
# every released tool's), SIGN_CHECK= to leave out the signing check and
# REMOVAL_CHECK= the guide's removal of per-user installations beside a
# per-machine one (the same script for every tool but the published 1.0 it
# covers for kaldrin).
BESIDE = $(RELEASED)
SIGN_CHECK = yes
REMOVAL_CHECK = yes

# A release needs its own program and the programs of the other tools that
# its install check installs beside it: the targets of the facts files the
# configured windows build wrote, each with its definition check (which
# compares the report a released program writes with the declared one), and
# nothing else of the preset (no test programs, no end-to-end driver).
# BUILT=1: they are built already (dist-all builds them once).
RELEASE_TOOLS = $(sort $(basename $(notdir $(wildcard $(PRODUCTS)/*.json))))
RELEASE_TARGETS = $(RELEASE_TOOLS) $(addsuffix _definition_check,$(RELEASE_TOOLS))
BUILD_FIRST = $(if $(BUILT),,release-programs)

release-programs: windows-configure
	$(if $(RELEASE_TARGETS),,$(error no product facts in $(PRODUCTS): cmake --preset windows writes them))
	cmake --build --preset windows -j $(JOBS) --target $(RELEASE_TARGETS)

dist: $(BUILD_FIRST)
	$(MAKE) --no-print-directory dist-files TOOL=$(TOOL)

# The release files of TOOL and their checks, from programs already built.
dist-files:
	@test -f $(FACTS) || { echo "dist: no $(FACTS): TOOL=$(TOOL) is none of the tools of the windows build ($(RELEASE_TOOLS))"; exit 1; }
	$(DEPS) dist
	$(DIST) build $(FACTS) $(DIST_DIR) --wineprefix $(SELFTEST_PREFIX)
	$(DIST) check $(FACTS) $(DIST_DIR) --wineprefix $(SELFTEST_PREFIX)
	$(DIST) install-check $(FACTS) $(DIST_DIR) --beside $(BESIDE) $(if $(REMOVAL_CHECK),--removal-check)
	$(if $(SIGN_CHECK),$(DIST) sign-check $(FACTS) $(SIGNING_DIR) --wineprefix $(SELFTEST_PREFIX))

# The suite's release: every released tool's program, the user README and the
# licence in one zip, one per-user and one per-machine MSI (scripts/release/suite.wxs; names,
# version and upgrade code in core/suite_names.h), into build/dist/suite; then
# its checks: the contents and every program's self-test; the MSI installed
# beside each released tool's own package, upgraded to a next version, one
# tool's package removed and put back meanwhile, and uninstalled, under Wine.
SUITE_DIR := build/dist/suite

dist-suite: $(BUILD_FIRST)
	$(DEPS) dist
	$(DIST) build $(PRODUCTS) $(SUITE_DIR) --wineprefix $(SELFTEST_PREFIX)
	$(DIST) check $(PRODUCTS) $(SUITE_DIR) --wineprefix $(SELFTEST_PREFIX)
	$(DIST) install-check $(PRODUCTS) $(SUITE_DIR) --beside $(RELEASED) --removal-check

# make dist for every released tool, then the suite's release, from one
# windows build; each step says how long it took. Kaldrin's checks are all of
# make dist, beside every other released tool; each other tool's are
# installed beside kaldrin's package only and leave out the signing check
# (the same code for every tool), which keeps the time linear in the number
# of tools, and the removal of per-user installations (the same script for
# every tool; kaldrin's covers its published 1.0, the suite's the suite and
# every tool). The suite's install check installs every tool's package at once.
dist-all: release-programs
	for facts in $(RELEASED); do \
	  tool=$$(basename $$facts .json); start=$$(date +%s); \
	  if [ $$tool = kaldrin ]; then $(MAKE) --no-print-directory dist BUILT=1 TOOL=kaldrin || exit 1; \
	  else $(MAKE) --no-print-directory dist BUILT=1 TOOL=$$tool BESIDE=$(PRODUCTS)/kaldrin.json SIGN_CHECK= REMOVAL_CHECK= \
	    || exit 1; fi; \
	  echo "dist-all: $$tool released and checked in $$(( $$(date +%s) - start )) s"; \
	done
	start=$$(date +%s); $(MAKE) --no-print-directory dist-suite BUILT=1 && \
	  echo "dist-all: the suite released and checked in $$(( $$(date +%s) - start )) s"

# The program and its release, and the released tools' programs and the
# suite's release, built twice from empty folders (the second from a copy of
# the sources elsewhere), in build/reproduce, compared byte for byte.
dist-check: windows-configure
	$(DEPS) build windows dist
	JOBS=$(JOBS) $(DIST) reproduce $(FACTS) build/reproduce --suite --wineprefix $(SELFTEST_PREFIX)

# kaldrin.exe under Wine in a prefix of its own (build/wine-run) with the CJK
# font replacements; without a display, the self-test and its report instead.
run: windows
	$(DEPS) gui
	scripts/run-window.sh build/windows/kaldrin.exe

bench:
	$(DEPS) build bench
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKALDRIN_BUILD_TESTS=OFF -DKALDRIN_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	build/bench/bench/kaldrin_bench

clean:
	rm -rf build
