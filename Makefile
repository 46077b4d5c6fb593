# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
PRESET ?= default
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build run test clean install docs

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

run: build
	@if [ -x $(BUILD_DIR)/src/app/ostrel-qr ]; then \
		$(BUILD_DIR)/src/app/ostrel-qr; \
	else \
		$(BUILD_DIR)/src/cli/ostrel-qr-cli --help; \
	fi

# Window tests need an X server: run the suite under a private Xvfb.
test: build
	@xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset $(PRESET)

# The quick loop while working: every test but the oracle, round-trip and exhaustive sweeps (ctest
# labels oracle, roundtrip, exhaustive; test preset quick), under a private Xvfb.
.PHONY: check
check: build
	@xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset quick

clean:
	rm -rf build

# The encoder as a library for other programs: libostrel-qr (shared and static), the headers under
# include/ostrel/, the CMake package OstrelQR and ostrel-qr.pc, into PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --component library --prefix $(PREFIX)

# API reference of the installed headers by Doxygen: $(BUILD_DIR)/docs/html/index.html.
docs: deps
	@scripts/install-deps doxygen
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET) --target docs
	@echo "API reference: $(BUILD_DIR)/docs/html/index.html"

# Code health: clang-format check, clang-tidy and cppcheck over src/.
.PHONY: lint
lint: build
	@scripts/install-deps clang-format clang-tidy cppcheck
	@scripts/lint

# Windows portability: cross-build the encoder, the arithmetic and the code pages with their
# tests using MinGW-w64, and run the tests under wine. Wine's first start on a machine creates
# its prefix (WINEPREFIX, else ~/.wine), which takes a while: it is done once, quietly, before
# any test runs, so that a new machine behaves like one where wine has run before.
.PHONY: check-windows
check-windows:
	@scripts/install-deps g++-mingw-w64-x86-64-posix wine64
	@cmake --preset mingw >/dev/null
	@cmake --build --preset mingw
	@# One wineserver for the whole run: without -p it quits three seconds after each test's
	@# process and the next test waits for a new one (3.4 s a test instead of 0.4 s). Wine's
	@# services are started before the tests, their output away from ctest's pipes, which they
	@# would hold open; the server is stopped whatever the tests gave.
	@WINEDEBUG=-all /usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1 && \
		WINEDEBUG=-all /usr/lib/wine/wineserver64 --wait
	@WINEDEBUG=-all /usr/lib/wine/wineserver64 -p </dev/null >/dev/null 2>&1
	@WINEDEBUG=-all /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
	@status=0; WINEDEBUG=-all ctest --preset mingw || status=$$?; \
		/usr/lib/wine/wineserver64 -k; exit $$status

# Sanitizers: the whole suite (window tests included) built with AddressSanitizer and
# UndefinedBehaviorSanitizer (preset asan) and run under a private Xvfb. The ctest preset asan
# sets the sanitizer options: LeakSanitizer on, with tests/lsan.supp for leaks proven to be
# system libraries' own. On a slow machine OSTREL_SWEEP_SAMPLE=n in the environment makes the
# conformance sweep read one symbol in n (all 2560 otherwise).
.PHONY: test-asan
test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset asan

# Fuzzing: the libFuzzer targets of fuzz/ (preset fuzz, clang), each run for FUZZ_SECONDS
# (default 60) from the seed corpus in fuzz/corpus/<target>; see fuzz/run.
.PHONY: fuzz
fuzz:
	@scripts/install-deps clang libclang-rt-14-dev
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz --target fuzzers
	@fuzz/run

# Screenshots of both windows for the README (docs/*.png), taken under Xvfb.
.PHONY: screenshots
screenshots: configure
	@scripts/screenshots

# A portable archive (.tar.gz) of the program, the command-line tool, the skin, the menu entry
# and the man page: build/default/package/ostrel-qr-<version>-Linux-x86_64.tar.gz.
.PHONY: package
package: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)
	@desktop-file-validate packaging/ostrel-qr.desktop
	@cd $(BUILD_DIR) && cpack -G TGZ --config CPackConfig.cmake

# The Debian package, built under /usr by preset deb (Release, no tests) with CPack's DEB
# generator, dependencies from dpkg-shlibdeps: build/deb/package/ostrel-qr_<version>_<arch>.deb.
.PHONY: deb
deb: deps
	@scripts/install-deps dpkg-dev
	@cmake --preset deb >/dev/null
	@cmake --build --preset deb
	@rm -f build/deb/package/ostrel-qr_*.deb
	@cd build/deb && cpack -G DEB --config CPackConfig.cmake

# The package checked: lintian without errors, its tree extracted into a throw-away root, the
# program started from there under Xvfb (it must find its skin), its metadata validated.
.PHONY: check-deb
check-deb: deb
	@scripts/install-deps lintian
	@xvfb-run -a -s "-screen 0 1280x1024x24" scripts/check-deb build/deb/package

# Benchmarks: builds preset `bench` (Release, no tests) with the windows, runs ostrel-qr-bench
# with repetitions, measures the heap of Encode under valgrind and the window's start-up and
# generate times under a private Xvfb, runs the command-line tool's batch mode against zint
# --batch and a qrencode loop (10 000 label lines to PNG files), and regenerates
# docs/performance.md. `make bench-batch` reruns only the batch part and updates its section.
BENCH_REPETITIONS ?= 10
BENCH_MIN_TIME ?= 0.1

# The benchmark build alone (Release, -O3, where GCC warns differently than at -O2), for CI.
.PHONY: check-bench-build
check-bench-build: deps
	@scripts/install-deps libx11-dev
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench

.PHONY: bench
bench: deps
	@scripts/install-deps python3 valgrind libx11-dev zint qrencode time
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench
	@scripts/bench-report --build-dir build/bench --repetitions $(BENCH_REPETITIONS) \
		--min-time $(BENCH_MIN_TIME)

.PHONY: bench-batch
bench-batch: deps
	@scripts/install-deps python3 zint qrencode time
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench --target ostrel-qr-cli
	@scripts/bench-report --build-dir build/bench --batch-only
