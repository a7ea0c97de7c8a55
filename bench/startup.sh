#!/bin/sh
# Start-up benchmark of kaldrin.exe under Wine, against a minimal Win32
# program (an empty window, or an immediate exit) built the same way and run
# under the same Wine, in one run:
#   - wall time from process start until the program's window exists;
#   - the whole process of kaldrin.exe --selftest against the minimal
#     program's immediate exit.
# Target: each ratio within 1.3. Builds in build/startup-bench; runs in an
# Xvfb server and a Wine prefix of its own.
#
# Usage: bench/startup.sh [runs]     (default 20 runs of each program)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build="$root/build/startup-bench"

"$root/scripts/install-deps.sh" build windows gui
cmake -S "$root/bench/startup" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target kaldrin minimal_window startup_launcher >/dev/null

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. "$root/tests/wine/display.sh"
start_display
"$root/tests/wine/prepare-prefix.sh" "$WINEPREFIX" --unmanaged

work="$build/work"
mkdir -p "$work"
echo "kaldrin.exe: $(stat -c %s "$build/kaldrin.exe") bytes; minimal_window.exe: $(stat -c %s "$build/minimal_window.exe") bytes"
wine "$build/startup_launcher.exe" "$(winepath -w "$build/kaldrin.exe")" \
  "$(winepath -w "$build/minimal_window.exe")" "$(winepath -w "$work")" "$runs"
