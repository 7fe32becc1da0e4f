#!/bin/sh
# Runs every fuzz harness for a while on a copy of its seed corpus and fails
# on the first crash, leak or failed check.
#   fuzz/smoke.sh BUILD_DIR [SECONDS]    (SECONDS per harness, default 30)
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [SECONDS]" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
seconds=${2:-30}
corpus_dir=$(cd "$(dirname "$0")/corpus" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zemrik-fuzz-smoke.XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM

status=0
for harness in fuzz_field_conversion fuzz_translate fuzz_walk fuzz_request_run fuzz_image fuzz_typed fuzz_debuginfo; do
    binary="$build_dir/fuzz/$harness"
    if [ ! -x "$binary" ]; then
        echo "$harness: not built in $build_dir" >&2
        status=1
        continue
    fi
    # New inputs go to the scratch copy, so the repository's corpus stays as committed.
    mkdir -p "$scratch/$harness/corpus" "$scratch/$harness/artifacts"
    cp "$corpus_dir/$harness"/* "$scratch/$harness/corpus/"
    echo "== $harness for ${seconds}s"
    if "$binary" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$scratch/$harness/artifacts/" \
        "$scratch/$harness/corpus" >"$scratch/$harness/log" 2>&1; then
        grep -E '^(stat::number_of_executed_units|Done)' "$scratch/$harness/log" || true
    else
        echo "$harness FAILED; last lines of its log:" >&2
        tail -n 40 "$scratch/$harness/log" >&2
        for artifact in "$scratch/$harness/artifacts"/*; do
            [ -e "$artifact" ] || continue
            echo "crashing input (hex): $(basename "$artifact")" >&2
            od -An -tx1 "$artifact" | head -n 20 >&2
        done
        status=1
    fi
done
exit $status
