#!/usr/bin/env bash
# Builds fernclip, its engine libraries, the tests and the benchmarks with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs the whole test suite there. Any report of
# either sanitizer (a memory error, undefined behaviour, a leak at exit) fails the test that
# started the program. Extra arguments go to ctest (for example -R msi_format).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi

cmake -S . -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFERNCLIP_MIMALLOC=OFF \
  -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="$sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$build" -j2

# Every program a test starts (fernclip, the test programs) inherits these. The engine libraries
# are loaded with dlopen and unloaded only at exit, so leaks are checked at exit as usual.
# GLib is built without frame pointers: with the fast unwinder the stack of an allocation made
# through g_malloc ends there, and the suppressions could not tell whose it is (about 12% slower).
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=86:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=87"
export LSAN_OPTIONS="suppressions=$PWD/scripts/sanitize.supp:print_suppressions=0"
ctest --test-dir "$build" -j2 --output-on-failure --timeout 3600 "$@"
