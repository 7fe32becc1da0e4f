#!/usr/bin/env bash
# Checks zemrik-cli against binutils on the real builds of the sample: the
# table found by --symbol and by --va is the one at the file offset that
# readelf or objdump give, and --list-sections lists the sections they list.
#   check-against-binutils.sh ZEMRIK_CLI SAMPLE_DIR
set -euo pipefail

cli=$1
sample=$2
failures=0
checked=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Rewrites "name hex hex..." lines with the numbers in upper-case hex without
# leading zeros, as zemrik-cli prints them.
normalize() {
  local name numbers number line
  while read -r name numbers; do
    line=$name
    for number in $numbers; do line+=" $(printf '%X' "$((16#$number))")"; done
    echo "$line"
  done
}

# readelf's section headers, one a line, the index first without brackets.
section_headers() {
  readelf -SW "$1" | sed -nE 's/^ *\[ *([0-9]+)\] */\1 /p'
}

# zemrik-cli's own listing, without its header line.
listed_sections() {
  "$cli" --list-sections "$1" | tail -n +2
}

same_table() {
  local file=$1 offset=$2 size=$3
  shift 3
  local expected actual
  expected=$("$cli" -a "$offset" -s "$size" -i dwords -l c -n 4 "$file")
  case $expected in
    "static unsigned long table[256] = {"*0x77073096*) ;;
    *) fail "$file: no CRC-32 table at offset $offset"; return ;;
  esac
  actual=$("$cli" "$@" -i dwords -l c -n 4 "$file") || true
  [ "$actual" = "$expected" ] || fail "$file: '$*' gives another table than offset $offset"
}

check_elf() {
  local file=$sample/$1
  [ -e "$file" ] || return 0
  checked=$((checked + 1))
  # Value and (decimal) size of the symbol; address and offset of its section.
  local value size section section_address section_offset
  read -r value size section < <(readelf -sW "$file" | awk '$8 == "crc32_table" { print $2, $3, $7; exit }')
  read -r section_address section_offset < <(section_headers "$file" | awk -v n="$section" '$1 == n { print $4, $5 }')
  : "${section_address:?}"
  local offset=$(( 16#$value - 16#$section_address + 16#$section_offset ))
  same_table "$file" "$(printf '%X' $offset)" "$(printf '%X' "$size")" --symbol crc32_table
  same_table "$file" "$(printf '%X' $offset)" "$(printf '%X' "$size")" --va "$value" -s "$(printf '%X' "$size")"

  # Allocated sections: name, address, offset, size in the file, size in memory.
  local expected actual
  expected=$(section_headers "$file" | awk '$8 ~ /A/ { print $2, $4, $5, ($3 == "NOBITS" ? "0" : $6), $6 }' | normalize)
  actual=$(listed_sections "$file" | normalize)
  [ "$actual" = "$expected" ] || fail "$file: sections differ from readelf's:"$'\n'"$actual"$'\n---\n'"$expected"
}

check_pe() {
  local file=$sample/$1 tools=$2 symbol=$3
  [ -e "$file" ] || return 0
  checked=$((checked + 1))
  local value section_address section_offset
  value=$("${tools}nm" "$file" | awk -v s="$symbol" '$3 == s { print $1; exit }')
  local index name size address file_offset rest
  # objdump -h: Idx Name Size VMA LMA File-off Algn; the LMA is not needed.
  while read -r index name size address _ file_offset rest; do
    [[ $index =~ ^[0-9]+$ ]] || continue
    if (( 16#$value >= 16#$address && 16#$value < 16#$address + 16#$size )); then
      section_address=$address
      section_offset=$file_offset
      break
    fi
  done < <("${tools}objdump" -h "$file")
  : "${section_address:?}"
  local offset=$(( 16#$value - 16#$section_address + 16#$section_offset ))
  same_table "$file" "$(printf '%X' $offset)" 400 --symbol "$symbol" -s 400
  same_table "$file" "$(printf '%X' $offset)" 400 --va "$value" -s 400

  # Every section: name, address, offset, size in memory.
  local expected actual
  expected=$("${tools}objdump" -h "$file" | awk '$1 ~ /^[0-9]+$/ { print $2, $4, $6, $3 }' | normalize)
  actual=$(listed_sections "$file" | awk '{ print $1, $2, $3, $5 }' | normalize)
  [ "$actual" = "$expected" ] || fail "$file: sections differ from objdump's:"$'\n'"$actual"$'\n---\n'"$expected"
}

check_elf crc32.elf
check_elf crc32_32.elf
check_pe crc32.exe i686-w64-mingw32- _crc32_table
check_pe crc32_64.exe x86_64-w64-mingw32- crc32_table

echo "$checked builds checked, $failures failures"
[ "$checked" -gt 0 ] && [ "$failures" -eq 0 ]
