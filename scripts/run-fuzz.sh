#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for SECONDS each, one after the other, starting from
# the seed inputs kept in the repository (tests/fuzz/corpus/<target>) and a working corpus kept
# beside the build. Usage: scripts/run-fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-60}
seeds_root=$(cd "$(dirname "$0")/../tests/fuzz/corpus" && pwd)
status=0
for target in "$build"/bin/*_fuzzer; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [ -d "$seeds_root/$name" ] && seeds=("$seeds_root/$name")
  echo "== $name: $seconds s"
  if ! ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time="$seconds" -timeout=30 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "${seeds[@]}"; then
    echo "== $name: FAILED (crash input in $artifacts)" >&2
    status=1
  fi
done
exit $status
