# Orvantis: every target installs what it needs first, so a fresh Debian 12
# machine needs nothing but `make`.
BUILD      ?= build
BENCH_BUILD ?= build-bench
JOBS       ?= $(shell nproc)

.PHONY: all deps configure build test run bench clean

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
	@if [ -x $(BUILD)/app/orvantis ]; then \
	  exec $(BUILD)/app/orvantis; \
	else \
	  echo "make run: the Orvantis program does not exist yet; only the image core and its tests are built so far."; \
	  exit 1; \
	fi

bench: deps
	@scripts/install-deps.sh --bench
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTIS_BENCH=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target orvantis_bench card_bench
	$(BENCH_BUILD)/bench/orvantis_bench --benchmark_counters_tabular=true
	QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/card_bench --benchmark_counters_tabular=true

clean:
	rm -rf $(BUILD) $(BENCH_BUILD)
