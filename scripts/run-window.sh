#!/bin/sh
# Opens kaldrin.exe under Wine (make run). The program runs in a Wine prefix
# of its own, build/wine-run, where the fonts the window asks for
# ("Microsoft YaHei UI", "Consolas") are mapped onto WenQuanYi Micro Hei.
# Without a display it says so, runs the self-test instead and prints the
# report.
#
# Usage: scripts/run-window.sh [kaldrin.exe]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/windows/kaldrin.exe}
if [ ! -f "$program" ]; then
  echo "run: $program does not exist; build it with: make windows" >&2
  exit 1
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

WINEPREFIX="$root/build/wine-run"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run: preparing the Wine prefix $WINEPREFIX (the first time takes a little while)"
fi
"$root/tests/wine/prepare-prefix.sh" "$WINEPREFIX"

if [ -z "${DISPLAY:-}" ]; then
  echo "run: there is no display (DISPLAY is not set), so the window cannot open."
  echo "run: running the self-test instead: kaldrin.exe --selftest selftest.txt"
  report="$root/build/selftest.txt"
  rm -f "$report"
  code=0
  (cd "$root/build" && wine "$program" --selftest selftest.txt) || code=$?
  if [ -f "$report" ]; then
    echo "----- $report"
    cat "$report"
    echo "-----"
  fi
  case $code in
    0) echo "run: self-test exit code 0: every output formula evaluated cleanly" ;;
    2) echo "run: self-test exit code 2: an output formula failed" ;;
    3) echo "run: self-test exit code 3: the report could not be written" ;;
    *) echo "run: self-test exit code $code" ;;
  esac
  exit "$code"
fi

echo "run: opening kaldrin.exe on display $DISPLAY (close the window to end)"
code=0
wine "$program" || code=$?
echo "run: kaldrin.exe ended with exit code $code"
exit "$code"
