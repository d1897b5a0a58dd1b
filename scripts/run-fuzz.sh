#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for SECONDS each, with a corpus kept beside it.
# Usage: scripts/run-fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-60}
status=0
for target in "$build"/bin/*_fuzzer; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $name: $seconds s"
  if ! ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus"; then
    echo "== $name: FAILED (crash input in $artifacts)" >&2
    status=1
  fi
done
exit $status
