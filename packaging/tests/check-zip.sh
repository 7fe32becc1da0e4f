#!/usr/bin/env bash
# Makes the .zip and checks that it holds the dialog, zemrik-cli and the README.
# Usage: check-zip.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" -G ZIP --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" || { cat "$work/cpack.log"; exit 1; }
zips=("$work"/zemrik-"$version"-*.zip)
if [ ${#zips[@]} -ne 1 ] || [ ! -f "${zips[0]}" ]; then
  echo "no single .zip in $work" >&2
  exit 1
fi
listing=$(python3 -m zipfile -l "${zips[0]}")
for name in zemrik.exe zemrik-cli.exe README.md; do
  grep -q "^$name " <<<"$listing" || { echo "missing from the .zip: $name" >&2; echo "$listing" >&2; exit 1; }
done
echo "$(basename "${zips[0]}") holds zemrik.exe, zemrik-cli.exe and README.md"
