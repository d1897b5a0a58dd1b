#!/usr/bin/env bash
# Runs the benchmark programs of a build and prints what they measure against their goals.
# Usage: scripts/run-bench.sh BUILD_DIR [ITERATIONS]
set -euo pipefail
build=${1:?usage: run-bench.sh BUILD_DIR [ITERATIONS]}
iterations=${2:-200}
cmake --build "$build" --target bench_postform bench_window bench_dial_cpu provider signup \
  minimal_window rassim rasapi32
"$build"/bin/bench_postform "$iterations"
"$build"/bin/bench_window 11
"$build"/bin/bench_dial_cpu 30
