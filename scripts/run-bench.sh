#!/usr/bin/env bash
# Runs the benchmark programs of a build and prints what they measure.
# Usage: scripts/run-bench.sh BUILD_DIR [ITERATIONS]
set -euo pipefail
build=${1:?usage: run-bench.sh BUILD_DIR [ITERATIONS]}
iterations=${2:-200}
cmake --build "$build" --target bench_postform provider
"$build"/bin/bench_postform "$iterations"
