#!/usr/bin/env bash
# Runs every benchmark program of a benchmark build.
set -euo pipefail
bench_dir=${1:-build-bench}
status=0
for b in "$bench_dir"/bench/*_bench; do
  [[ -x "$b" ]] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done
exit $status
