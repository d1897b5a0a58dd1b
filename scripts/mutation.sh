#!/usr/bin/env bash
# Mutation run: applies each mutation of the table (scripts/mutations.tsv) alone, rebuilds what it
# changed, runs the tests that should notice it, puts the file back, and says which mutations the
# tests killed and which survived.
# Usage: scripts/mutation.sh [BUILD_DIR [ONLY]]
#   BUILD_DIR  the build to mutate (default build); it is left built from the unmutated sources
#   ONLY       an extended regular expression: only the rows whose text matches it
# Environment: JOBS (build jobs, default 2), MUTATIONS (the table), MUTATION_LOG (the folder of
# each row's build and test output, default BUILD_DIR/mutation-logs), MUTATION_CHECK=1 (only say
# which rows no longer apply: nothing is built or run).
set -uo pipefail

build=${1:-build}
only=${2:-}
jobs=${JOBS:-2}
table=${MUTATIONS:-scripts/mutations.tsv}
cd "$(dirname "$0")/.."
logs=${MUTATION_LOG:-$build/mutation-logs}

[ -f "$build/build.ninja" ] || { echo "mutation: $build is not configured (make build first)" >&2; exit 2; }
[ -f "$table" ] || { echo "mutation: no table $table" >&2; exit 2; }
mkdir -p "$logs"
slow='FaultMatrixTest.*Silent|ATricklingServer'

# The file being mutated and its saved copy: put back however the run ends.
mutated=""
saved=$(mktemp)
restore() {
  if [ -n "$mutated" ]; then
    cp "$saved" "$mutated"
    mutated=""
  fi
}
finish() {
  restore
  rm -f "$saved"
  # The build must not keep the last mutant's objects.
  cmake --build "$build" -j "$jobs" >"$logs/restore.log" 2>&1 ||
    echo "mutation: the rebuild of the unmutated sources failed, see $logs/restore.log" >&2
}
trap finish EXIT
trap 'echo; echo "mutation: interrupted"; exit 130' INT TERM HUP

# The table's escapes: \t a tab, \n a line break, \\ a backslash.
unescape() { perl -e '$_ = shift; s/\\(\\|n|t)/$1 eq "n" ? "\n" : $1 eq "t" ? "\t" : "\\"/ge; print' -- "$1"; }

# How often the literal text occurs in the file.
occurrences() {
  perl -e 'local $/; open my $f, "<", $ARGV[0] or die "$ARGV[0]: $!\n"; my $s = <$f>;
    my ($n, $at) = (0, 0); while (($at = index($s, $ARGV[1], $at)) >= 0) { $n++; $at += length $ARGV[1] }
    print $n' -- "$1" "$2"
}

# Replaces the one occurrence of the literal text.
apply() {
  perl -e 'local $/; my ($file, $from, $to) = @ARGV; open my $f, "<", $file or die; my $s = <$f>;
    close $f; my $at = index($s, $from); substr($s, $at, length $from) = $to;
    open $f, ">", $file or die; print $f $s; close $f or die' -- "$1" "$2" "$3"
}

check=${MUTATION_CHECK:-0}
if [ "$check" = 1 ]; then
  trap - EXIT
  rm -f "$saved"
else
  echo "Building the unmutated sources..."
fi
if [ "$check" != 1 ] && ! cmake --build "$build" -j "$jobs" >"$logs/baseline.log" 2>&1; then
  echo "mutation: the unmutated sources do not build, see $logs/baseline.log" >&2
  exit 2
fi

killed=0 survived=0 unmatched=0 unbuilt=0 row=0 tried=0
survivors=()
started=$(date +%s)
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in '' | '#'*) continue ;; esac
  row=$((row + 1))
  if [ -n "$only" ] && ! grep -qE -- "$only" <<<"$line"; then continue; fi
  IFS=$'\x1f' read -r file pattern replacement breaks selection <<<"${line//$'\t'/$'\x1f'}"
  if [ -z "${selection:-}" ]; then
    echo "[$row] BAD ROW: it needs five fields separated by tabs"
    unmatched=$((unmatched + 1))
    continue
  fi
  tried=$((tried + 1))
  from=$(unescape "$pattern")
  to=$(unescape "$replacement")
  label="[$row] $file: $breaks"
  if [ ! -f "$file" ]; then
    echo "$label"$'\n'"    NOT APPLIED: no such file"
    unmatched=$((unmatched + 1))
    continue
  fi
  count=$(occurrences "$file" "$from")
  if [ "$count" != 1 ]; then
    echo "$label"$'\n'"    NOT APPLIED: the pattern occurs $count times (it must occur once)"
    unmatched=$((unmatched + 1))
    continue
  fi
  if [ "$check" = 1 ]; then
    continue
  fi
  cp "$file" "$saved"
  mutated=$file
  apply "$file" "$from" "$to"
  log="$logs/row-$row.log"
  if ! cmake --build "$build" -j "$jobs" >"$log" 2>&1; then
    restore
    echo "$label"$'\n'"    DOES NOT BUILD: a bad mutation, fix the row (see $log)"
    unbuilt=$((unbuilt + 1))
    continue
  fi
  # The selection's own words (-R, -L, -E); the tests that wait out a real time-out (the fault
  # matrix's Silent cells, 30 s each, and the trickling terms server, 55 s) only when named.
  read -r -a args <<<"$selection"
  exclude=()
  case "$selection" in *Silent* | *Trickling* | *-E*) ;; *) exclude=(-E "$slow") ;; esac
  t0=$(date +%s)
  ctest --test-dir "$build" --stop-on-failure -j "$jobs" "${args[@]}" "${exclude[@]}" \
    >>"$log" 2>&1
  status=$?
  restore
  took=$(($(date +%s) - t0))
  ran=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#' "$log")
  if [ "$ran" = 0 ]; then
    echo "$label"$'\n'"    NO TESTS: the selection '$selection' names none"
    unmatched=$((unmatched + 1))
  elif [ "$status" != 0 ]; then
    first=$(grep -m1 -E '\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|\(Failed\)|\(Timeout\)' "$log" |
      sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: //; s/ +\.+.*$//')
    echo "$label"$'\n'"    killed by ${first:-a failed test} (${took}s)"
    killed=$((killed + 1))
  else
    echo "$label"$'\n'"    SURVIVED $ran tests (${took}s): $selection"
    survived=$((survived + 1))
    survivors+=("[$row] $file: $breaks")
  fi
done <"$table"

elapsed=$(($(date +%s) - started))
if [ "$check" = 1 ]; then
  echo "Rows: $tried, not applicable: $unmatched"
  [ "$unmatched" = 0 ]
  exit
fi
echo
echo "Mutations tried: $tried in $((elapsed / 60)) min $((elapsed % 60)) s"
echo "  killed $killed, survived $survived, not applied $unmatched, do not build $unbuilt"
for s in "${survivors[@]}"; do echo "  survivor $s"; done
if [ $((killed + survived)) -gt 0 ]; then
  rate=$((1000 * killed / (killed + survived)))
  echo "Kill rate: $((rate / 10)).$((rate % 10)) % ($killed of $((killed + survived)))"
fi
[ "$unmatched" = 0 ] && [ "$unbuilt" = 0 ]
