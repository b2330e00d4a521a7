#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it. The version is pinned:
# another clang-format formats some constructs differently and would fail a clean tree.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-14
command -v "$formatter" >/dev/null || { echo "$formatter is not installed (scripts/install-deps.sh installs it)"; exit 1; }
differing=()
while IFS= read -r -d '' file; do
  if ! "$formatter" --dry-run --Werror "$file" >/dev/null 2>&1; then
    differing+=("$file")
  fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.c')
if [ ${#differing[@]} -gt 0 ]; then
  printf 'not formatted (run %s -i on them):\n' "$formatter"
  printf '  %s\n' "${differing[@]}"
  exit 1
fi
echo "every C++ file is formatted"
