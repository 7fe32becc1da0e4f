#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools this machine lacks.
# Usage: scripts/install-deps.sh [PACKAGE...]   (the default set when none are named)
set -euo pipefail

packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  packages=(cmake g++ ninja-build libgtest-dev googletest libbenchmark-dev
            g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
            # {fmt}'s headers: the one shortest round-trip float formatting every build uses
            libfmt-dev
            # elfutils' libdw, which reads a variable's type from DWARF, and pkg-config to find it
            libdw-dev pkg-config
            # zlib's crc32 checks a separate debug file against the image's .gnu_debuglink
            zlib1g-dev
            # lld links the big-endian PowerPC images the debug info tests read
            lld
            g++-multilib wine64 xvfb imagemagick clang clang-format libclang-rt-14-dev xxd shellcheck
            # the tools that compile or run zemrik-cli's tables, and the package tests'
            python3 nasm fp-compiler rustc golang-go mono-mcs mono-runtime
            # clang 19 reads C23's #embed, which --embed prints
            clang-19
            # javac and java, node: they take the typed tables' Java and JavaScript
            default-jdk-headless nodejs
            dpkg-dev groff-base man-db
            # a real PE32 DLL for the --rva tests
            libz-mingw-w64
            # the web page: the engine as WebAssembly, tested in headless Chromium
            emscripten node-acorn chromium chromium-driver python3-selenium)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another install may hold the package lock for a while: wait for it.
apt-get -o DPkg::Lock::Timeout=900 update -qq
apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" </dev/null
