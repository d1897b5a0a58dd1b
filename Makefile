# Entry points: `make run` (the wizard against the provider stand-in), `make test` (every test),
# `make windows` (the Windows programs, cross-built), `make msi` (their installer).
BUILD ?= build
WINDOWS_BUILD ?= build-windows
WINDOWS_CXX ?= i686-w64-mingw32-g++-posix
WINDOWS64_BUILD ?= build-windows64
WINDOWS64_CXX ?= x86_64-w64-mingw32-g++-posix
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
# Rebuilds of the several build folders share one compiler cache where ccache is installed.
CCACHE ?= $(shell command -v ccache 2>/dev/null)
LAUNCHER := $(if $(CCACHE),-DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE))

.PHONY: setup deps configure build run test windows windows64 windows-if-possible check fuzz \
	bench format clean install package windows-release msi mutation

setup: deps configure

deps:
	@scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: setup
	cmake --build $(BUILD) -j $(JOBS)

# Installs signup, its dial-up library, regtool, the desktop entry, icon and manual pages under
# PREFIX, inside DESTDIR when given (a staging tree for packaging).
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD).
package: build
	cd $(BUILD) && cpack -G DEB

run: build
	scripts/run-demo.sh $(BUILD)

# With the cross compiler installed, the Windows programs are brought up to date first and the
# Wine tests run them; without it they are skipped (with the reason) inside ctest.
test: build windows-if-possible
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Windows programs (signup.exe, regtool.exe, the simulated rasapi32.dll, the tests), built
# incrementally in $(WINDOWS_BUILD) with the MinGW-w64 toolchain.
windows: deps
	@test -f $(WINDOWS_BUILD)/build.ninja || cmake -S . -B $(WINDOWS_BUILD) -G Ninja $(LAUNCHER) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The 64-bit programs, for the Wine tests on a machine that cannot run 32-bit programs.
windows64: deps
	@test -f $(WINDOWS64_BUILD)/build.ninja || cmake -S . -B $(WINDOWS64_BUILD) -G Ninja $(LAUNCHER) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(WINDOWS64_BUILD) -j $(JOBS)

# The stripped programs in $(WINDOWS_BUILD)/release, their debug information beside them
# (NAME.exe.debug), and their sizes.
windows-release: windows
	cmake --build $(WINDOWS_BUILD) --target release
	@stat -c '%n: %s bytes' $(WINDOWS_BUILD)/release/*.exe

# The installer $(WINDOWS_BUILD)/signup-VERSION.msi, built with wixl from the stripped programs;
# with SIGN_CERT and SIGN_KEY (PEM files) the programs and the installer are signed.
# (The 64-bit one: cmake --build $(WINDOWS64_BUILD) --target msi.)
msi: windows-release
	SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" cmake --build $(WINDOWS_BUILD) --target msi

# The Windows build, and its installer where wixl is installed, for the Wine tests.
windows-if-possible: deps
	@if command -v $(WINDOWS_CXX) >/dev/null; then $(MAKE) --no-print-directory windows; \
	  if command -v wixl >/dev/null; then cmake --build $(WINDOWS_BUILD) --target msi; fi; \
	else echo "$(WINDOWS_CXX) is not installed: no Windows build, the Wine tests are skipped"; fi
	@if scripts/wine-loader.sh 2>/dev/null | grep -q ' x86_64$$' && \
	    command -v $(WINDOWS64_CXX) >/dev/null; then \
	  echo "This machine cannot run 32-bit programs: the Wine tests run the 64-bit build"; \
	  $(MAKE) --no-print-directory windows64; \
	  if command -v wixl >/dev/null; then cmake --build $(WINDOWS64_BUILD) --target msi; fi; fi

# Unit, integration and flow tests under AddressSanitizer (with leak checks) and UBSan.
check: deps
	@test -f $(ASAN_BUILD)/build.ninja || cmake -S . -B $(ASAN_BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DSIGNUP_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE 'gui|wine'

# libFuzzer targets (clang); FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 60
fuzz: deps
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DSIGNUP_FUZZ=ON -DSIGNUP_SANITIZE=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The mutation run (not part of make test): each mutation of scripts/mutations.tsv applied alone,
# the tests of its row run, and the mutations the tests killed and those that survived counted;
# ONLY=REGEX takes only the rows that match.
mutation: build
	JOBS=$(JOBS) scripts/mutation.sh $(BUILD) "$(ONLY)"

bench: build
	scripts/run-bench.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(WINDOWS64_BUILD)
