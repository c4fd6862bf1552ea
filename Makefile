# The two commands people use: `make demo` and `make test`. Every target installs
# what it needs first (scripts/deps.sh is quick when all is present).
JOBS ?= 2
# Windows programs need a display; without one they share one virtual screen.
XVFB = $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1024x768x24")

.PHONY: all deps host win32 test test-host test-win32 demo bench

all: host win32

deps:
	@scripts/deps.sh

host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

test: test-host test-win32

test-host: host
	ctest --preset host -j $(JOBS)

test-win32: win32
	$(XVFB) ctest --preset win32 -j $(JOBS)

demo: host win32
	scripts/demo.sh

bench: host
	bench/run.sh
