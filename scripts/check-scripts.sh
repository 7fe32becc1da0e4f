#!/usr/bin/env bash
# Fails when a shell script of the repository has something shellcheck finds:
# every *.sh file, and every other tracked file that starts with a shell's #!.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts=()
while IFS= read -r -d '' file; do
  if [[ $file == *.sh ]] || head -n1 "$file" | grep -Eq '^#!.*[/ ](ba)?sh$'; then
    scripts+=("$file")
  fi
done < <(git ls-files -z)
shellcheck -x "${scripts[@]}"
echo "shellcheck: ${#scripts[@]} scripts clean"
