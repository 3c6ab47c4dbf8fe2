# Thin wrapper over CMake. `make play` builds the program and starts it in
# build/play/, the working folder that holds the opening-book files; `make test`
# builds and runs every test, in a normal build and under the address and
# undefined-behaviour sanitizers, and the browser edition's tests; `make web`
# builds the browser edition's static site in build/web/.

JOBS ?= 2
GENERATOR := -G Ninja

.PHONY: all build play test test-release test-sanitize clean web web-tools test-web

all: build

build:
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

# Playing needs only the programs and the book files, not the tests.
play:
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS) --target chess_main chess_variant opening_book
	cd build/play && ../chess_main

test: test-release test-sanitize test-web

test-release:
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B build-sanitize $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHESS_SANITIZE=ON
	cmake --build build-sanitize -j $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

# The browser edition: emscripten and Chromium from Debian, the page's npm
# packages at the versions in web/package.json (installed without a lock file).
# Each step is skipped when what it installs is already there.
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CONFORMANCE ?= ../shared/conformance

web-tools:
	@command -v emcc >/dev/null && command -v chromium >/dev/null || \
	  { $(SUDO) apt-get update && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y emscripten chromium; }
	@mkdir -p build/npm
	@cmp -s web/package.json build/npm/package.json && [ -d build/npm/node_modules ] || \
	  { cp web/package.json build/npm/ && \
	    npm install --prefix build/npm --no-package-lock --no-audit --no-fund; }

web: web-tools
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS) --target opening_book chess_main
	emcmake cmake -S web -B build/wasm $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build/wasm -j $(JOBS)

# Every scripted session against the programs under Node, then the page in
# headless Chromium (screenshots in build/web-test/).
test-web: web
	@mkdir -p build/web-test
	@if [ -f $(CONFORMANCE)/run.py ]; then \
	  python3 $(CONFORMANCE)/run.py --golden -j $(JOBS) --main "node $(CURDIR)/build/web/chess_main.mjs" \
	    --variant "node $(CURDIR)/build/web/chess_variant.mjs" > build/web-test/sessions.txt; \
	  status=$$?; grep -v '^PASS ' build/web-test/sessions.txt; exit $$status; \
	else echo "no $(CONFORMANCE)/run.py: scripted sessions under Node skipped"; fi
	node tests/web/page_test.mjs

clean:
	rm -rf build build-sanitize
