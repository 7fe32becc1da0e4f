#!/usr/bin/env bash
# Times zemrik-cli as a whole process against xxd -i and against itself
# (every style row, the reversed walk, dump to file) and checks its peak
# memory against the buffer estimate. Prints a table of medians; exits 1
# when a target is missed, unless --report-only is given.
#
# Usage: bench/compare.sh [--report-only] [--runs N] [ZEMRIK_CLI]
#   ZEMRIK_CLI defaults to build/native/app/cli/zemrik-cli.
set -euo pipefail

report_only=0
runs=5
cli=build/native/app/cli/zemrik-cli
while [ $# -gt 0 ]; do
    case "$1" in
    --report-only) report_only=1 ;;
    --runs) runs="$2"; shift ;;
    -h | --help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) cli="$1" ;;
    esac
    shift
done
if [ "$runs" -lt 5 ]; then
    echo "compare.sh: at least 5 runs are needed for a median" >&2
    exit 64
fi

for tool in hyperfine xxd /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing" >&2; exit 69; }
done
[ -x "$cli" ] || { echo "compare.sh: no zemrik-cli at $cli" >&2; exit 66; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=$work/input.bin
output=$work/out
big_size=$((64 * 1024 * 1024))  # 0x4000000
row_size=$((16 * 1024 * 1024))  # 0x1000000: enough for per-byte rates, short enough for 24 rows
head -c "$big_size" /dev/urandom >"$input"

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

# check FIGURE VALUE TARGET PASSED(0/1)
check() {
    local verdict=ok
    if [ "$4" -ne 1 ]; then verdict=MISSED; missed=1; fi
    rows+=("$(printf '%-44s %14s  %-22s %s' "$1" "$2" "$3" "$verdict")")
}
at_most() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v <= t) }' && echo 1 || echo 0; }
at_least() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v >= t) }' && echo 1 || echo 0; }

zemrik() { echo "'$cli' -a 0 $*"; }
big_c="$(zemrik -s 4000000 -i bytes -l c -n 12 "'$input'")"

echo "zemrik-cli: $cli" >&2
echo "input: $big_size random bytes; $runs runs each; load: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

# 1. Whole process against xxd -i, both writing a file.
t_zemrik=$(median_of zemrik "$big_c > '$output'")
t_xxd=$(median_of xxd "xxd -i '$input' > '$output'")
speedup=$(ratio "$t_xxd" "$t_zemrik")
rows+=("$(printf '%-44s %14s' "zemrik-cli C bytes hex 64 MiB (s)" "$t_zemrik")")
rows+=("$(printf '%-44s %14s' "xxd -i 64 MiB (s)" "$t_xxd")")
check "xxd -i time / zemrik-cli time" "$speedup" ">= 20" "$(at_least "$speedup" 20)"

# 2. Peak memory: zemrik-cli against its own estimate, and xxd's for reference.
estimate=$((big_size / 12 * 3 + big_size * 6 + 100))
peak_zemrik=$(peak_kib "$big_c > '$output'")
peak_xxd=$(peak_kib "xxd -i '$input' > '$output'")
limit_kib=$(((estimate + 16 * 1024 * 1024) / 1024))
rows+=("$(printf '%-44s %14s' "buffer estimate (KiB)" "$((estimate / 1024))")")
rows+=("$(printf '%-44s %14s' "xxd -i peak RSS (KiB)" "$peak_xxd")")
check "zemrik-cli peak RSS (KiB)" "$peak_zemrik" "<= $limit_kib" "$(at_most "$peak_zemrik" "$limit_kib")"

# 3. Every style row, as time per byte of output.
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

# 4. The reversed walk against the forward Data Str walk.
big_datastr="$(zemrik -s 4000000 -i bytes -l datastr -n 12 "'$input'")"
t_forward=$(median_of datastr-forward "$big_datastr > '$output'")
t_reversed=$(median_of datastr-reversed "$big_datastr --big-endian > '$output'")
reversed_ratio=$(ratio "$t_reversed" "$t_forward")
rows+=("$(printf '%-44s %14s' "Data Str forward 64 MiB (s)" "$t_forward")")
rows+=("$(printf '%-44s %14s' "Data Str reversed 64 MiB (s)" "$t_reversed")")
check "reversed / forward Data Str" "$reversed_ratio" "<= 2" "$(at_most "$reversed_ratio" 2)"

# 5. --dump-to-file against standard output redirected to a file; result.txt
# lands in the current directory, so both run inside the temp dir.
t_stdout=$(cd "$work" && median_of stdout "$big_c > '$output'")
t_dump=$(cd "$work" && median_of dump "$big_c --dump-to-file 2>/dev/null")
dump_ratio=$(ratio "$t_dump" "$t_stdout")
rows+=("$(printf '%-44s %14s' "C bytes hex to stdout file (s)" "$t_stdout")")
rows+=("$(printf '%-44s %14s' "C bytes hex --dump-to-file (s)" "$t_dump")")
check "--dump-to-file / stdout" "$dump_ratio" "<= 1.5" "$(at_most "$dump_ratio" 1.5)"

printf '%-44s %14s  %-22s %s\n' figure value target verdict
printf '%s\n' "${rows[@]}"

if [ "$missed" -ne 0 ] && [ "$report_only" -eq 0 ]; then
    exit 1
fi
exit 0
