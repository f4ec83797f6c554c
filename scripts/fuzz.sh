#!/usr/bin/env bash
# Fuzzes the winamp.ini rewrite for SECONDS (default 5) seconds.
#   scripts/fuzz.sh [SECONDS]
# Builds tests/fuzz with clang in build/fuzz and starts from the seeds in
# tests/fuzz/corpus (never written to); inputs it finds are kept in
# build/fuzz/corpus for the next run. Exits 0 when nothing was found and
# non-zero on a build failure or a finding, whose input lands in
# build/fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-5}
case $seconds in
  ''|*[!0-9]*|0) echo "usage: $0 [SECONDS]  (a whole number above 0)" >&2; exit 2 ;;
esac

build=$root/build/fuzz
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"
mkdir -p "$build/corpus" "$build/findings"

# -timeout: one input taking over 10 s counts as a hang; -rss_limit_mb
# bounds memory. libFuzzer exits non-zero on any crash, leak, hang or
# oracle failure.
exec "$build/ini_rewrite_fuzz" "$build/corpus" "$root/tests/fuzz/corpus" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
  -dict="$root/tests/fuzz/ini.dict" -artifact_prefix="$build/findings/" -print_final_stats=1
