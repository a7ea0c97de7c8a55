#!/bin/sh
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build/fuzz and runs them.
#
#   scripts/fuzz.sh run [target...]   fuzz each target for FUZZ_SECONDS seconds
#                                     (default 180), or until FUZZ_RUNS executions
#                                     when that is set; one target at a time
#   scripts/fuzz.sh check             run each target once over its seed corpus
#   scripts/fuzz.sh coverage          line coverage of each target's code by its
#                                     corpus (seeds and what runs found), measured
#                                     in build/fuzz-coverage with clang's
#                                     source-based coverage
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

# The code each target is written for, which its coverage figure counts:
# source files, each optionally narrowed to the functions whose (mangled)
# names match a pattern after a colon.
sources_of() {
  case "$1" in
    eval_expr_fuzz) echo expr/expr.cpp ;;
    format_value_fuzz) echo "core/format.cpp:format_value|is_finite|code_is|digits_shift" ;;
    calendar_fuzz) echo "core/format.cpp:days_from_civil|civil_from_days" ;;
    bounded_text_fuzz) echo core/text.cpp ;;
    utf8_fuzz) echo core/utf8.cpp ;;
    evaluate_tool_fuzz) echo core/evaluate.cpp ;;
    dispatch_report_fuzz) echo reports/*.cpp ;;
    selftest_command_line_fuzz) echo app/command_line.cpp ;;
    input_number_fuzz) echo ui/input_number.cpp ;;
    record_row_fuzz) echo records/record_log.cpp ;;
    *) echo "" ;;
  esac
}

# Sums the line and branch counts of llvm-cov's per-function report over the
# functions a pattern selects (all when none is given).
sum_functions() {
  python3 -c '
import re, sys
pattern = re.compile(sys.argv[1]) if sys.argv[1] else None
lines = missed_lines = branches = missed_branches = 0
for row in sys.stdin:
    cells = row.split()
    if len(cells) != 10 or not cells[1].isdigit():
        continue
    if pattern and not pattern.search(cells[0]):
        continue
    lines += int(cells[4]); missed_lines += int(cells[5])
    branches += int(cells[7]); missed_branches += int(cells[8])
percent = lambda total, missed: "%.1f%%" % (100.0 * (total - missed) / total) if total else "-"
print("lines %s (%d of %d), branches %s (%d of %d)" % (percent(lines, missed_lines), lines - missed_lines,
      lines, percent(branches, missed_branches), branches - missed_branches, branches))
' "$1"
}

if [ "$mode" = coverage ]; then
  covbuild="${build}-coverage"
  flags="-fprofile-instr-generate -fcoverage-mapping"
  CC=clang CXX=clang++ cmake -S . -B "$covbuild" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKALDRIN_BUILD_TESTS=OFF -DKALDRIN_BUILD_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
  cmake --build "$covbuild" -j "$jobs" >/dev/null
fi

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
    coverage)
      exe="$covbuild/fuzz/$t"
      mkdir -p "$covbuild/profiles" "$build/corpus/$t"
      rm -f "$covbuild/profiles/$t".*
      LLVM_PROFILE_FILE="$covbuild/profiles/$t.profraw" \
        "$exe" -runs=0 "$build/corpus/$t" "$seeds" >"$log" 2>&1 || failed="$failed $t"
      llvm-profdata merge -sparse "$covbuild/profiles/$t.profraw" -o "$covbuild/profiles/$t.profdata"
      files=""
      pattern=""
      for source in $(sources_of "$t"); do
        files="$files ${source%%:*}"
        case "$source" in *:*) pattern="${source#*:}" ;; esac
      done
      report="$covbuild/profiles/$t.txt"
      inputs=$(find "$build/corpus/$t" "$seeds" -type f | wc -l)
      if [ -n "$pattern" ]; then
        # shellcheck disable=SC2086
        llvm-cov report "$exe" -instr-profile="$covbuild/profiles/$t.profdata" -show-functions $files >"$report"
        figures=$(sum_functions "$pattern" <"$report")
      else
        # shellcheck disable=SC2086
        llvm-cov report "$exe" -instr-profile="$covbuild/profiles/$t.profdata" $files >"$report"
        figures=$(awk '/^TOTAL/ { printf "lines %s (%d of %d), branches %s (%d of %d)", $10, $8 - $9, $8, $13, $11 - $12, $11 }' "$report")
      fi
      echo "fuzz coverage: $t: $inputs inputs;$files${pattern:+ ($pattern)}: $figures"
      ;;
    *)
      echo "usage: scripts/fuzz.sh run|check|coverage [target...]" >&2
      exit 2
      ;;
  esac
done

if [ -n "$failed" ]; then
  echo "fuzz: findings in:$failed (see $build/findings/ and $build/logs/)" >&2
  exit 1
fi
