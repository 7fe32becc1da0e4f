#!/usr/bin/env bash
# Times what comes after printing: compiling the printed table. One random
# table (8 MiB unless given) printed as xxd -i prints it, as zemrik-cli's
# array and as its --string-literal form, each compiled once by gcc -O2 -c,
# g++ -std=c++17, rustc -O, go build and Python's compile(); --embed's
# declaration compiled by clang-19 -std=c23 and nasm. Prints wall seconds and
# peak memory of each, the ratios the targets name, and exits 1 when a target
# is missed, unless --report-only is given. A benchmark, not a test.
#
# Usage: bench/compile.sh [--report-only] [--size BYTES] [ZEMRIK_CLI]
#   ZEMRIK_CLI  defaults to build/release/app/cli/zemrik-cli.
set -euo pipefail

report_only=0
size=$((8 * 1024 * 1024))
cli=build/release/app/cli/zemrik-cli
while [ $# -gt 0 ]; do
    case "$1" in
    --report-only) report_only=1 ;;
    --size) size="$2"; shift ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) cli="$1" ;;
    esac
    shift
done
for tool in xxd gcc g++ rustc go python3 clang-19 nasm /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compile.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 69; }
done
[ -x "$cli" ] || { echo "compile.sh: no zemrik-cli at $cli" >&2; exit 66; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=$work/table.bin
head -c "$size" /dev/urandom >"$input"
hex_size=$(printf '0x%X' "$size")
export GOCACHE=$work/gocache

# measure NAME COMMAND...: runs COMMAND once in $work, leaves its wall seconds
# and peak KiB in $seconds and $kib, and adds a row.
rows=()
measure() {
    local name=$1
    shift
    (cd "$work" && /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err") || {
        echo "compile.sh: $name failed:" >&2
        cat "$work/err" >&2
        exit 1
    }
    read -r seconds kib <"$work/time"
    rows+=("$(printf '%-52s %9s s %10s KiB' "$name" "$seconds" "$kib")")
}
missed=0
check() {  # check FIGURE VALUE TARGET
    local verdict=ok
    awk -v v="$2" -v t="$3" 'BEGIN { exit !(v >= t) }' || { verdict=MISSED; missed=1; }
    rows+=("$(printf '%-52s %11s  >= %-6s %s' "$1" "$2" "$3" "$verdict")")
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }
print() { "$cli" -a 0 -s "$hex_size" -i bytes --lf "$@" "$input"; }

# C: the same bytes three ways; each file reads them back in main.
c_main='int main(int argc, char **argv) { (void)argv; return table[argc]; }'
(cd "$work" && xxd -i table.bin | sed 's/table_bin/table/g' >xxd.c && echo "$c_main" >>xxd.c)
print -l c >"$work/array.c" && echo "$c_main" >>"$work/array.c"
print -l c --string-literal >"$work/literal.c" && echo "$c_main" >>"$work/literal.c"
cp "$work/literal.c" "$work/literal.cpp"
measure "gcc -O2 -c, xxd -i" gcc -O2 -c xxd.c -o xxd.o
xxd_seconds=$seconds xxd_kib=$kib
measure "gcc -O2 -c, zemrik-cli array" gcc -O2 -c array.c -o array.o
measure "gcc -O2 -c, zemrik-cli --string-literal" gcc -O2 -Wno-overlength-strings -c literal.c -o literal.o
check "gcc: xxd -i time / --string-literal time" "$(ratio "$xxd_seconds" "$seconds")" 40
check "gcc: xxd -i peak memory / --string-literal's" "$(ratio "$xxd_kib" "$kib")" 8
measure "g++ -std=c++17 -O2 -c, --string-literal" g++ -std=c++17 -O2 -c literal.cpp -o literal-cpp.o

# Rust.
rust_main='fn main() { std::process::exit(TABLE[std::env::args().count()] as i32); }'
print -l rust >"$work/array.rs" && echo "$rust_main" >>"$work/array.rs"
print -l rust --string-literal >"$work/literal.rs" && echo "$rust_main" >>"$work/literal.rs"
measure "rustc -O, zemrik-cli array" rustc -O array.rs -o array-rs
array_seconds=$seconds
measure "rustc -O, --string-literal" rustc -O literal.rs -o literal-rs
check "rustc: array time / --string-literal time" "$(ratio "$array_seconds" "$seconds")" 25

# Go and Python: reported, no target.
go_main='func main() { os.Exit(int(table[len(os.Args)])) }'
for form in array literal; do
    flag=()
    [ "$form" = literal ] && flag=(--string-literal)
    mkdir -p "$work/go-$form"
    { printf 'package main\n\nimport "os"\n\n'; print -l go "${flag[@]}"; echo; echo "$go_main"; } >"$work/go-$form/main.go"
    (cd "$work/go-$form" && printf 'module table\n\ngo 1.19\n' >go.mod)
    measure "go build, zemrik-cli ${flag[*]:-array}" sh -c "cd go-$form && go build -o table ."
    print -l python "${flag[@]}" >"$work/$form.py"
    measure "python3 compile(), zemrik-cli ${flag[*]:-array}" python3 -c "compile(open('$form.py').read(), '$form.py', 'exec')"
done

# --embed: the compiler reads the bytes; nothing is printed but a line.
print -l c --embed >"$work/embed.c" && echo "$c_main" >>"$work/embed.c"
measure "clang-19 -std=c23 -O2 -c, --embed" clang-19 -std=c23 -O2 -c embed.c -o embed.o
print -l asm --embed >"$work/embed.asm"
measure "nasm -f bin, --embed" nasm -f bin embed.asm -o embed.out
cmp -s "$work/embed.out" "$input" || { echo "compile.sh: nasm's incbin read other bytes" >&2; exit 1; }

echo "table: $size random bytes; machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%s\n' "${rows[@]}"
[ "$report_only" -eq 1 ] || exit "$missed"
