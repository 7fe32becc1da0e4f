#!/usr/bin/env bash
# From a fresh Debian machine to tables on the screen: installs what the
# build needs, builds the native preset and prints the CRC-32 table by its
# name from each real build of the sample, as C dwords. Run as root from anywhere.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake g++ ninja-build libgtest-dev googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
  binutils-mingw-w64 g++-multilib

cmake --preset native
cmake --build --preset native

scripts/demo-tables.sh
