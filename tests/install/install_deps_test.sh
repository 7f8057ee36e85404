#!/usr/bin/env bash
# The install step's decisions, with stand-ins for apt-get, dpkg, dpkg-query,
# id and sleep earlier in PATH: no network, nothing on the machine changed.
# Each case sets how the stand-ins answer and checks the calls they received,
# the exit status and the messages. Prints "install-deps: N passed, N failed".
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
CODENAME="$(. /etc/os-release && echo "$VERSION_CODENAME")"
INDEX='http://mirror.invalid/debian-security/dists/x-security/main/binary-i386/Packages.xz'

mkdir -p "$WORK/bin"
stand_in() { printf '#!/usr/bin/env bash\necho "%s $*" >>"$CALLS"\n%s\n' "$1" "$2" >"$WORK/bin/$1"; chmod +x "$WORK/bin/$1"; }
stand_in id 'echo 0'
stand_in sleep ':'
stand_in dpkg-query '[ "$MISSING" = 0 ] && printf "install ok installed"; :'
stand_in dpkg 'case "$1" in
  --print-foreign-architectures) [ "$I386" = 1 ] && echo i386; exit 0 ;;
  --remove-architecture) exit "${I386_IN_USE:-0}" ;;
esac'
# apt-get install: "ok", "pinned" (only with -t), "retry" (from the second
# update on), or "never".
stand_in apt-get 'case " $* " in
  *" update "*)
    echo x >>"$CALLS.updates"
    [ "$UPDATE" = ok ] && exit 0
    echo "E: Failed to fetch '"$INDEX"'  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
esac
case "$INSTALL" in
  ok) exit 0 ;;
  pinned) [[ " $* " == *" -t "* ]] && exit 0 ;;
  retry) [ "$(wc -l <"$CALLS.updates")" -ge 2 ] && exit 0 ;;
esac
echo " wine32:i386 : Depends: libssl3:i386 (= 3.0.22) but it is not going to be installed"
echo "E: Unable to correct problems, you have held broken packages."
exit 100'

passed=0
failed=0
check() {
  if eval "$2"; then passed=$((passed + 1)); else
    failed=$((failed + 1))
    echo "FAIL $1: $2"
    sed 's/^/    call: /' "$CALLS"
    sed 's/^/    said: /' "$OUT"
  fi
}
# run NAME MISSING I386 UPDATE INSTALL: runs the script as the stand-ins say.
run() {
  NAME="$1" CALLS="$WORK/$1.calls" OUT="$WORK/$1.out"
  : >"$CALLS"
  : >"$CALLS.updates"
  MISSING="$2" I386="$3" UPDATE="$4" INSTALL="$5" CALLS="$CALLS" PATH="$WORK/bin:$PATH" \
    INSTALL_DEPS_RETRIES=3 INSTALL_DEPS_RETRY_WAIT=7 bash "$ROOT/scripts/install-deps.sh" >"$OUT" 2>&1
  STATUS=$?
}
calls() { grep -c -- "$1" "$CALLS"; }
said() { grep -q -- "$1" "$OUT"; }

run all-there 0 1 ok ok
check "$NAME" '[ $STATUS -eq 0 ] && [ "$(calls "^apt-get\|^dpkg --add")" -eq 0 ]'

run pinned-resolves 1 0 index ok
check "$NAME-plain" '[ $STATUS -eq 0 ] && [ "$(calls "^apt-get install")" -eq 1 ] && [ "$(calls "^dpkg --add-architecture i386")" -eq 1 ]'
run pinned-resolves 1 0 index pinned
check "$NAME" '[ $STATUS -eq 0 ] && grep -q "^apt-get update" "$CALLS" && [ "$(calls "^apt-get install")" -eq 2 ] &&
  [ "$(calls "^apt-get install .*-t $CODENAME .*wine32:i386")" -eq 1 ] && [ "$(calls "^sleep")" -eq 0 ]'
check "$NAME-warns" 'said "warning: index not fetched, going on without it: $INDEX" && said "Installed."'
check "$NAME-never-downgrades" '! grep -q -- "--allow-downgrades\|-o APT::Default-Release\|Pin-Priority" "$CALLS"'

run mirror-catches-up 1 1 index retry
check "$NAME" '[ $STATUS -eq 0 ] && [ "$(calls "^apt-get update")" -eq 2 ] && [ "$(calls "^sleep 7")" -eq 1 ] &&
  [ "$(calls "^dpkg --add-architecture")" -eq 0 ]'

run never 1 0 index never
check "$NAME-bounded" '[ $STATUS -eq 1 ] && [ "$(calls "^apt-get update")" -eq 4 ] && [ "$(calls "^apt-get install")" -eq 8 ] &&
  [ "$(grep "^sleep" "$CALLS" | tr "\n" " ")" = "sleep 7 sleep 14 sleep 28 " ]'
check "$NAME-says-why" 'said "could not install: .*wine32:i386" && said "Depends: libssl3:i386" && said "    $INDEX" &&
  said "try again when the mirror has caught up" && ! said "Installed."'
check "$NAME-drops-i386" '[ "$(tail -n 1 "$CALLS")" = "dpkg --remove-architecture i386" ] && said "architecture added for this install was removed"'
run never-i386-kept 1 1 ok never
check "$NAME" '[ $STATUS -eq 1 ] && [ "$(calls "^dpkg --remove-architecture")" -eq 0 ] && said "install by hand"'

echo "install-deps: $passed passed, $failed failed"
[ $failed -eq 0 ]
