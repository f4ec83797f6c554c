#!/usr/bin/env bash
# Builds the optimised native tree and times the enhancer against sox on the
# same generated audio.
#   bench/effect/run.sh [MINUTES]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/bench-effect-rel
cd "$root"
command -v sox >/dev/null || "$root/scripts/setup.sh"
cmake --preset native-release -B "$build" >/dev/null
cmake --build "$build" --target effect_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/effect/effect_bench" "$work" "${1:-3}"
