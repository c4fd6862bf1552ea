# The two commands people use: `make demo` and `make test`. Every target installs
# what it needs first (scripts/deps.sh is quick when all is present).
JOBS ?= 2
# Windows programs need a display; without one they share one virtual screen. The
# Windows tests make their archives with the host build of drs, hence host first.
XVFB = $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1024x768x24")

.PHONY: all deps host win32 sanitize test test-host test-win32 test-sanitize demo package bench fuzz

all: host win32

deps:
	@scripts/deps.sh

host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j $(JOBS)

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

sanitize: deps
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize -j $(JOBS)

test: test-host test-sanitize test-win32

test-host: host
	ctest --preset host -j $(JOBS)

# The host tests again under ASan + UBSan, with a short smoke run of each fuzz target.
test-sanitize: sanitize
	ctest --preset sanitize -j $(JOBS)

test-win32: host win32
	$(XVFB) ctest --preset win32 -j $(JOBS)

demo: host win32
	scripts/demo.sh

# The Debian package (from the host tree, with the SETUP.EXE of the win32 tree) and the
# zip for Windows users (from the win32 tree), in build/packages.
package: host win32
	rm -rf build/packages
	cpack --config build/host/CPackConfig.cmake -B build/packages
	cpack --config build/win32/CPackConfig.cmake -B build/packages
	rm -rf build/packages/_CPack_Packages
	@ls -l build/packages

bench: host win32
	bench/run.sh

# Each fuzz target for FUZZ_SECONDS from the seed corpus kept in tests/fuzz/corpus.
FUZZ_SECONDS ?= 60
fuzz: sanitize
	tests/fuzz/run.sh build/sanitize $(FUZZ_SECONDS)
