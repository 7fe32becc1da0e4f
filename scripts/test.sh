#!/usr/bin/env bash
# Builds every preset and runs every test: native unit and end-to-end tests,
# the same platform and run tests as Windows programs under Wine, the dialog
# driven under Wine on a virtual display, the sanitizer build and short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

export WINEDEBUG=-all
# Every Wine program here runs in a prefix of the build's own.
export WINEPREFIX="$PWD/build/win64/wineprefix"
# No Mono or Gecko download prompts while the prefix is made.
export WINEDLLOVERRIDES="mscoree=;mshtml="

step() { printf '\n=== %s\n' "$*"; }

step "format: every source follows .clang-format"
scripts/check-format.sh

step "native: build and test"
cmake --preset native
cmake --build --preset native
ctest --preset native

step "win32 (i686, the release target): build, and check its .zip"
cmake --preset win32
cmake --build --preset win32
ctest --preset win32

step "win64: build, and test under Wine"
cmake --preset win64
cmake --build --preset win64
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
ctest --preset win64

step "sanitize: build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

step "fuzz: smoke runs"
fuzz/smoke.sh build/sanitize "${ZEMRIK_FUZZ_SECONDS:-30}"

step "all tests passed"
