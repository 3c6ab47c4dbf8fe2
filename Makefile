# Thin wrapper over CMake. `make play` builds the program and starts it in
# build/play/, the working folder that holds the opening-book files; `make test`
# installs what the tests need when it is missing (tools/install_test_deps.sh),
# then builds and runs every test, in a normal build and under the address and
# undefined-behaviour sanitizers. `make install` installs the programs, the
# book and the manual pages below PREFIX (and DESTDIR, when set); `make deb`
# builds the Debian package in build-deb/.
# `make web` builds the browser edition's static site in build/web/, and
# `make test` runs its tests too.

JOBS ?= 2
GENERATOR := -G Ninja
PREFIX ?= /usr/local

.PHONY: all build play deps test test-release test-sanitize install deb clean web web-tools test-web

all: build

build:
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

# Playing needs only the programs and the book files, not the tests.
play:
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS) --target chess_main chess_variant opening_book
	cd build/play && ../chess_main

# The Debian packages of the build and the tests (groff for the manual pages'
# check among them), installed only when missing.
deps:
	sh tools/install_test_deps.sh

test: test-release test-sanitize test-web

test-release: deps
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B build-sanitize $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHESS_SANITIZE=ON
	cmake --build build-sanitize -j $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

# The install needs the programs, the book and the manual pages, not the tests.
install:
	cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$(PREFIX)"
	cmake --build build -j $(JOBS) --target chess_main chess_variant chess_uci chess_book \
	  opening_book man_pages
	DESTDIR="$(DESTDIR)" cmake --install build

# The package installs below /usr; its build folder holds no tests.
deb:
	cmake -S . -B build-deb $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCHESS_BUILD_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build build-deb -j $(JOBS) --target chess_main chess_variant chess_uci chess_book \
	  opening_book man_pages
	cd build-deb && cpack -G DEB

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
	rm -rf build build-sanitize build-deb
