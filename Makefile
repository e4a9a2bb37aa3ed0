# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup build demo test test-sanitize fuzz install clean windows windows-package windows-installer deb

all: build

setup:
	sh scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# The Windows programs, cross-built with mingw-w64: build-windows/quotemill.exe,
# quotemill3.exe and quotemill-host.exe, each standing alone (no DLL beside them).
WINDOWS_BUILD ?= build-windows

windows: setup
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target quotemill quotemill3 quotemill-host

# A zip for Windows users, and the per-user installer Quotemill-Setup-VERSION.exe (NSIS), both
# of one folder: the three programs stripped, the extension, a README (packaging/windows).
windows-package: windows
	cmake --build $(WINDOWS_BUILD) --target windows_zip
	@echo "$(WINDOWS_BUILD)/quotemill-windows.zip"

windows-installer: windows
	cmake --build $(WINDOWS_BUILD) --target windows_installer
	@cat $(WINDOWS_BUILD)/windows-installer.txt

# The demo installs and builds only what it runs: the worker, without the tests.
DEMO_BUILD ?= build-demo

demo:
	sh scripts/setup.sh programs
	cmake -S . -B $(DEMO_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
	cmake --build $(DEMO_BUILD) -j $(JOBS) --target quotemill quotemill_ui
	sh scripts/demo.sh $(DEMO_BUILD)

# The Debian package, built with Debian's own tools (debian/): build-deb/quotemill_VERSION_ARCH.deb.
DEB_BUILD ?= build-deb

deb: setup
	sh packaging/deb.sh $(DEB_BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, in a build
# tree of its own. Leak reports from third-party libraries are suppressed by
# tests/hardening/lsan.supp; a leak in our own code fails the run.
SANITIZE_BUILD ?= build-asan
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/hardening/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: setup
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOTEMILL_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

# libFuzzer targets built with clang, each run for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

fuzz: setup
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DQUOTEMILL_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	sh fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The programs alone, built without the tests, installed into /usr/local or PREFIX.
INSTALL_BUILD ?= build-install

install:
	sh scripts/setup.sh programs
	cmake -S . -B $(INSTALL_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
	  $(if $(PREFIX),-DCMAKE_INSTALL_PREFIX=$(PREFIX))
	cmake --build $(INSTALL_BUILD) -j $(JOBS)
	cmake --install $(INSTALL_BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(DEB_BUILD) $(DEMO_BUILD) $(INSTALL_BUILD)
