#!/usr/bin/env bash
# Runs every fuzz target for a while from the seed corpus kept in the repo.
#   tests/fuzz/run.sh BUILD_DIR SECONDS
# New inputs go to BUILD_DIR/fuzz-corpus/<target>, never into the repo; crashes
# are written to BUILD_DIR/fuzz-crashes/ and make the run fail (turn each into a
# regression input under tests/fuzz/regressions/).
set -euo pipefail
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work="$build/fuzz-corpus/$name"
  crashes="$build/fuzz-crashes/$name"
  mkdir -p "$work" "$crashes"
  echo "== $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -close_fd_mask=3 -artifact_prefix="$crashes/" \
      "$work" "$here/corpus/${name#fuzz_}" 2>"$build/fuzz-$name.log"; then
    tail -n 40 "$build/fuzz-$name.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|cov:' "$build/fuzz-$name.log" | tail -n 2
  fi
done
exit $status
