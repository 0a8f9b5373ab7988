# The two commands of this project: `make run` and `make test`.
BUILD_DIR ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
JOBS ?= 2

.PHONY: run test build configure setup bench package clean

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
	@bash bench/mapi_directory_bench.sh build-release

# The Debian package, from an optimised build without sanitizers or tests in
# build-package/, checked with lintian: build-package/lisotrex_<version>_<arch>.deb.
package:
	@bash scripts/setup.sh --package
	@if [ ! -f build-package/CMakeCache.txt ]; then \
	  cmake -S . -B build-package -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release -DVELMO_SANITIZE=OFF \
	        "-DVELMO_SKIP=tests;bench;fuzz" >/dev/null; fi
	@cmake --build build-package -j$(JOBS)
	@rm -f build-package/lisotrex_*.deb
	@cd build-package && cpack -G DEB
	@lintian --fail-on error --display-level '>=warning' build-package/lisotrex_*.deb
	@ls build-package/lisotrex_*.deb

clean:
	rm -rf $(BUILD_DIR) build-release build-package
