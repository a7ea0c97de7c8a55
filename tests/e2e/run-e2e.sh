#!/bin/sh
# Runs the end-to-end driver against kaldrin.exe under Wine, inside an Xvfb
# server of its own and a Wine prefix of its own (with the font replacements
# the window needs). Extra arguments go to the driver (e.g. --gtest_filter=...).
#
# Usage: run-e2e.sh <kaldrin_e2e.exe> <kaldrin.exe> <work folder> [driver args...]
# KALDRIN_SECOND_TOOL, when set, names the second tool's program
# (tests/second_tool) for the tests that drive it; KALDRIN_TOOLS the folder of
# the suite's programs (tools/).
# The screenshots end up in <work folder>/screenshots.
set -eu
driver=$1
program=$2
folder=$3
shift 3

for tool in Xvfb wine wineserver; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "run-e2e: $tool is missing (scripts/install-deps.sh gui installs it)" >&2
    exit 1
  fi
done

here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
export WINEPREFIX="$folder/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

. "$here/../wine/display.sh"
if ! start_display; then
  echo "run-e2e: Xvfb did not start" >&2
  exit 1
fi
"$here/../wine/prepare-prefix.sh" "$WINEPREFIX" --unmanaged

# A fresh work folder for the files of this run.
work="$folder/work"
rm -rf "$work" "$folder/screenshots"
mkdir -p "$work" "$folder/screenshots"
KALDRIN_EXE=$(winepath -w "$program")
KALDRIN_E2E_WORK=$(winepath -w "$work")
KALDRIN_E2E_SCREENSHOTS=$(winepath -w "$folder/screenshots")
export KALDRIN_EXE KALDRIN_E2E_WORK KALDRIN_E2E_SCREENSHOTS
if [ -n "${KALDRIN_SECOND_TOOL:-}" ]; then
  KALDRIN_SECOND_TOOL_EXE=$(winepath -w "$KALDRIN_SECOND_TOOL")
  export KALDRIN_SECOND_TOOL_EXE
fi
if [ -n "${KALDRIN_TOOLS:-}" ]; then
  KALDRIN_TOOLS_DIR=$(winepath -w "$KALDRIN_TOOLS")
  export KALDRIN_TOOLS_DIR
fi

# A small file system for the saves onto a full disk: a tmpfs of 256 KiB,
# mounted when this runs as root and may mount. Otherwise those tests skip.
small_disk="$folder/small-disk"
small_disk_mounted=
if [ "$(id -u)" = 0 ]; then
  mkdir -p "$small_disk"
  umount "$small_disk" 2>/dev/null || true
  if mount -t tmpfs -o size=256k,mode=0777 tmpfs "$small_disk" 2>/dev/null; then
    small_disk_mounted=1
    KALDRIN_E2E_SMALL_DISK=$(winepath -w "$small_disk")
    export KALDRIN_E2E_SMALL_DISK
  fi
fi
if [ -z "$small_disk_mounted" ]; then
  echo "run-e2e: no small file system could be mounted (needs root); the full-disk saves are skipped"
fi
finish() {
  stop_display
  if [ -n "$small_disk_mounted" ]; then umount "$small_disk" 2>/dev/null || true; fi
}
trap finish EXIT

status=0
wine "$driver" "$@" || status=$?

# Files in the ANSI code page are tested with Wine's code page set to 936, as
# on a Chinese Windows: Wine takes it from the locale of its processes.
echo "run-e2e: the saves into files in code page 936, under LC_ALL=zh_CN.UTF-8"
LC_ALL=zh_CN.UTF-8 KALDRIN_E2E_REQUIRE_ACP=936 wine "$driver" --gtest_filter='SaveRecordAnsi.*' || status=$?

# The driver saves its pictures as BMP; keep a PNG beside each.
if command -v convert >/dev/null 2>&1; then
  for picture in "$folder"/screenshots/*.bmp; do
    [ -e "$picture" ] || continue
    convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
  done
fi
exit "$status"
