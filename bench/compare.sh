#!/usr/bin/env bash
# Times zemrik-cli as a whole process against xxd -i and cat, to a file and
# to a pipe, and against itself (every style row, the typed f32, f64 and i16
# decimal tables and a record table, the reversed walk); checks its peak
# memory on a 64 MiB and a 512 MiB table, bytes and f64; times a variable's
# type looked up in a large debug build against gdb and pahole
# (bench/debuginfo.sh); with a baseline, checks
# that --dump-to-file and the walks into memory (the dialog's path) are not
# slower than the baseline's, all in one run. Prints a table of medians;
# exits 1 when a target is missed, unless --report-only is given.
#
# Usage: bench/compare.sh [--report-only] [--runs N] [--baseline REV|DIR] [ZEMRIK_CLI]
#   ZEMRIK_CLI  defaults to build/release/app/cli/zemrik-cli (cmake --preset
#               release && cmake --build --preset release); its build's
#               bench/zemrik_bench is used for the walks.
#   --baseline  a build directory holding app/cli/zemrik-cli and
#               bench/zemrik_bench, or a git revision, built once (Release)
#               into build/baseline-REV.
set -euo pipefail

report_only=0
runs=5
cli=build/release/app/cli/zemrik-cli
baseline=""
while [ $# -gt 0 ]; do
    case "$1" in
    --report-only) report_only=1 ;;
    --runs) runs="$2"; shift ;;
    --baseline) baseline="$2"; shift ;;
    -h | --help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) cli="$1" ;;
    esac
    shift
done
if [ "$runs" -lt 5 ]; then
    echo "compare.sh: at least 5 runs are needed for a median" >&2
    exit 64
fi

for tool in hyperfine xxd cat /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing (scripts/install-deps.sh hyperfine time xxd)" >&2; exit 69; }
done
[ -x "$cli" ] || { echo "compare.sh: no zemrik-cli at $cli" >&2; exit 66; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")
bench=$(dirname "$(dirname "$(dirname "$cli")")")/bench/zemrik_bench

# The baseline: a build directory, or a revision built once into build/.
base_cli=""
base_bench=""
if [ -n "$baseline" ]; then
    if [ ! -d "$baseline" ]; then
        revision=$(git rev-parse --short "$baseline")
        dir=build/baseline-$revision
        if [ ! -x "$dir/app/cli/zemrik-cli" ] || [ ! -x "$dir/bench/zemrik_bench" ]; then
            echo "building the baseline $revision in $dir" >&2
            rm -rf "$dir/src" && mkdir -p "$dir/src"
            git archive "$revision" | tar -x -C "$dir/src"
            cmake -S "$dir/src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEMRIK_BUILD_TESTS=OFF >/dev/null
            cmake --build "$dir" --target zemrik-cli zemrik_bench >/dev/null
        fi
        baseline=$dir
    fi
    base_cli=$(cd "$baseline" && pwd)/app/cli/zemrik-cli
    base_bench=$(cd "$baseline" && pwd)/bench/zemrik_bench
    if [ ! -x "$base_cli" ] || [ ! -x "$base_bench" ]; then
        echo "compare.sh: no baseline build in $baseline" >&2
        exit 66
    fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=$work/input.bin
output=$work/out
text=$work/text
big_size=$((64 * 1024 * 1024))     # 0x4000000
huge_size=$((512 * 1024 * 1024))   # 0x20000000
head -c "$big_size" /dev/urandom >"$input"
truncate -s "$huge_size" "$work/huge.bin"  # sparse: its size is what counts for memory

missed=0
rows=()

# median_of NAME COMMAND: median wall time in seconds of COMMAND, run by the shell.
median_of() {
    local csv=$work/timing.csv
    # hyperfine's advice on noisy first runs would garble the table; its
    # errors are shown when it fails.
    if ! hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$csv" -n "$1" "$2" >/dev/null 2>"$work/hyperfine.err"; then
        cat "$work/hyperfine.err" >&2
        return 1
    fi
    awk -F, 'NR == 2 { printf "%.3f", $4 }' "$csv"
}

# peak_kib COMMAND: the process's maximum resident set size in KiB.
peak_kib() {
    /usr/bin/time -v sh -c "$1" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

# ratio A B: A / B to two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

figure() { rows+=("$(printf '%-46s %14s' "$1" "$2")"); }
# check FIGURE VALUE TARGET PASSED(0/1)
check() {
    local verdict=ok
    if [ "$4" -ne 1 ]; then verdict=MISSED; missed=1; fi
    rows+=("$(printf '%-46s %14s  %-22s %s' "$1" "$2" "$3" "$verdict")")
}
at_most() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v <= t) }' && echo 1 || echo 0; }
at_least() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v >= t) }' && echo 1 || echo 0; }

# versus LABEL_A COMMAND_A LABEL_B COMMAND_B: times both, shows both medians,
# and leaves A's time / B's time in $quotient.
versus() {
    local a b
    a=$(median_of "$1" "$2")
    b=$(median_of "$3" "$4")
    figure "$1 (s)" "$a"
    figure "$3 (s)" "$b"
    quotient=$(ratio "$a" "$b")
}

