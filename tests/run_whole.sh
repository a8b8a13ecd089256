#!/usr/bin/env bash
# Runs every test program of a build folder whole, in one process, shuffled and repeated, so that
# a case that leans on the state another case left behind fails here even though ctest gives each
# case a process of its own. Usage: tests/run_whole.sh [BUILD_DIR] [PATTERN]
set -uo pipefail
build=${1:-build}
pattern=${2:-test_*}
jobs=${JOBS:-$(( $(nproc 2>/dev/null || echo 2) * 4 ))}
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT

run_one() {
  local program=$1 log=$2
  local name
  name=$(basename "$program")
  # From the program's folder, as ctest runs it.
  if (cd "$(dirname "$program")" && timeout 900 "./$name" \
      --gtest_shuffle --gtest_repeat=3 --gtest_brief=1) \
      >"$log/$name.out" 2>&1; then
    echo "ok   $name"
  else
    echo "FAIL $name"
    # The first failure, which often explains the rest, then the end.
    local first
    first=$(grep -n -m1 -E 'Failure|ERROR|runtime error' "$log/$name.out" | cut -d: -f1)
    if [ -n "$first" ]; then
      sed -n "$(( first > 10 ? first - 10 : 1 )),$(( first + 30 ))p" "$log/$name.out"
      echo "[...]"
    fi
    tail -n 40 "$log/$name.out"
    return 1
  fi
}
export -f run_one

find "$(cd "$build" && pwd)/tests" -maxdepth 1 -type f -name "$pattern" -perm -u+x | sort |
  xargs -P "$jobs" -I{} bash -c 'run_one "$1" "$2"' _ {} "$log"
