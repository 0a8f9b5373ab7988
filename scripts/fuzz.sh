#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build, each for FUZZ_SECONDS (default 120),
# at the lowest priority, FUZZ_JOBS (default 1) of them at a time.
#   scripts/fuzz.sh [BUILD-DIR [TARGET...]]
# New inputs go to BUILD-DIR/corpus/<target> (the seed corpus in fuzz/corpus
# stays as written), crashing inputs to BUILD-DIR/crashes/<target>/, the
# output to BUILD-DIR/logs/<target>.log, and every run's execution count is
# appended to BUILD-DIR/executions.tsv.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
shift || true
seconds=${FUZZ_SECONDS:-120}
jobs=${FUZZ_JOBS:-1}
# Allocation stacks are left out of reports and the quarantine kept small:
# twice the executions, and a crashing input reproduces with full reports.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/bin/fuzz-*; do
    [ -x "$exe" ] && targets+=("${exe##*/fuzz-}")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets in $build/bin (run 'make fuzz')" >&2
  exit 2
fi

mkdir -p "$build/logs" "$build/status"
run_one() {
  local name=$1
  local exe="$build/bin/fuzz-$name"
  mkdir -p "$build/corpus/$name" "$build/crashes/$name"
  local args=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$build/crashes/$name/")
  [ -f "fuzz/dict/$name.dict" ] && args+=(-dict="fuzz/dict/$name.dict")
  local log="$build/logs/$name.log"
  nice -n 19 "$exe" "${args[@]}" "$build/corpus/$name" "fuzz/corpus/$name" >"$log" 2>&1
  local status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  printf '%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$name" "${runs:-0}" "$status" >>"$build/executions.tsv"
  local total
  total=$(awk -F'\t' -v t="$name" '$2 == t { s += $3 } END { print s + 0 }' "$build/executions.tsv")
  echo $status >"$build/status/$name"
  if [ $status -eq 0 ]; then
    printf 'fuzz %-14s %12s runs (%s in all)\n' "$name" "${runs:-?}" "$total"
  else
    printf 'fuzz %-14s FAILED after %s runs; see %s and %s\n' "$name" "${runs:-?}" "$log" "$build/crashes/$name/"
  fi
}

running=0
for name in "${targets[@]}"; do
  rm -f "$build/status/$name"
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  run_one "$name" &
  running=$((running + 1))
done
wait
failed=()
for name in "${targets[@]}"; do
  [ "$(cat "$build/status/$name" 2>/dev/null)" = 0 ] || failed+=("$name")
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz: failures in ${failed[*]}" >&2; exit 1; }
