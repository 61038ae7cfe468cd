# A thin front over CMake: `make run` builds and starts the program, `make test` runs every test.
# The other targets are the checks CI runs after `make test`; each works on its own build folder.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# CI treats every compiler warning as an error.
WERROR := $(if $(CI),ON,OFF)
FUZZ_SECONDS ?= 60
WINE ?= $(firstword $(wildcard /usr/lib/wine/wine64 /usr/bin/wine64 /usr/bin/wine) wine)
TRANSCRIPT_INPUTS := tests/end_to_end/transcripts

.PHONY: all build run test diagram bench sanitize memcheck tidy fuzz windows clean

all: build

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	@$(BUILD_DIR)/guard

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(JOBS)

# The guard tree as the Mermaid flowchart README.md shows; a test fails when the two differ.
diagram: build
	@$(BUILD_DIR)/tools/guard_tree_diagram

# The walk against hand-written code, streaming and start-up against a C baseline (needs Google
# Benchmark, python3 and GNU time).
bench:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DGUARD_BENCH=ON
	cmake --build $(BUILD_DIR) --parallel $(JOBS)
	python3 bench/run_benchmarks.py $(BUILD_DIR)

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGUARD_SANITIZE=ON \
	    -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build build-sanitize --parallel $(JOBS)
	ctest --test-dir build-sanitize --output-on-failure --parallel $(JOBS)

# One scripted session under valgrind: an answered set, a rejected one, a failed weapon lookup
# and an incomplete last set. Any memory error or lost byte turns the status into 99.
memcheck: build
	valgrind --quiet --error-exitcode=99 --leak-check=full \
	    --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
	    $(BUILD_DIR)/guard <$(TRANSCRIPT_INPUTS)/mixed_session.in >/dev/null 2>&1; \
	    status=$$?; echo "memcheck: guard exited $$status under valgrind (1 expected)"; \
	    test $$status -eq 1

# The Windows console layer is left out: this machine has no Windows headers for clang-tidy.
tidy: build
	CXX=clang++ cmake -S . -B build-fuzz -DGUARD_FUZZ=ON -DGUARD_BUILD_TESTS=OFF >/dev/null
	git ls-files 'src/*.cpp' 'tests/*.cpp' 'tools/*.cpp' | grep -v windows_console.cpp | \
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

# guard.exe cross-compiled with MinGW-w64, then every golden transcript run under Wine.
windows:
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DGUARD_BUILD_TESTS=OFF -DGUARD_WARNINGS_AS_ERRORS=$(WERROR)
	cmake --build build-windows --parallel $(JOBS)
	WINEPREFIX=$(CURDIR)/build-windows/wine WINEDEBUG=-all $(WINE) wineboot -i >/dev/null 2>&1 || true
	WINEPREFIX=$(CURDIR)/build-windows/wine WINEDEBUG=-all TRANSCRIPT_RUNNER=$(WINE) \
	    TRANSCRIPT_CRLF=1 sh tests/end_to_end/check_all_transcripts.sh build-windows/guard.exe

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-fuzz build-windows
