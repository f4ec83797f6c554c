#!/usr/bin/env bash
# Fuzzes the winamp.ini rewrite and the paths.ini reading, SECONDS (default 5)
# seconds in all, shared between the two targets.
#   scripts/fuzz.sh [SECONDS]
# Builds tests/fuzz with clang in build/fuzz and starts from the seeds in
# tests/fuzz/corpus and tests/fuzz/paths_corpus (never written to); inputs it
# finds are kept in build/fuzz/ for the next run. Exits 0 when nothing was
# found and non-zero on a build failure or a finding, whose input lands in
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
mkdir -p "$build/corpus" "$build/paths_corpus" "$build/findings"

# fuzz TARGET SECONDS SEEDS [OPTION...]. -timeout: one input taking over 10 s
# counts as a hang; -rss_limit_mb bounds memory. libFuzzer exits non-zero on
# any crash, leak, hang or oracle failure.
fuzz() {
  local target=$1 time=$2 seeds=$3
  shift 3
  echo "== $target, $time s"
  "$build/$target" "$build/$seeds" "$root/tests/fuzz/$seeds" "$@" \
    -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -artifact_prefix="$build/findings/$target-" -print_final_stats=1
}
# The rewrite first, with the larger half; each target at least a second.
first=$(( (seconds + 1) / 2 ))
second=$(( seconds - first > 0 ? seconds - first : 1 ))
fuzz ini_rewrite_fuzz "$first" corpus -dict="$root/tests/fuzz/ini.dict"
fuzz paths_ini_fuzz "$second" paths_corpus
