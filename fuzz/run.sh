#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time on its corpus and fails on the first
# finding. Usage: fuzz/run.sh <build dir> [seconds per target]
#
# New inputs the fuzzer finds go to <build dir>/fuzz-work/<target>/corpus, findings to
# <build dir>/fuzz-work/<target>/; the corpus in the repository is only read. To keep what a
# run found, minimise it into the repository's corpus:
#   <build dir>/bin/fuzz_<target> -merge=1 fuzz/corpus/<target> <build dir>/fuzz-work/<target>/corpus
set -euo pipefail

build=${1:?usage: fuzz/run.sh <build dir> [seconds per target]}
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
targets=(receiver_se955 receiver_4507 reply param_reply wstring)

for target in "${targets[@]}"; do
  work="$build/fuzz-work/$target"
  mkdir -p "$work/corpus"
  seeds=()
  for dir in "$here/regressions/$target" "$here/corpus/$target"; do
    [ -d "$dir" ] && seeds+=("$dir")
  done
  echo "== fuzz_$target for ${seconds} s"
  # The outer limit only guards against a run that never ends; libFuzzer stops itself.
  if ! timeout $((seconds + 120)) "$build/bin/fuzz_$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/" "$work/corpus" "${seeds[@]}" 2>"$work/log"; then
    tail -n 60 "$work/log" >&2
    echo "fuzz_$target: finding; input and log in $work/" >&2
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log" || true
done
