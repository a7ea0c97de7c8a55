#!/bin/sh
# Runs every unit test program of a native build folder under valgrind
# memcheck: invalid reads and writes, uses of uninitialised values, mismatched
# frees and leaks fail the run.
#   scripts/valgrind-tests.sh <build-folder>
# The programs are the CTest tests whose command is an executable inside the
# folder (the unit test programs); other tests are not run here.
set -eu
build=${1:?usage: scripts/valgrind-tests.sh <build-folder>}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$build" && pwd)

# One line per program: its working folder, then the program and the
# arguments its test gives it, separated by tabs (none holds a tab or a line break).
programs=$(ctest --test-dir "$build" --show-only=json-v1 | python3 -c '
import json, os, sys
build = sys.argv[1]
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command") or []
    if command and command[0].startswith(build + os.sep) and os.access(command[0], os.X_OK):
        folder = next((p["value"] for p in test.get("properties", []) if p["name"] == "WORKING_DIRECTORY"),
                      os.path.dirname(command[0]))
        print("\t".join([folder] + command))
' "$build")
[ -n "$programs" ] || { echo "valgrind: no test programs in $build" >&2; exit 2; }

failed=""
tab=$(printf '\t')
while IFS="$tab" read -r folder program arguments; do
  name=$(basename "$program")
  # A GoogleTest program with no arguments of its test prints briefly; a
  # program its test gives arguments (a definition check) gets those.
  [ -n "$arguments" ] || arguments=--gtest_brief=1
  log="$build/valgrind-$name.log"
  start=$(date +%s)
  # nouserintercepts: a test program that replaces operator new and delete
  # (to count allocations) keeps its own; valgrind watches the malloc and free
  # they call.
  # shellcheck disable=SC2086  # the arguments split at tabs (IFS)
  if (cd "$folder" && IFS="$tab" && exec valgrind -q --tool=memcheck --error-exitcode=99 --leak-check=full \
       --errors-for-leak-kinds=definite,indirect --track-origins=yes \
       --soname-synonyms=somalloc=nouserintercepts \
       --suppressions="$here/valgrind.supp" \
       "$program" $arguments >"$log" 2>&1); then
    echo "valgrind: $name clean ($(($(date +%s) - start))s)"
  else
    echo "valgrind: $name FAILED, see $log" >&2
    grep -A12 -m1 -E "^==[0-9]+== " "$log" >&2 || tail -n 20 "$log" >&2
    failed="$failed $name"
  fi
done <<EOF
$programs
EOF
[ -z "$failed" ] || { echo "valgrind: errors in:$failed" >&2; exit 1; }
