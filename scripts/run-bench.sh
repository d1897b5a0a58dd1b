#!/usr/bin/env bash
# Runs the benchmark programs of a build and prints what they measure against their goals.
# Usage: scripts/run-bench.sh BUILD_DIR [ITERATIONS [RUNS]]
#   ITERATIONS: requests of the PostForm benchmark (default 200)
#   RUNS: whole signups of the signup benchmark (default 20)
set -euo pipefail
build=${1:?usage: run-bench.sh BUILD_DIR [ITERATIONS [RUNS]]}
iterations=${2:-200}
runs=${3:-20}
cmake --build "$build" --target bench_postform bench_signup bench_window bench_dial_cpu \
  bench_responsiveness provider signup minimal_window regtool rassim rasapi32
"$build"/bin/bench_postform "$iterations"
"$build"/bin/bench_signup "$runs"
"$build"/bin/bench_window 11
"$build"/bin/bench_dial_cpu 30
# The Win32 half runs the Windows build (make windows) in a Wine prefix of its own.
scripts/wine-prefix.sh create "$(realpath "$build")/bench-wine-prefix" >/dev/null 2>&1 || true
"$build"/bin/bench_responsiveness 10
scripts/wine-prefix.sh stop "$(realpath "$build")/bench-wine-prefix" >/dev/null 2>&1 || true
