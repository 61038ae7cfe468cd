# SPDX-License-Identifier: MIT
# A thin front over CMake: `make run` builds the program alone and starts it, `make test` builds
# and runs every test. The other targets install, package, and run the checks CI runs after
# `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Every compiler warning an error: CI asks for it (make WERROR=ON); other builds never fail on a
# warning that a newer compiler has learned.
WERROR ?= OFF
PREFIX ?= /usr/local
CMAKE_BUILD_TYPE ?= Release
# Every file in a package is dated SOURCE_DATE_EPOCH, by default the latest changelog entry's
# date, so that the same sources make the same package whenever they are built.
SOURCE_DATE_EPOCH ?= $(shell date -d "$$(sed -n 's/^ -- .*>  //p' doc/changelog | head -n 1)" +%s)
FUZZ_SECONDS ?= 60
WINE ?= $(firstword $(wildcard /usr/lib/wine/wine64 /usr/bin/wine64 /usr/bin/wine) wine)
TRANSCRIPTS := $(basename $(wildcard tests/end_to_end/transcripts/*.in))

# Configured afresh every time: that takes a fraction of a second once done, and a configure
# that stopped part-way (before GoogleTest was installed, say) can never leave a build folder
# that a later run trips over. The build type and a packager's flags are given every time too,
# as CMake keeps the flags of a folder's first configure otherwise.
CONFIGURE = cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(CMAKE_BUILD_TYPE) \
    -DCMAKE_CXX_FLAGS='$(strip $(CPPFLAGS) $(CXXFLAGS))' \
    -DCMAKE_EXE_LINKER_FLAGS='$(LDFLAGS)' -DCMAKE_MODULE_LINKER_FLAGS='$(LDFLAGS)' \
    -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)

.PHONY: all program run diagram test install uninstall deb zip package bench sanitize \
    tidy fuzz windows-program windows clean

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

# The guard tree as indented text, or with FORMAT=mermaid as the flowchart doc/tree.md shows; a
# test fails when doc/tree.md differs from either.
FORMAT ?= text
diagram: program
	@$(QUIET_BUILD) --target guard_tree_diagram >&2
	@$(BUILD_DIR)/tools/guard_tree_diagram --$(FORMAT)

test:
	$(CONFIGURE) -DGUARD_BUILD_TESTS=ON
	cmake --build $(BUILD_DIR) --parallel $(JOBS)
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(JOBS)

# PREFIX/bin/guard, its manual page and documents; DESTDIR, if set, is put before PREFIX (for
# packagers). Like `cmake --install`, it installs what `make` built, building only when nothing
# is there, and it writes nothing into the build folder: `sudo make install` after `make` leaves
# it as it was. Directories it creates are everyone's to read, whatever the umask.
INSTALL_SCRIPT = cmake -DBUILD_DIR=$(BUILD_DIR) -DCMAKE_INSTALL_PREFIX='$(PREFIX)' \
    -DMANIFEST="$$scratch/manifest" -P cmake/install.cmake
install:
	@[ -x $(BUILD_DIR)/guard ] || $(MAKE) --no-print-directory program
	@scratch=$$(mktemp -d) && trap 'rm -rf "$$scratch"' EXIT && umask 022 && \
	    DESTDIR='$(DESTDIR)' $(INSTALL_SCRIPT)

# Removes exactly the files `make install` puts in place with the same DESTDIR and PREFIX (found
# by installing into a scratch folder), then the folders left empty: every one below DESTDIR, a
# staging root; without DESTDIR only guard's own, as folders such as /usr/local/bin are the
# system's.
uninstall:
	@[ -x $(BUILD_DIR)/guard ] || $(MAKE) --no-print-directory program
	@scratch=$$(mktemp -d) && trap 'rm -rf "$$scratch"' EXIT && \
	    DESTDIR="$$scratch/stage" $(INSTALL_SCRIPT) >/dev/null && \
	    { sed "s|^$$scratch/stage||" "$$scratch/manifest"; echo; } >"$$scratch/files" && \
	    while IFS= read -r file; do \
	        [ -n "$$file" ] || continue; \
	        target='$(DESTDIR)'"$$file"; \
	        if [ -e "$$target" ] || [ -L "$$target" ]; then \
	            echo "-- Removing: $$target" && rm -f "$$target" || exit 1; \
	        fi; \
	        dir=$${target%/*}; \
	        while ! [ "$$dir" -ef '$(DESTDIR)/' ] && \
	            { [ -n '$(DESTDIR)' ] || [ "$${dir##*/}" = guard ]; }; do \
	            rmdir "$$dir" 2>/dev/null || break; \
	            dir=$${dir%/*}; \
	        done; \
	    done <"$$scratch/files"

# build/guard_VERSION_ARCH.deb (needs dpkg-dev) and build-windows/guard-VERSION-win64.zip (needs
# MinGW-w64). Their bytes depend on the sources and SOURCE_DATE_EPOCH only: CPack's files and
# folders take the umask's permissions, so it is fixed here.
PACK = umask 022 && SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cpack
deb: program
	cd $(BUILD_DIR) && $(PACK)
zip: windows-program
	cd build-windows && $(PACK)
package: deb zip

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
