#!/usr/bin/env bash
# Installs what building and running the launcher needs on Debian 12: the
# host compiler and GoogleTest, clang with libFuzzer for the fuzz targets, the mingw-w64 cross compiler, 32-bit Wine,
# a headless X server with its tools, locales and fonts, and the signing tools. Does nothing (and
# never calls apt) when everything is already there. Runs apt as root, or
# through sudo when started by another user.
set -euo pipefail

PACKAGES=(
  cmake make g++ libgtest-dev
  clang libfuzzer-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick
  locales-all fonts-wine fonts-wqy-microhei
  osslsigncode openssl
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for package in "${PACKAGES[@]}"; do
  installed "$package" || missing+=("$package")
done
needs_i386=0
dpkg --print-foreign-architectures 2>/dev/null | grep -qx i386 || needs_i386=1

if [ ${#missing[@]} -eq 0 ] && [ $needs_i386 -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: missing ${missing[*]:-i386 architecture}; run as root or install sudo" >&2
  exit 1
fi

echo "Installing: ${missing[*]:-(i386 architecture)}"
[ $needs_i386 -eq 1 ] && "${as_root[@]}" dpkg --add-architecture i386
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
echo "Installed."
