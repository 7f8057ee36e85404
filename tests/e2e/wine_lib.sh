# shellcheck shell=bash
# Shared helpers for the suites that run Win32 programs under Wine.
# Source it: `source tests/e2e/wine_lib.sh`. Everything it creates lies under
# $WINE_WORK (default: the repository's build/ folder).

WINE_LIB_REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
: "${WINE_WORK:=$WINE_LIB_REPO/build}"

# Quiet Wine, no Mono/Gecko prompts, 32-bit prefixes. A program that crashes
# ends there: no debugger starts and writes its own keys into the registry
# a scenario compares (Wine's own driver host has been seen to crash now and
# then as a prefix starts). Wine's menu builder, which each start of a
# prefix launches in the background, never runs: whether it had written its
# key (HKCU\Software\Wine\MenuFiles) before or during a scenario's run was
# a race.
wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
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
      rm -rf "$base" "$dir"/pose-*
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

# wine_new_prefix DIR [RELEASE]: a fresh copy of the base prefix in DIR, made
# the current WINEPREFIX, posed as RELEASE when given (wine_pose). As root it
# is an overlay on the base (a few milliseconds; what Wine changes goes to
# DIR.layers, the base stays as it is), and a pose is made once per release,
# as a layer between the base and its prefixes. Where mounting is refused, a
# full copy (about 600 MB), posed on its own.
wine_new_prefix() {
  local target="$1" release="${2:-}" pose="${2:-}"
  case "$target" in /*) ;; *) target="$PWD/$target" ;; esac
  local base lower
  base="$(wine_base_prefix)" || return 1
  # The previous scenario's server, if any; never a prefix of the user's own.
  case "${WINEPREFIX:-}" in
    "$WINE_WORK"/* | "$target") [ -d "$WINEPREFIX" ] && wine_stop ;;
  esac
  wine_drop_prefix "$target"
  lower="$base"
  if [ -n "$release" ] && lower="$(_wine_pose_layer "$release")"; then
    lower="$lower:$base"
    pose=""
  fi
  mkdir -p "$target" "$target.layers/upper" "$target.layers/work"
  if ! mount -t overlay overlay -o "lowerdir=$lower,upperdir=$target.layers/upper,workdir=$target.layers/work" \
    "$target" 2>/dev/null; then
    rm -rf "$target.layers"
    cp -a --reflink=auto "$base/." "$target" || return 1
    pose="$release"
  fi
  rm -f "$target/.ready"
  export WINEPREFIX="$target"
  [ -z "$pose" ] || wine_pose "$pose"
}

# _wine_pose_layer RELEASE: prints the folder of what posing a prefix as
# RELEASE changes in it, made once (an overlay's upper layer) and kept until
# the base is made again; fails at once where overlays cannot be mounted.
# One per locale too: Wine writes the user's locale into the registry as it
# starts.
_wine_pose_layer() {
  local base layer="$WINE_WORK/wine/pose-$1-${LC_ALL:-${LANG:-C}}"
  base="$(wine_base_prefix)" || return 1
  (
    flock 9
    [ ! -f "$layer.ready" ] || exit 0
    rm -rf "$layer" "$layer.work" && mkdir -p "$layer" "$layer.work" "$layer.make" &&
      mount -t overlay overlay -o "lowerdir=$base,upperdir=$layer,workdir=$layer.work" "$layer.make" || exit 1
    export WINEPREFIX="$layer.make"
    rm -f "$WINEPREFIX/.ready" && wine_pose "$1" && wine_stop
    local made=$?
    umount "$layer.make" && rm -rf "$layer.work" "$layer.make" && [ $made -eq 0 ] && touch "$layer.ready"
  ) 9>"$layer.lock" >/dev/null 2>&1 || return 1
  echo "$layer"
}

# wine_drop_prefix DIR: removes a prefix made by wine_new_prefix (its server
# stopped first).
wine_drop_prefix() {
  if mountpoint -q "$1"; then
    umount "$1" 2>/dev/null || umount -l "$1"
  fi
  rm -rf "$1" "$1.layers"
}

# wine_keep_prefix DIR: a prefix made by wine_new_prefix (its server
# stopped) made a plain folder, to be looked into after the run.
wine_keep_prefix() {
  mountpoint -q "$1" || return 0
  rm -rf "$1.kept" && cp -a "$1" "$1.kept" && wine_drop_prefix "$1" && mv "$1.kept" "$1"
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

# Makes sure $DISPLAY names a running X server; starts Xvfb when it does not
# and remembers it for xvfb_stop. Xvfb picks a free display number itself
# and writes it once it takes connections, so runs side by side never race
# for one.
xvfb_ensure() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local number tries
  number="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  _XVFB_PID=$!
  for tries in $(seq 1 100); do
    if [ "$(wc -l <"$number")" -ge 1 ]; then
      export DISPLAY=":$(head -n 1 "$number")"
      rm -f "$number"
      return 0
    fi
    kill -0 "$_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$number"
  xvfb_stop
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

# ---- runs side by side ------------------------------------------------------

# How many jobs in_parallel runs at once: WINE_JOBS, or the cores plus one (a
# Wine job often waits on a timer or another process).
wine_jobs() {
  echo "${WINE_JOBS:-$(($(nproc) + 1))}"
}

# in_parallel DIR FUNCTION ITEM...: runs FUNCTION ITEM for every ITEM, each in
# a subshell with an X server of its own (windows, keys and clicks of one
# never meet another's), wine_jobs at a time. FUNCTION counts its checks in
# PASSED and FAILED. Each job's output is kept in DIR and printed whole, in
# the order of the items, with the time it took. Leaves the sums in PASSED
# and FAILED (a job that ended without returning counts one failure) and
# "MILLISECONDS ITEM" of every job in JOB_TIMES.
in_parallel() {
  local dir="$1" fn="$2" jobs n shown=0 pids=()
  shift 2
  local items=("$@")
  jobs="$(wine_jobs)"
  rm -rf "$dir" && mkdir -p "$dir" && mkfifo "$dir/slots" || return 1
  # A line in the pipe for every free slot; a job gives its slot back when it ends.
  exec 8<>"$dir/slots"
  for n in $(seq 1 "$jobs"); do echo >&8; done
  PASSED=0 FAILED=0 JOB_TIMES=()
  for n in "${!items[@]}"; do
    read -r -u 8
    _show_jobs
    {
      local t0=${EPOCHREALTIME/./}
      (
        exec 8>&-
        PASSED=0 FAILED=0 _XVFB_PID=""
        unset DISPLAY
        xvfb_ensure && trap xvfb_stop EXIT
        "$fn" "${items[n]}"
        echo "$PASSED $FAILED" >"$dir/$n.count"
      ) >"$dir/$n.out" 2>&1 </dev/null
      echo $(((${EPOCHREALTIME/./} - t0) / 1000)) >"$dir/$n.ms"
      echo >&8
    } &
    pids+=($!)
  done
  while [ "$shown" -lt "${#items[@]}" ]; do
    read -r -u 8
    _show_jobs
  done
  wait "${pids[@]}"
  exec 8>&-
}

# The output of the jobs that have ended, in order, up to the first still
# running (in_parallel's).
_show_jobs() {
  local passed failed ms
  while [ "$shown" -lt "${#items[@]}" ] && [ -f "$dir/$shown.ms" ]; do
    cat "$dir/$shown.out"
    passed=0 failed=1
    [ -f "$dir/$shown.count" ] && read -r passed failed <"$dir/$shown.count" ||
      echo "FAIL ${items[shown]}: ended before its end"
    ms="$(cat "$dir/$shown.ms")"
    printf '    %d.%d s\n' $((ms / 1000)) $((ms % 1000 / 100))
    PASSED=$((PASSED + passed)) FAILED=$((FAILED + failed))
    JOB_TIMES+=("$ms ${items[shown]}")
    shown=$((shown + 1))
  done
}

# The one summary line of a suite; status 0 only when nothing failed.
suite_result() {
  local name="$1" passed="$2" failed="$3"
  echo "$name: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