zemrik() { echo "'$cli' -a 0 $*"; }
big_c="$(zemrik -s 4000000 -i bytes -l c -n 12 "'$input'")"

echo "zemrik-cli: $cli" >&2
echo "machine: $(nproc) processors, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(uname -sr)" >&2
echo "input: $big_size random bytes; $runs runs each; load at the start: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

# 1. To a file, against xxd -i and against cat copying the finished text.
sh -c "$big_c > '$text'"
t_zemrik=$(median_of zemrik "$big_c > '$output'")
t_xxd=$(median_of xxd "xxd -i '$input' > '$output'")
t_cat=$(median_of cat "cat '$text' > '$output'")
figure "zemrik-cli C bytes hex 64 MiB > file (s)" "$t_zemrik"
figure "xxd -i 64 MiB > file (s)" "$t_xxd"
figure "cat of the $(($(stat -c %s "$text") / 1048576)) MiB text > file (s)" "$t_cat"
speedup=$(ratio "$t_xxd" "$t_zemrik")
check "xxd -i time / zemrik-cli time, to a file" "$speedup" ">= 20" "$(at_least "$speedup" 20)"
over_cat=$(ratio "$t_zemrik" "$t_cat")
check "zemrik-cli time / cat time, to a file" "$over_cat" "<= 2" "$(at_most "$over_cat" 2)"

# 2. To a pipe.
versus "xxd -i 64 MiB | cat" "xxd -i '$input' | cat > /dev/null" "zemrik-cli 64 MiB | cat" "$big_c | cat > /dev/null"
check "xxd -i time / zemrik-cli time, to a pipe" "$quotient" ">= 10" "$(at_least "$quotient" 10)"

# 3. Peak memory, whatever the table's size.
peak_big=$(peak_kib "$big_c > '$output'")
peak_huge=$(peak_kib "$(zemrik -s 20000000 -i bytes -l c -n 12 "'$work/huge.bin'") > /dev/null")
figure "xxd -i peak RSS (KiB)" "$(peak_kib "xxd -i '$input' > '$output'")"
check "zemrik-cli peak RSS, 64 MiB table (KiB)" "$peak_big" "<= 65536" "$(at_most "$peak_big" 65536)"
check "zemrik-cli peak RSS, 512 MiB table (KiB)" "$peak_huge" "<= 65536" "$(at_most "$peak_huge" 65536)"
peak_typed=$(peak_kib "$(zemrik -s 20000000 -i f64 -l c -n 12 "'$work/huge.bin'") > /dev/null")
check "zemrik-cli peak RSS, 512 MiB f64 table (KiB)" "$peak_typed" "<= 65536" "$(at_most "$peak_typed" 65536)"

# 4. Every style row, as time per byte of output.
declare -A per_byte
for language in c asm delphi datastr; do
    for items in bytes words dwords; do
        for base in hex decimal; do
            flag=""
            [ "$base" = decimal ] && flag=--decimal
            command="$(zemrik -s 1000000 -i "$items" -l "$language" -n 12 $flag "'$input'") > '$output'"
            sh -c "$command"
            length=$(stat -c %s "$output")
            seconds=$(median_of "$language-$items-$base" "$command")
            per_byte["$language $items $base"]=$(awk -v s="$seconds" -v n="$length" 'BEGIN { printf "%.3f", s * 1e9 / n }')
        done
    done
