# Orvantis: every target installs what it needs first, so a fresh Debian 12
# machine needs nothing but `make`.
BUILD      ?= build
BENCH_BUILD ?= build-bench
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
COVERAGE_BUILD ?= build-coverage
JOBS       ?= $(shell nproc)
FUZZ_SMOKE_SECONDS ?= 30
FUZZ_SECONDS ?= 600
# make install PREFIX=/usr DESTDIR=/tmp/root
PREFIX     ?= /usr/local
DESTDIR    ?=

# The sanitizer runs: every report stops the program; leaks are reported,
# except those inside the system's Qt and font libraries.
CLANG      := CC=clang-14 CXX=clang++-14
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build test run install package bench clean sanitize fuzz-build fuzz-smoke fuzz fuzz-coverage

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	exec $(BUILD)/orvantis

# The program, its res/ and the manual in $(PREFIX)/lib/orvantis, links in
# $(PREFIX)/bin, the desktop entry, icons and metadata under $(PREFIX)/share.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, $(BUILD)/orvantis_<version>_<arch>.deb, for /usr.
package: build
	cmake --build $(BUILD) --target package

bench: deps
	@scripts/install-deps.sh --bench
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTIS_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target orvantis_bench card_bench render_bench
	$(BENCH_BUILD)/bench/orvantis_bench --benchmark_counters_tabular=true
	QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/card_bench --benchmark_counters_tabular=true
	bench/compare-card.sh $(BENCH_BUILD)/bench/card_bench
	$(BENCH_BUILD)/bench/render_bench 100
	# The recovery slot under 300 kills of a program autosaving as fast as it can.
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target app_tests
	QT_QPA_PLATFORM=offscreen ORVANTIS_KILLS=300 $(BENCH_BUILD)/tests/app_tests --gtest_filter=AutosaveKill.Series

$(SANITIZE_BUILD)/build.ninja: | deps
	$(CLANG) cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_SANITIZE=ON

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (the build runs the test programs too, to list their tests).
sanitize: deps $(SANITIZE_BUILD)/build.ninja
	$(SANITIZER_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

$(FUZZ_BUILD)/build.ninja: | deps
	$(CLANG) cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_FUZZ=ON

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

# Replays the seeds and fuzz/regressions, then fuzzes each target for
# FUZZ_SMOKE_SECONDS; fails on any crash, leak, timeout or sanitizer report.
fuzz-smoke: fuzz-build
	$(SANITIZER_ENV) FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SMOKE_SECONDS=$(FUZZ_SMOKE_SECONDS) fuzz/run.sh smoke $(FUZZ_TARGETS)

# Long runs, FUZZ_SECONDS per target, one at a time; the corpus grows in
# $(FUZZ_BUILD)/corpus/<target>, crash files land in $(FUZZ_BUILD)/crashes.
fuzz: fuzz-build
	$(SANITIZER_ENV) FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run.sh long $(FUZZ_TARGETS)

$(COVERAGE_BUILD)/build.ninja: | deps
	$(CLANG) cmake -S . -B $(COVERAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_FUZZ=ON -DORVANTIS_COVERAGE=ON

# What the fuzz corpora reach: every input of $(FUZZ_BUILD)/corpus, the seeds
# and fuzz/regressions runs once through coverage-instrumented targets; the
# line and branch report lands in $(COVERAGE_BUILD)/coverage.txt.
fuzz-coverage: deps $(COVERAGE_BUILD)/build.ninja
	cmake --build $(COVERAGE_BUILD) -j $(JOBS) --target fuzzers
	FUZZ_BUILD=$(COVERAGE_BUILD) FUZZ_CORPUS=$(FUZZ_BUILD)/corpus fuzz/run.sh coverage $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) $(BENCH_BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(COVERAGE_BUILD)
