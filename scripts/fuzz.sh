#!/bin/sh
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build/fuzz and runs them.
#
#   scripts/fuzz.sh run [target...]   fuzz each target for FUZZ_SECONDS seconds
#                                     (default 180), or until FUZZ_RUNS executions
#                                     when that is set; one target at a time
#   scripts/fuzz.sh check             run each target once over its seed corpus
#
# Seeds come from fuzz/corpus/<target>/ (small files kept in the repository);
# what a run discovers goes to build/fuzz/corpus/<target>/, so later runs go on
# from there. A finding (crash, sanitizer report, failed property, timeout)
# is saved as build/fuzz/findings/<target>-crash-... and makes the script fail.
# Each run's log is build/fuzz/logs/<target>.log; the summary gives the
# executions and the coverage (libFuzzer's cov: edges, ft: features) per target.
set -eu
cd "$(dirname "$0")/.."

mode=${1:-run}
[ $# -gt 0 ] && shift
seconds=${FUZZ_SECONDS:-180}
runs=${FUZZ_RUNS:--1}
jobs=${JOBS:-$(nproc)}
build=${FUZZ_BUILD:-build/fuzz}

scripts/install-deps.sh fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKALDRIN_BUILD_TESTS=OFF -DKALDRIN_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null

targets="$*"
[ -n "$targets" ] || targets=$(cat "$build/fuzz/targets.txt")
mkdir -p "$build/findings" "$build/logs"

failed=""
for t in $targets; do
  exe="$build/fuzz/$t"
  seeds="fuzz/corpus/$t"
  log="$build/logs/$t.log"
  [ -x "$exe" ] || { echo "fuzz: no target $t" >&2; exit 2; }
  case "$mode" in
    check)
      if "$exe" -runs=0 "$seeds" >"$log" 2>&1; then
        echo "fuzz check: $t: $(ls "$seeds" | wc -l) seeds pass"
      else
        echo "fuzz check: $t FAILED on its seeds, see $log" >&2
        failed="$failed $t"
      fi
      ;;
    run)
      corpus="$build/corpus/$t"
      mkdir -p "$corpus"
      echo "fuzz: $t for ${seconds}s ..."
      if "$exe" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
           -print_final_stats=1 -artifact_prefix="$build/findings/$t-" \
           "$corpus" "$seeds" >"$log" 2>&1; then
        status=ok
      else
        status=FINDING
        failed="$failed $t"
      fi
      execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
      secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
      cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
      echo "fuzz: $t: $status, ${execs:-?} executions, ${secs:-?}s, $cov, corpus $(ls "$corpus" | wc -l) inputs"
      ;;
    *)
      echo "usage: scripts/fuzz.sh run|check [target...]" >&2
      exit 2
      ;;
  esac
done

if [ -n "$failed" ]; then
  echo "fuzz: findings in:$failed (see $build/findings/ and $build/logs/)" >&2
  exit 1
fi
