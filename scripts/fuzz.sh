#!/usr/bin/env bash
# Fuzzes the winamp.ini rewrite, the paths.ini reading and the path walks
# over double-byte ANSI text, SECONDS (default 5) seconds in all, shared
# between the three targets.
#   scripts/fuzz.sh [SECONDS]
# Builds tests/fuzz with clang in build/fuzz and starts from the seeds in
# tests/fuzz/corpus, paths_corpus and dbcs_corpus (never written to); inputs it
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
mkdir -p "$build/corpus" "$build/paths_corpus" "$build/dbcs_corpus" "$build/findings"

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
# The path walks a fifth (their inputs are short and quick), the rewrite the
# larger half of the rest; each target at least a second.
third=$(( seconds / 5 > 0 ? seconds / 5 : 1 ))
rest=$(( seconds - third ))
first=$(( (rest + 1) / 2 > 0 ? (rest + 1) / 2 : 1 ))
second=$(( rest - first > 0 ? rest - first : 1 ))
fuzz ini_rewrite_fuzz "$first" corpus -dict="$root/tests/fuzz/ini.dict"
fuzz paths_ini_fuzz "$second" paths_corpus
fuzz dbcs_paths_fuzz "$third" dbcs_corpus -dict="$root/tests/fuzz/dbcs.dict"