done
fastest=$(printf '%s\n' "${per_byte[@]}" | sort -g | head -1)
for row in $(printf '%s\n' "${!per_byte[@]}" | tr ' ' '_' | sort); do
    row=${row//_/ }
    relative=$(ratio "${per_byte[$row]}" "$fastest")
    check "row $row (ns/output byte)" "${per_byte[$row]}" "<= 3 x $fastest" "$(at_most "$relative" 3)"
done

# 4b. The typed walk's tables, per byte of output, against C bytes hex.
c_bytes_hex=${per_byte["c bytes hex"]}
for typed in "f32" "f64" "i16 --decimal"; do
    command="$(zemrik -s 1000000 -i "$typed" -l c -n 12 "'$input'") > '$output'"
    sh -c "$command"
    length=$(stat -c %s "$output")
    seconds=$(median_of "typed-$typed" "$command")
    ns=$(awk -v s="$seconds" -v n="$length" 'BEGIN { printf "%.3f", s * 1e9 / n }')
    relative=$(ratio "$ns" "$c_bytes_hex")
    figure "typed C $typed (MB/s of output)" "$(awk -v s="$seconds" -v n="$length" 'BEGIN { printf "%.0f", n / s / 1e6 }')"
    check "typed C $typed / C bytes hex, per output byte" "$relative" "<= 3" "$(at_most "$relative" 3)"
done
# A record table, 16 bytes a record with a padding field and a float. A
# build without --record says so instead.
record="id:u16,_:u16,offset:u32,scale:f32,delta:i32"
command="$(zemrik -s 1000000 --record "'$record'" -l c "'$input'") > '$output'"
if sh -c "$command" 2>/dev/null; then
    length=$(stat -c %s "$output")
    seconds=$(median_of "typed-record" "$command")
    ns=$(awk -v s="$seconds" -v n="$length" 'BEGIN { printf "%.3f", s * 1e9 / n }')
    relative=$(ratio "$ns" "$c_bytes_hex")
    figure "typed C record (MB/s of output)" "$(awk -v s="$seconds" -v n="$length" 'BEGIN { printf "%.0f", n / s / 1e6 }')"
    check "typed C record / C bytes hex, per output byte" "$relative" "<= 3" "$(at_most "$relative" 3)"
else
    figure "typed C record: this zemrik-cli has no --record" "-"
fi
figure "C bytes hex (MB/s of output)" "$(awk -v ns="$c_bytes_hex" 'BEGIN { printf "%.0f", 1e3 / ns }')"

# 5. The reversed walk against the forward Data Str walk.
big_datastr="$(zemrik -s 4000000 -i bytes -l datastr -n 12 "'$input'")"
versus "Data Str reversed 64 MiB" "$big_datastr --big-endian > '$output'" "Data Str forward 64 MiB" \
    "$big_datastr > '$output'"
check "reversed / forward Data Str" "$quotient" "<= 2" "$(at_most "$quotient" 2)"

# 6. --dump-to-file and the walks into memory, against the baseline's. Its
# result.txt lands in the current directory, so each runs in one of its own.
mkdir -p "$work/new" "$work/base"
dump="cd '$work/new' && $big_c --dump-to-file 2>/dev/null"
if [ -n "$base_cli" ]; then
    versus "C bytes hex --dump-to-file 64 MiB" "$dump" "the baseline's --dump-to-file" \
        "cd '$work/base' && ${big_c/"'$cli'"/"'$base_cli'"} --dump-to-file 2>/dev/null"
    check "--dump-to-file / the baseline's" "$quotient" "<= 1" "$(at_most "$quotient" 1)"
else
    figure "C bytes hex --dump-to-file 64 MiB (s)" "$(median_of dump "$dump")"
fi
rm -f "$work/new/result.txt" "$work/base/result.txt"

# walk_rates BENCH: "name cpu-time bytes-per-second" of every walk into
# memory, medians of 5 repetitions.
walk_rates() {
    "$1" --benchmark_filter='^render(Forward|Reversed)/' --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
        awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) column[$i] = i; next }
                 $1 ~ /_median"?$/ { name = $1; gsub(/"|_median/, "", name)
                                     print name, $column["cpu_time"], $column["bytes_per_second"] }'
}
if [ -x "$bench" ]; then
    walk_rates "$bench" >"$work/walks.new"
    figure "walk into memory, C bytes hex (GB/s of CPU)" \
        "$(awk '$1 == "renderForward/C/byte/hex" { printf "%.2f", $3 / 1e9 }' "$work/walks.new")"
    if [ -n "$base_bench" ]; then
        walk_rates "$base_bench" >"$work/walks.base"
        figure "  the baseline's (GB/s of CPU)" \
            "$(awk '$1 == "renderForward/C/byte/hex" { printf "%.2f", $3 / 1e9 }' "$work/walks.base")"
        slowest=$(awk 'NR == FNR { base[$1] = $2; next }
                       ($1 in base) { r = $2 / base[$1]; if (r > worst) { worst = r; name = $1 } }
                       END { printf "%.2f %s", worst, name }' "$work/walks.base" "$work/walks.new")
        check "walk into memory / baseline's, slowest row" "${slowest%% *}" "<= 1" "$(at_most "${slowest%% *}" 1)"
        figure "  (that row: ${slowest#* })" ""
    fi
fi

# 7. A variable's type from a large debug build, against gdb's ptype and
# pahole (bench/debuginfo.sh), where the native build's cli tests are built.
debug_build=build/native/app/cli/zemrik_cli_tests
debug_variable='zemrik::cli::(anonymous namespace)::kLanguageNames'
if [ -r "$debug_build" ] && command -v gdb >/dev/null && command -v pahole >/dev/null; then
    "$(dirname "$0")/debuginfo.sh" --runs "$runs" "$cli" "$debug_build" "$debug_variable" NamedValue >"$work/debuginfo"
    while read -r tool seconds mib; do
        [ "$tool" = verdict ] && continue
        figure "$tool, type of kLanguageNames (s)" "$seconds"
        figure "$tool, type of kLanguageNames (peak MiB)" "$mib"
    done <"$work/debuginfo"
    faster=$(awk '$1 == "verdict" { print ($2 == "ok") }' "$work/debuginfo")
    check "zemrik-cli type lookup faster than gdb, pahole" "$(awk '$1 == "zemrik-cli" { print $2 }' "$work/debuginfo")" \
        "< both" "$faster"
else
    figure "type lookup: no $debug_build (cmake --build --preset native), gdb or pahole" "-"
fi

echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
printf '%-46s %14s  %-22s %s\n' figure value target verdict
printf '%s\n' "${rows[@]}"

if [ "$missed" -ne 0 ] && [ "$report_only" -eq 0 ]; then
    exit 1
fi
exit 0
