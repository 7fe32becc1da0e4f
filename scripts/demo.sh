#!/usr/bin/env bash
# From a fresh Debian machine to a table on the screen: installs what the
# build needs, builds the native preset and prints the CRC-32 table found
# inside the sample Windows image, as C dwords. Run as root from anywhere.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake g++ make libgtest-dev googletest g++-mingw-w64-i686 binutils-mingw-w64

cmake --preset native
cmake --build --preset native

address=$(cat build/native/sample/crc32_table.va)
build/native/app/cli/zemrik-cli --rva -a "$address" -s 400 -i dwords -l c -n 4 build/native/sample/crc32.exe
# The table ends without a line break; keep the prompt off its last line.
echo
