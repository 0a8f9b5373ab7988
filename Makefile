# The two commands of this project: `make run` and `make test`.
BUILD_DIR ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS ?= 2

.PHONY: run test build configure setup bench clean

setup:
	@bash scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD_DIR)/CMakeCache.txt ]; then \
	  cmake -S . -B $(BUILD_DIR) -G "$(GENERATOR)" -DVELMO_SANITIZE=ON; fi

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	$(BUILD_DIR)/bin/lisotrex

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# Speed and memory figures, from an optimised build without sanitizers.
bench:
	@bash scripts/setup.sh --bench
	@cmake -S . -B build-release -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DVELMO_SANITIZE=OFF >/dev/null
	@cmake --build build-release -j$(JOBS)
	@for b in build-release/bin/*-bench; do [ -x "$$b" ] && echo "== $$b" && "$$b"; done; true
	@bash bench/convert_bench.sh build-release/bin

clean:
	rm -rf $(BUILD_DIR) build-release
