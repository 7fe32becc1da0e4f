#!/usr/bin/env bash
# Opens the dialog under Wine on this Linux desktop: builds the x86_64 Windows
# program if needed and runs it with Wine's 64-bit loader in a prefix of the
# build's own. Run as root the first time, so missing packages can be installed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64 binutils-mingw-w64 googletest wine64

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target zemrik
export WINEPREFIX="$PWD/build/win64/wineprefix"
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEDEBUG=-all
exec /usr/lib/wine/wine64 build/win64/app/zemrik.exe
