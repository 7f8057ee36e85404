#!/usr/bin/env bash
# Installs what building and running the launcher needs on Debian 12: the
# host compiler and GoogleTest, clang with libFuzzer for the fuzz targets, the
# mingw-w64 cross compiler, 32-bit Wine, a headless X server with its tools,
# locales and fonts, the signing tools, and Python and git (the resource,
# end-to-end and release checks). Does nothing (and never calls apt) when
# everything is already there. Runs apt as root, or through sudo when started
# by another user.
#
# A package mirror caught mid-sync is an everyday event: an index that fails
# to download is a warning, not the end. When the install then cannot be
# resolved (typically wine32:i386 wanting its amd64 libraries at a version
# only the missing index holds), it is tried once more with the release's own
# suite as the target release (priority 990: never a downgrade), then the
# update and both installs are retried a few times after a pause. What could
# not be had is said once, at the end, with a non-zero exit. An i386
# architecture this script added is taken away again when nothing was
# installed for it.
#
# INSTALL_DEPS_RETRIES (default 3) and INSTALL_DEPS_RETRY_WAIT (seconds,
# default 60, doubled each time) bound the retries.
set -uo pipefail

PACKAGES=(
  cmake make g++ libgtest-dev
  clang libfuzzer-14-dev libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick
  locales-all fonts-wine fonts-wqy-microhei
  osslsigncode openssl python3 git chromium
)
RETRIES="${INSTALL_DEPS_RETRIES:-3}"
WAIT="${INSTALL_DEPS_RETRY_WAIT:-60}"

say() { echo "install-deps: $*" >&2; }

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
  say "missing ${missing[*]:-i386 architecture}; run as root or install sudo"
  exit 1
fi
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

# The release's code name, for the target release of the second try.
CODENAME="$( (. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}"))"
LOG="$(mktemp)"
FAILED_INDEXES=""
trap 'rm -f "$LOG"' EXIT

# update: apt-get update; each index that could not be fetched is a warning
# naming it (and is kept for the final message).
update() {
  apt_get update -qq >"$LOG" 2>&1
  local status=$? failed
  failed="$(sed -nE 's/^[EW]: Failed to fetch ([^ ]+) +(.*)$/\1  (\2)/p' "$LOG")"
  if [ -n "$failed" ]; then
    FAILED_INDEXES="$failed"
    while IFS= read -r line; do say "warning: index not fetched, going on without it: $line"; done <<<"$failed"
  elif [ $status -ne 0 ]; then
    say "warning: apt-get update failed (status $status):"
    grep -E '^(E|W|Err):' "$LOG" | head -n 5 >&2
  else
    FAILED_INDEXES=""
  fi
}

# install [APT-ARGS...]: installs the missing packages; apt's complaints are
# kept in $LOG.
install() {
  apt_get install -y -qq --no-install-recommends "$@" "${missing[@]}" >"$LOG" 2>&1
}

# install_both: the plain install, then the one that takes every package from
# the release's own suite.
install_both() {
  install && return 0
  [ -n "$CODENAME" ] || return 1
  say "the install could not be resolved; trying again with packages from '$CODENAME' itself"
  install -t "$CODENAME"
}

echo "Installing: ${missing[*]:-(i386 architecture)}"
added_i386=0
if [ $needs_i386 -eq 1 ]; then
  "${as_root[@]}" dpkg --add-architecture i386 || { say "could not add the i386 architecture"; exit 1; }
  added_i386=1
fi

update
done_ok=0
if install_both; then
  done_ok=1
else
  pause="$WAIT"
  for attempt in $(seq 1 "$RETRIES"); do
    say "still failing; waiting ${pause} s for the mirror, then retrying ($attempt of $RETRIES)"
    sleep "$pause"
    pause=$((pause * 2))
    update
    if install_both; then
      done_ok=1
      break
    fi
  done
fi

if [ $done_ok -eq 1 ]; then
  echo "Installed."
  exit 0
fi

say "could not install: ${missing[*]}"
grep -E '^ .*(Depends|PreDepends):|^E: ' "$LOG" | sed 's/^/    /' >&2
if [ -n "$FAILED_INDEXES" ]; then
  say "these package indexes could not be fetched (a mirror caught mid-sync, most often):"
  sed 's/^/    /' <<<"$FAILED_INDEXES" >&2
  say "try again when the mirror has caught up, or use another mirror in /etc/apt/sources.list(.d)"
else
  say "try 'apt-get update' and the install by hand to see apt's whole answer"
fi
# Leave no i386 architecture behind that nothing was installed for (dpkg
# refuses while any i386 package is installed).
if [ $added_i386 -eq 1 ] && "${as_root[@]}" dpkg --remove-architecture i386 2>/dev/null; then
  say "the i386 architecture added for this install was removed again"
fi
exit 1
