#!/usr/bin/env bash
# Times a variable's type looked up in a large debug build: zemrik-cli
# printing the variable as a declaration of its own type, against gdb's
# ptype of the same variable and pahole's layout of a structure, each a whole
# process. Prints the median wall time and peak memory of each and, last,
# "verdict ok" or "verdict MISSED" (zemrik-cli slower than either).
#
# Usage: bench/debuginfo.sh [--runs N] ZEMRIK_CLI FILE VARIABLE STRUCT
#   FILE      an ELF image with DWARF, e.g. build/native/app/cli/zemrik_cli_tests
#   VARIABLE  a global array in it, as zemrik-cli --symbol takes it (gdb gets it quoted)
#   STRUCT    a structure type in it, as pahole -C takes it
set -euo pipefail

runs=5
if [ "${1:-}" = --runs ]; then
    runs=$2
    shift 2
fi
if [ $# -ne 4 ]; then
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 64
fi
cli=$1 file=$2 variable=$3 structure=$4
for tool in gdb pahole /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "debuginfo.sh: $tool is missing (apt-get install gdb dwarves time)" >&2; exit 69; }
done
[ -x "$cli" ] || { echo "debuginfo.sh: no zemrik-cli at $cli" >&2; exit 66; }
[ -r "$file" ] || { echo "debuginfo.sh: no file $file" >&2; exit 66; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure LABEL COMMAND...: runs it $runs times after one warm-up (the file
# in the page cache for all three) and prints "LABEL seconds MiB", medians.
measure() {
    local label=$1
    shift
    "$@" >"$work/out" 2>&1 || { echo "debuginfo.sh: $label failed:" >&2; cat "$work/out" >&2; exit 1; }
    for _ in $(seq "$runs"); do
        /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1
        cat "$work/time"
    done >"$work/samples"
    local seconds kib
    seconds=$(cut -d' ' -f1 "$work/samples" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    kib=$(cut -d' ' -f2 "$work/samples" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    printf '%s %s %.1f\n' "$label" "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')"
}

echo "file: $file, $(($(stat -c %s "$file") / 1048576)) MiB; $runs runs each" >&2
{
    measure zemrik-cli "$cli" --symbol "$variable" -l c "$file"
    measure gdb gdb -batch -nx -ex "ptype '$variable'" "$file"
    measure pahole pahole -C "$structure" "$file"
} | tee "$work/figures"
awk '$1 == "zemrik-cli" { z = $2 } $1 != "zemrik-cli" && $2 < z { slower = 1 }
     END { print "verdict", (slower ? "MISSED" : "ok") }' "$work/figures"
