#!/usr/bin/env bash
# Builds and runs every test, in the default preset and under the sanitizers.
# Usage: scripts/test.sh [preset...]   (default: default asan)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(default asan)

for preset in "${presets[@]}"; do
  echo "=== preset: $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
