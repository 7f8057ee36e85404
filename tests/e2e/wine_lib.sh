# shellcheck shell=bash
# Shared helpers for the suites that run Win32 programs under Wine.
# Source it: `source tests/e2e/wine_lib.sh`. Everything it creates lies under
# $WINE_WORK (default: the repository's build/ folder).

WINE_LIB_REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
: "${WINE_WORK:=$WINE_LIB_REPO/build}"

# Quiet Wine, no Mono/Gecko prompts, 32-bit prefixes.
wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win32
}

# Registry settings every prefix starts from: one shared virtual desktop (so
# windows of all processes meet and get drawn under Xvfb) and a CJK font in
# place of the Windows ones, so double-byte text is not drawn as boxes.
_wine_base_reg() {
  cat <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="800x600"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="WenQuanYi Micro Hei"
"MS Gothic"="WenQuanYi Micro Hei"
"Gulim"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"PMingLiU"="WenQuanYi Micro Hei"
EOF
}

# Prepares the base prefix once (build/wine/base) and prints its path. A base
# left half-built by an interrupted run has no .ready mark and is rebuilt.
# Several scripts may call this at once: the first builds, the rest wait.
wine_base_prefix() {
  wine_env
  local dir="$WINE_WORK/wine"
  local base="$dir/base"
  mkdir -p "$dir"
  (
    flock 9
    if [ ! -f "$base/.ready" ]; then
      rm -rf "$base"
      local regfile="$dir/base-settings.reg"
      _wine_base_reg >"$regfile"
      WINEPREFIX="$base" wineboot -i >/dev/null 2>&1
      mkdir -p "$base/drive_c/windows/Fonts"
      if [ -d /usr/share/wine/fonts ]; then
        cp -f /usr/share/wine/fonts/* "$base/drive_c/windows/Fonts/" 2>/dev/null
      fi
      WINEPREFIX="$base" wine regedit /S "$regfile" >/dev/null 2>&1
      # The registry reaches disk only when the server exits.
      WINEPREFIX="$base" wineserver -k >/dev/null 2>&1
      WINEPREFIX="$base" wineserver -w >/dev/null 2>&1
      if [ -f "$base/user.reg" ] && grep -q 'WenQuanYi' "$base/user.reg"; then
        touch "$base/.ready"
      else
        echo "wine_base_prefix: could not prepare $base" >&2
        exit 1
      fi
    fi
  ) 9>"$dir/base.lock" || return 1
  echo "$base"
}

# A fresh copy of the base prefix in DIR, made the current WINEPREFIX.
wine_new_prefix() {
  local target="$1"
  case "$target" in /*) ;; *) target="$PWD/$target" ;; esac
  local base
  base="$(wine_base_prefix)" || return 1
  # The previous scenario's server, if any; never a prefix of the user's own.
  case "${WINEPREFIX:-}" in
    "$WINE_WORK"/* | "$target") [ -d "$WINEPREFIX" ] && wine_stop ;;
  esac
  rm -rf "$target"
  mkdir -p "$(dirname "$target")"
  cp -a "$base" "$target" || return 1
  rm -f "$target/.ready"
  export WINEPREFIX="$target"
}

# Makes the current prefix report the given Windows release. win98fe is
# Windows 98 first edition (4.10.1998), which Wine has no name for: the
# version comes from the 9x registry values with no NT version present.
wine_pose() {
  local version="$1"
  wine_env
  case "$version" in
    win95 | win98 | winme | nt40 | win2k | winxp | win2003 | win7)
      wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
      ;;
    win98fe)
      wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
      wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion /f >/dev/null 2>&1
      wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v VersionNumber /d 4.10.1998 /f \
        >/dev/null 2>&1
      wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v SubVersionNumber /d ' ' /f \
        >/dev/null 2>&1
      ;;
    *)
      echo "wine_pose: unknown release '$version'" >&2
      return 1
      ;;
  esac
}

# Stops the current prefix's wineserver and waits until it has gone.
wine_stop() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  return 0
}

_XVFB_PID=""

# Makes sure $DISPLAY names a running X server; starts Xvfb on a free display
# number when it does not and remembers it for xvfb_stop.
xvfb_ensure() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n tries
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    local pid=$!
    for tries in $(seq 1 50); do
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$n"
        _XVFB_PID=$pid
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    # Lost a race for this number (or it never came up): try the next one.
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  echo "xvfb_ensure: no X server could be started" >&2
  return 1
}

# Stops the Xvfb that xvfb_ensure started in this shell, and nothing else.
xvfb_stop() {
  if [ -n "$_XVFB_PID" ]; then
    kill "$_XVFB_PID" 2>/dev/null
    wait "$_XVFB_PID" 2>/dev/null
    _XVFB_PID=""
  fi
  return 0
}

# The one summary line of a suite; status 0 only when nothing failed.
suite_result() {
  local name="$1" passed="$2" failed="$3"
  echo "$name: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
