# A thin front over CMake: `make run` builds the program alone and starts it, `make test` builds
# and runs every test. The other targets install, package, and run the checks CI runs after
# `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# CI treats every compiler warning as an error.
WERROR := $(if $(CI),ON,OFF)
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
WINE ?= $(firstword $(wildcard /usr/lib/wine/wine64 /usr/bin/wine64 /usr/bin/wine) wine)
TRANSCRIPTS := $(basename $(wildcard tests/end_to_end/transcripts/*.in))

# Configured afresh every time: that takes a fraction of a second once done, and a configure
# that stopped part-way (before GoogleTest was installed, say) can never leave a build folder
# that a later run trips over.
CONFIGURE = cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release \
    -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)

.PHONY: all program run diagram test install package bench sanitize memcheck tidy fuzz \
    windows-program windows clean

all: program

# The program alone, with its manual page, which need no test framework. The build's progress
# goes to standard error, so that what `run` and `diagram` write to standard output is the
# program's own, and it is kept short: warnings and errors, and a line per target.
QUIET_BUILD = MAKEFLAGS=--no-print-directory cmake --build $(BUILD_DIR) --parallel $(JOBS)
program:
	@$(CONFIGURE) -DGUARD_BUILD_TESTS=OFF --log-level=WARNING >&2
	@$(QUIET_BUILD) --target guard documents >&2

run: program
	@$(BUILD_DIR)/guard

# The guard tree as the Mermaid flowchart README.md shows; a test fails when the two differ.
diagram: program
	@$(QUIET_BUILD) --target guard_tree_diagram >&2
	@$(BUILD_DIR)/tools/guard_tree_diagram

test:
	$(CONFIGURE) -DGUARD_BUILD_TESTS=ON
	cmake --build $(BUILD_DIR) --parallel $(JOBS)
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(JOBS)

# PREFIX/bin/guard and its manual page; DESTDIR, if set, is put before PREFIX (for packagers).
# Like `cmake --install`, it installs what `make` built, building only when nothing is there:
# `sudo make install` after `make` then writes nothing into the build folder.
install:
	@[ -x $(BUILD_DIR)/guard ] || $(MAKE) --no-print-directory program
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# build/guard_VERSION_ARCH.deb, and build-windows/guard-VERSION-win64.zip (needs MinGW-w64).
package: program windows-program
	cd $(BUILD_DIR) && cpack
	cd build-windows && cpack

# The walk against hand-written code, streaming and start-up against a C baseline, and how soon
# Escape ends the program (needs Google Benchmark, python3 and GNU time).
bench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DGUARD_BUILD_TESTS=OFF -DGUARD_BENCH=ON
	cmake --build build-bench --parallel $(JOBS)
	python3 bench/run_benchmarks.py build-bench

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGUARD_SANITIZE=ON \
	    -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build build-sanitize --parallel $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure --parallel $(JOBS)

# One scripted session under valgrind: an answered set, a rejected one, a failed weapon lookup
# and an incomplete last set. Any memory error or lost byte turns the status into 99.
memcheck: program
	valgrind --quiet --error-exitcode=99 --leak-check=full \
	    --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
	    $(BUILD_DIR)/guard <tests/end_to_end/transcripts/mixed_session.in >/dev/null 2>&1; \
	    status=$$?; echo "memcheck: guard exited $$status under valgrind (1 expected)"; \
	    test $$status -eq 1

# The Windows console layer and key event driver are left out: this machine has no Windows
# headers for clang-tidy.
tidy:
	$(CONFIGURE) -DGUARD_BUILD_TESTS=ON >/dev/null
	CXX=clang++ cmake -S . -B build-fuzz -DGUARD_FUZZ=ON -DGUARD_BUILD_TESTS=OFF >/dev/null
	git ls-files 'src/*.cpp' 'tests/*.cpp' 'tools/*.cpp' | \
	    grep -v -e windows_console.cpp -e key_event_driver.cpp | \
	    xargs -P $(JOBS) -n 4 clang-tidy -p $(BUILD_DIR) --quiet
	clang-tidy -p build-fuzz --quiet fuzz/guard_fuzzer.cpp

# New inputs the fuzzer finds go to build-fuzz/corpus; crashes to build-fuzz/artifacts.
fuzz:
	CXX=clang++ cmake -S . -B build-fuzz -DGUARD_FUZZ=ON -DGUARD_BUILD_TESTS=OFF \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build build-fuzz --parallel $(JOBS)
	mkdir -p build-fuzz/corpus build-fuzz/artifacts
	build-fuzz/fuzz/guard_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	    -artifact_prefix=build-fuzz/artifacts/ build-fuzz/corpus fuzz/corpus

# guard.exe cross-compiled with MinGW-w64.
windows-program:
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DGUARD_BUILD_TESTS=OFF -DGUARD_KEY_EVENT_DRIVER=OFF \
	    -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build build-windows --parallel $(JOBS)

# Every golden transcript run by guard.exe under Wine, then the keyboard cases, with key events
# written into its console.
WINE_ENVIRONMENT = WINEPREFIX=$(CURDIR)/build-windows/wine WINEDEBUG=-all
windows: windows-program
	cmake -S . -B build-windows -DGUARD_KEY_EVENT_DRIVER=ON
	cmake --build build-windows --parallel $(JOBS) --target key_event_driver
	$(WINE_ENVIRONMENT) $(WINE) wineboot -i >/dev/null 2>&1 || true
	$(WINE_ENVIRONMENT) TRANSCRIPT_RUNNER=$(WINE) TRANSCRIPT_CRLF=1 \
	    sh tests/end_to_end/check_transcript.sh build-windows/guard.exe $(TRANSCRIPTS)
	@echo "guard.exe answers all $(words $(TRANSCRIPTS)) golden transcripts alike under Wine"
	$(WINE_ENVIRONMENT) python3 tests/console/terminal_test.py --wine $(WINE) \
	    build-windows/guard.exe build-windows/key_event_driver.exe

clean:
	rm -rf $(BUILD_DIR) build-bench build-sanitize build-fuzz build-windows
