#!/usr/bin/env bash
# Times the compilers on an 8 MiB random table in each form zemrik-cli prints,
# against `xxd -i`'s array: gcc -O2 -c of the array, of --string-literal and
# of a plain literal of octal escapes, g++ of the same literal, rustc -O, go
# build and Python's compile() of the array and of the literal, clang-19
# -std=c23 and nasm of --embed. Prints
# each compile's seconds and peak memory (GNU time's %e and %M), one a line,
# and the ratios the forms are for. A benchmark: it takes minutes, and
# scripts/test.sh doesn't run it.
#
# Usage: bench/compile.sh [ZEMRIK_CLI]
#   ZEMRIK_CLI  defaults to build/native/app/cli/zemrik-cli
set -euo pipefail

cli=$(realpath "${1:-build/native/app/cli/zemrik-cli}")
# The Debian packages that scripts/install-deps.sh installs, as the tests use them.
export PATH="/usr/bin:$PATH"
for tool in /usr/bin/time xxd gcc g++ rustc go python3 clang-19 nasm; do
    command -v "$tool" >/dev/null || { echo "compile.sh: $tool is missing" >&2; exit 69; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
head -c 8388608 /dev/urandom >table.bin
export GOCACHE="$work/gocache" GOFLAGS=-buildvcs=false

# measure LABEL COMMAND...: a compile's time and peak memory. One that
# takes under 3 s runs 5 times (runs=N: N times) and its medians are kept: a
# single run of a fraction of a second varies by a fifth from one to the next.
measure() {
    local label=$1 count
    shift
    : >times.txt
    for ((count = 0; count < ${runs:-5}; ++count)); do
        if ! /usr/bin/time -f '%e %M' -o time.txt "$@" >/dev/null 2>errors.txt; then
            echo "compile.sh: $label failed:" >&2
            head -5 errors.txt >&2
            exit 1
        fi
        cat time.txt >>times.txt
        awk '{ exit !($1 < 3) }' time.txt || break
    done
    count=$(wc -l <times.txt)
    seconds=$(cut -d' ' -f1 times.txt | sort -g | sed -n "$(((count + 1) / 2))p")
    kib=$(cut -d' ' -f2 times.txt | sort -g | sed -n "$(((count + 1) / 2))p")
    printf '%-36s %8.2f s %7d MiB\n' "$label" "$seconds" $((kib / 1024))
    echo "$label $seconds $kib" >>results.txt
}

# ratio SLOWER FASTER: how many times faster and leaner FASTER compiles.
ratio() {
    awk -v slow="$1" -v fast="$2" '
        { label = $0; sub(/ [0-9.]+ [0-9]+$/, "", label) }
        label == slow { st = $(NF - 1); sm = $NF }
        label == fast { ft = $(NF - 1); fm = $NF }
        END { printf "%s vs %s: %.1fx faster, %.1fx less memory\n", fast, slow, st / ft, sm / fm }' results.txt
}

xxd -i table.bin >xxd.c
"$cli" -i bytes -l c --lf table.bin >array.c
"$cli" --string-literal -l c --lf table.bin >literal-as-printed.c
# zemrik-cli declares its tables static, and gcc drops one nothing uses: a
# use keeps each in the object, as xxd's is, so the assembler's share is
# timed too. The literal is also timed as printed, without the use.
cp literal-as-printed.c literal.c
printf '\nconst unsigned char *keep = table;\n' | tee -a array.c >>literal.c
# The plain form to beat: one literal, every byte a three-digit octal escape.
python3 -c '
import sys
data = open("table.bin", "rb").read()
sys.stdout.write("unsigned char table[] = \"" + "".join("\\%03o" % b for b in data) + "\";\n")' >plain.c
for form in array literal; do
    option=$([ $form = literal ] && echo --string-literal || echo "-i bytes")
    # shellcheck disable=SC2086 # the option is one or two words
    { "$cli" $option -l rust --lf table.bin; printf '\npub fn table() -> &'"'"'static [u8] { &TABLE }\n'; } >$form.rs
    mkdir -p go-$form
    printf 'module table\n\ngo 1.19\n' >go-$form/go.mod
    # shellcheck disable=SC2086
    { printf 'package main\n\n'; "$cli" $option -l go --lf table.bin; printf '\nfunc main() { println(len(table)) }\n'; } \
        >go-$form/main.go
    # shellcheck disable=SC2086
    "$cli" $option -l python --lf table.bin >$form.py
done
"$cli" --embed -l c --lf -a 10 -s 7FFFF0 table.bin >embed.c
"$cli" --embed -l asm --lf -a 10 -s 7FFFF0 table.bin >embed.asm
# The standard library compiled once, before the timed builds.
mkdir -p go-warm && printf 'module warm\n\ngo 1.19\n' >go-warm/go.mod &&
    printf 'package main\n\nfunc main() {}\n' >go-warm/main.go && (cd go-warm && go build -o warm .)

measure "gcc -O2 -c, xxd -i" gcc -O2 -c xxd.c -o xxd.o
measure "gcc -O2 -c, array" gcc -O2 -c array.c -o array.o
measure "gcc -O2 -c, plain octal literal" gcc -O2 -c plain.c -o plain.o
measure "gcc -O2 -c, --string-literal" gcc -O2 -c literal.c -o literal.o
measure "gcc -O2 -c, --string-literal as printed" gcc -O2 -c literal-as-printed.c -o literal-as-printed.o
measure "g++ -std=c++17 -O2 -c, --string-literal" g++ -std=c++17 -O2 -c -x c++ literal.c -o literal-cpp.o
measure "rustc -O, array" rustc -O --crate-type=lib array.rs -o array.rlib
measure "rustc -O, --string-literal" rustc -O --crate-type=lib literal.rs -o literal.rlib
# Go 1.19's go build has no -C: each module is built from its folder.
# Only go build's first run compiles: the next ones find it in its cache.
runs=1 measure "go build, array" sh -c 'cd go-array && go build -o table .'
runs=1 measure "go build, --string-literal" sh -c 'cd go-literal && go build -o table .'
measure "python3 compile(), array" python3 -c 'compile(open("array.py").read(), "array.py", "exec")'
measure "python3 compile(), --string-literal" python3 -c 'compile(open("literal.py").read(), "literal.py", "exec")'
measure "clang-19 -std=c23 -O2 -c, --embed" clang-19 -std=c23 -O2 -c embed.c -o embed.o
measure "nasm -f elf64, --embed" nasm -f elf64 embed.asm -o embed-asm.o
echo
ratio "gcc -O2 -c, xxd -i" "gcc -O2 -c, --string-literal"
ratio "gcc -O2 -c, xxd -i" "gcc -O2 -c, plain octal literal"
ratio "gcc -O2 -c, xxd -i" "gcc -O2 -c, --string-literal as printed"
ratio "gcc -O2 -c, array" "gcc -O2 -c, --string-literal"
ratio "rustc -O, array" "rustc -O, --string-literal"
ratio "go build, array" "go build, --string-literal"
ratio "python3 compile(), array" "python3 compile(), --string-literal"
