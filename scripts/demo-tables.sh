#!/usr/bin/env bash
# Prints the CRC-32 table by its name from each real build of the sample in
# build/native/sample, as C dwords, with the zemrik-cli given (by default the
# native one; scripts/test.sh also runs the i686 zemrik-cli.exe under Wine).
# Usage: scripts/demo-tables.sh [PROGRAM [ARGUMENT...]]
set -euo pipefail
cd "$(dirname "$0")/.."

cli=("$@")
[ ${#cli[@]} -gt 0 ] || cli=(build/native/app/cli/zemrik-cli)
sample=build/native/sample
# A PE image records no symbol sizes, so its table's size is given; an ELF
# image's comes from the symbol. The i686 compiler prefixes C names with "_".
demo() {
  [ -e "$sample/$1" ] || return 0
  printf '\n$ zemrik-cli %s %s\n' "${*:2}" "$sample/$1"
  "${cli[@]}" "${@:2}" "$sample/$1"
  # The table ends without a line break; keep what follows off its last line.
  echo
}
demo crc32.exe --symbol _crc32_table -s 400 -i dwords -l c -n 4
demo crc32_64.exe --symbol crc32_table -s 400 -i dwords -l c -n 4
demo crc32.elf --symbol crc32_table -i dwords -l c -n 4
demo crc32_32.elf --symbol crc32_table -i dwords -l c -n 4
