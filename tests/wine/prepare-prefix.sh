#!/bin/sh
# Makes (or refreshes) the Wine prefix the Windows tests run in, and maps the
# fonts the program asks for onto an installed CJK font.
#
# Usage: prepare-prefix.sh <prefix> [--unmanaged]
#   --unmanaged: the display has no window manager (Xvfb). Wine then draws the
#   window frames itself, as Windows does, instead of waiting up to two seconds
#   on every closed window for a window manager that never answers.
set -eu
prefix=$1
unmanaged=${2:-}
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
# wineboot has been seen to leave a prefix with its registry but an empty
# system32, in which nothing runs: such a prefix is made again.
for try in 1 2 3; do
  [ -f "$prefix/drive_c/windows/system32/msiexec.exe" ] && break
  if [ "$try" -gt 1 ]; then
    echo "prepare-prefix: $prefix came out half made; making it again" >&2
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    mkdir -p "$prefix"
  fi
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
done
reg=$(mktemp)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Microsoft YaHei UI"="WenQuanYi Micro Hei"
"Consolas"="WenQuanYi Micro Hei Mono"
REG
wine regedit "$reg" >/dev/null 2>&1 || true
rm -f "$reg"
# Message boxes draw their text in Tahoma, which has no Chinese glyphs: link
# Tahoma to the CJK font so that their Chinese text shows instead of boxes.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
  /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
if [ "$unmanaged" = "--unmanaged" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
fi
wineserver -w
