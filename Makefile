# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
PRESET ?= default
BUILD_DIR := build/$(PRESET)

.PHONY: all deps configure build run test clean

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

clean:
	rm -rf build

# Code health: clang-format check, clang-tidy and cppcheck over src/.
.PHONY: lint
lint: build
	@scripts/install-deps clang-format clang-tidy cppcheck
	@scripts/lint

# Windows portability: cross-build the encoder, the arithmetic and the code pages with their
# tests using MinGW-w64, and run the tests under wine.
.PHONY: check-windows
check-windows:
	@scripts/install-deps g++-mingw-w64-x86-64-posix wine64
	@cmake --preset mingw >/dev/null
	@cmake --build --preset mingw
	@WINEDEBUG=-all ctest --preset mingw
