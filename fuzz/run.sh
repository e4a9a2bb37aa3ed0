#!/bin/sh
# Runs every fuzz target for a bounded time: sh fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# The starting corpus kept in the repository is only read; what a run finds goes to
# BUILD_DIR/fuzz/corpus/TARGET, and a failing input to BUILD_DIR/fuzz/TARGET-crash-*.
set -e
build=$1
seconds=${2:-60}
shift 2 || true
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-"main_split lite_split quote_builder numbers templates title edge host"}
# A fault stops the run with a report; leaks count as faults.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in $targets; do
  work="$build/fuzz/corpus/$t"
  mkdir -p "$work"
  start=$(date +%s)
  if "$build/fuzz/${t}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/fuzz/$t-" "$work" "$here/corpus/$t" \
      > "$build/fuzz/$t.log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz/$t.log")
    echo "fuzz $t: ok, $runs runs in $(( $(date +%s) - start )) s"
  else
    echo "fuzz $t: FAILED after $(( $(date +%s) - start )) s; log $build/fuzz/$t.log:"
    tail -40 "$build/fuzz/$t.log"
    status=1
  fi
done
exit $status
