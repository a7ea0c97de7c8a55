#!/bin/sh
# Installs the Debian packages a build needs, when they are missing.
# Usage: scripts/install-deps.sh <group>...   groups: build windows gui bench fuzz coverage dist
# Non-interactive and idempotent; uses sudo only when not run as root.
set -eu

packages_for() {
  case "$1" in
    build)    echo "cmake make g++ libgtest-dev googletest python3 msitools" ;;
    windows)  echo "g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest" ;;
    gui)      echo "wine wine64 xvfb xdotool imagemagick fonts-wqy-microhei x11-utils" ;;
    bench)    echo "libbenchmark-dev libmuparser-dev hyperfine" ;;
    fuzz)     echo "clang libclang-rt-14-dev" ;;
    coverage) echo "gcovr" ;;
    dist)     echo "python3 binutils-mingw-w64-x86-64 wixl msitools faketime osslsigncode openssl softhsm2 libengine-pkcs11-openssl" ;;
    check)    echo "valgrind clang libclang-rt-14-dev" ;;
    *) echo "install-deps: unknown group $1" >&2; exit 2 ;;
  esac
}

wanted=""
for group in "$@"; do
  wanted="$wanted $(packages_for "$group")"
done

missing=""
for p in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    case " $missing " in *" $p "*) ;; *) missing="$missing $p" ;; esac
  fi
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# Recommended packages are installed too: Wine's own fonts (fonts-wine),
# fontconfig's configuration and the X rendering libraries are only
# recommendations, and without them the window's text does not render.
# shellcheck disable=SC2086
$sudo apt-get install -y -qq $missing >/dev/null
