#!/usr/bin/env bash
# Builds the optimised native tree and times the winamp.ini rewrite against a
# plain copy of the same generated file.
#   bench/ini/run.sh [MEGABYTES]   (default 50)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/bench-ini-rel
cd "$root"
cmake --preset native-release -B "$build" >/dev/null
cmake --build "$build" --target ini_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/ini/ini_bench" "$work" "${1:-50}"
