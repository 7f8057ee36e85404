#!/usr/bin/env bash
# Checks of the built Setup.exe itself, read from the file with binutils:
# its size, that it carries no symbols or debugging information, its PE
# header, its imports (system DLLs only, each function on the Windows 98
# allow-list win98_imports.txt), that its code holds no instruction a
# Pentium lacks, and its version information and manifest. One PASS/FAIL
# line per check and "binary: N passed, N failed"; exit status 0 only when
# all pass.
# Env: WIN32_BUILD (default build/win32). Usage: check.sh [SETUP.EXE]
set -u
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO="$(cd "$HERE/../.." && pwd)"
WIN32_BUILD="${WIN32_BUILD:-$REPO/build/win32}"
EXE="${1:-$WIN32_BUILD/Setup.exe}"
OBJDUMP=i686-w64-mingw32-objdump
WINDRES=i686-w64-mingw32-windres
MAX_BYTES=65536
# The DLLs every release takes from its system folder, whatever lies beside
# the program (see "Imported at link time" in cmake/win32.cmake).
# user32, gdi32 and advapi32 are among them, but they are bound on first
# call instead (src/platform/delay/*.def): a road that needs none never
# loads them.
SYSTEM_DLLS="KERNEL32.dll"
DELAY_DEFS="$REPO/src/platform/delay"

PASSED=0
FAILED=0
# result NAME PROBLEM: PASS when PROBLEM is empty.
result() {
  if [ -z "$2" ]; then
    echo "PASS $1"
    PASSED=$((PASSED + 1))
  else
    echo "FAIL $1: $2"
    FAILED=$((FAILED + 1))
  fi
}

if [ ! -f "$EXE" ]; then
  echo "FAIL binary: $EXE not built"
  echo "binary: 0 passed, 1 failed"
  exit 1
fi

HEADERS="$($OBJDUMP -p "$EXE")"
SECTIONS="$($OBJDUMP -h "$EXE")"
header() { # header FIELD: the value objdump -p gives for a header field
  awk -v f="$1" '$1 == f { print $2; exit }' <<<"$HEADERS"
}

# ---- size and what is stripped ---------------------------------------------------
bytes=$(stat -c %s "$EXE")
result "size ($bytes bytes)" "$([ "$bytes" -le $MAX_BYTES ] || echo "more than $MAX_BYTES bytes")"
result "no debugging information" "$(grep -oE '\.debug_[a-z_]+' <<<"$SECTIONS" | sort -u | tr '\n' ' ')"
# Nothing in the launcher throws: unwind tables would be dead weight.
result "no unwind tables" "$(grep -oE ' \.(eh_frame|pdata|xdata|gcc_except_table)' <<<"$SECTIONS" | tr '\n' ' ')"
result "no symbol table" "$($OBJDUMP -t "$EXE" | grep -q '^no symbols$' || echo "symbols present")"

# ---- PE header ----------------------------------------------------------------------
problems=""
grep -q 'file format pei-i386' <<<"$SECTIONS" || problems+="not i386; "
[ "$(header Magic)" = 010b ] || problems+="Magic $(header Magic), not PE32; "
[ "$(header Subsystem)" = 00000002 ] || problems+="Subsystem $(header Subsystem), not GUI (2); "
for field in MajorSubsystemVersion MajorOSystemVersion; do
  [ "$(header $field)" = 4 ] || problems+="$field $(header $field), not 4; "
done
for field in MinorSubsystemVersion MinorOSystemVersion; do
  [ "$(header $field)" = 0 ] || problems+="$field $(header $field), not 0; "
done
result "PE32 i386 GUI, subsystem and OS version 4.0" "$problems"
# Data directory 9 is the TLS directory: callbacks would run before WinMain
# (and Windows 98 does not run them for a program loaded at start-up).
tls="$(awk '$1 == "Entry" && $2 == 9 { print $3 $4 }' <<<"$HEADERS")"
problems=""
[ "$tls" = 0000000000000000 ] || problems+="TLS directory $tls; "
grep -qE '^ *[0-9]+ \.tls ' <<<"$SECTIONS" && problems+=".tls section; "
result "no TLS directory or callbacks" "$problems"

# ---- imports --------------------------------------------------------------------------
# "DLL FUNCTION" per import, from objdump's import tables.
imports="$(awk '
  /DLL Name:/ { dll = $3; next }
  dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3; next }
  /^$/ { dll = "" }' <<<"$HEADERS")"
result "imports found" "$([ -n "$imports" ] || echo "no imports read from $EXE")"
problems=""
while read -r dll; do
  case " ${SYSTEM_DLLS^^} " in *" ${dll^^} "*) ;; *) problems+="$dll; " ;; esac
done < <(awk '{ print $1 }' <<<"$imports" | sort -u)
result "imports only DLLs every release takes from its system folder" "$problems"
allowed="$(grep -vE '^\s*(#|$)' "$HERE/win98_imports.txt" | awk '{ print toupper($1), $2 }')"
problems="$(awk '{ print toupper($1), $2 }' <<<"$imports" | grep -vxFf <(echo "$allowed") | tr '\n' ';')"
result "imports only functions Windows 98 first edition exports" "$problems"
# Bound on first call: each function named in the file (the stubs import by
# name), each on the allow-list, each library loaded only then.
late="$(for def in "$DELAY_DEFS"/*.def; do
  dll="$(sed -nE 's/^LIBRARY +([^ ]+)$/\1/p' "$def")"
  sed -nE "s/^([A-Za-z0-9_]+)@[0-9]+\$/${dll^^} \1/p" "$def"
done)"
problems="$(grep -vxFf <(echo "$allowed" | awk '{ print toupper($1), $2 }') <<<"$late" | tr '\n' ';')"
# Each stub kept in the code (the unstripped copy's symbols): a stub the
# linker dropped leaves its table entry 0, and the first call jumps there.
stubs="$(i686-w64-mingw32-nm "$(dirname "$EXE")/Setup.unstripped.exe" 2>/dev/null || true)"
while read -r dll name; do
  grep -qaF "$name" "$EXE" || problems+="$name not named in the file; "
  [ -z "$stubs" ] || grep -qE " T _$name@[0-9]+\$" <<<"$stubs" || problems+="no stub for $name; "
done <<<"$late"
grep -qiE 'DLL Name: (USER32|GDI32|ADVAPI32)' <<<"$HEADERS" && problems+="a late-bound library imported at link time; "
result "bound on first call: $(wc -l <<<"$late") functions of user32, gdi32 and advapi32, all Windows 98's" "$problems"

# ---- instructions ---------------------------------------------------------------------
# Every executable section, start-up code and runtime included. cmov*,
# fcomi/fucomi (Pentium Pro), MMX and SSE registers: none on a Pentium.
code_sections="$(awk '/CODE/ { print prev } { prev = $2 }' <<<"$SECTIONS" | tr '\n' ' ')"
disassembly="$($OBJDUMP -d --no-show-raw-insn "$EXE")"
result "code disassembled (${code_sections% })" \
  "$(grep -qE '^ +[0-9a-f]+:' <<<"$disassembly" || echo "no instructions in $EXE")"
later="$(grep -E $'\t''(cmov[a-z]*|f(u)?comip?)( |$)|%(x|y)?mm[0-9]' <<<"$disassembly" | head -n 5 | tr -s '\t ' ' ')"
result "only Pentium instructions" "$later"

# ---- version information and manifest ---------------------------------------------------
# windres writes a text that is not plain ASCII as L"..." with \ooo and
# \xhhhh escapes of its UTF-16 units: decoded here, so it reads as UTF-8.
resources="$($WINDRES -i "$EXE" -O rc 2>/dev/null | python3 -c '
import re, sys
def plain(match):
    text = re.sub(r"\\x([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)), match.group(1))
    return "\"" + re.sub(r"\\([0-7]{1,3})", lambda m: chr(int(m.group(1), 8)), text) + "\""
sys.stdout.write(re.sub(r"L\"((?:[^\"\\]|\\.)*)\"", plain, sys.stdin.read()))')"
# The brand the tree was configured with (cmake/branding.cmake), read back
# from its cache: BRAND_CACHE, or the cache of the build that made the file.
cache="${BRAND_CACHE:-$(dirname "$EXE")/CMakeCache.txt}"
[ -f "$cache" ] || cache="$WIN32_BUILD/CMakeCache.txt"
brand() { sed -nE "s/^$1:STRING=(.*)$/\1/p" "$cache"; }
file_version="$(brand SETUP_FILE_VERSION)"
product_version="$(brand SETUP_PRODUCT_VERSION)"
copyright="$(brand SETUP_COPYRIGHT)"
problems=""
[ -n "$file_version" ] && [ -n "$product_version" ] || problems+="no brand in $cache; "
grep -q " FILEVERSION ${file_version//./, }\$" <<<"$resources" || problems+="FILEVERSION is not $file_version; "
grep -q " PRODUCTVERSION ${product_version//./, }\$" <<<"$resources" ||
  problems+="PRODUCTVERSION is not $product_version; "
for value in "\"FileVersion\", \"$file_version\"" "\"ProductVersion\", \"$product_version\"" \
  "\"CompanyName\", \"$(brand SETUP_COMPANY)\"" "\"ProductName\", \"$(brand SETUP_PRODUCT_NAME)\"" \
  '"OriginalFilename", "Setup.exe"' '"FileDescription", "'; do
  grep -qF "VALUE $value" <<<"$resources" || problems+="no VALUE $value; "
done
if [ -n "$copyright" ]; then
  grep -qF "VALUE \"LegalCopyright\", \"$copyright\"" <<<"$resources" || problems+="LegalCopyright is not $copyright; "
else
  grep -qF 'VALUE "LegalCopyright"' <<<"$resources" && problems+="LegalCopyright though none was set; "
fi
result "version information" "$problems"

# The manifest as text: windres prints it as C strings with "" for a quote.
manifest="$(awk '/^1 24 /{ m = 1; next } m && /^END/ { m = 0 } m' <<<"$resources" |
  sed -E 's/^ *"//; s/(\\n)?"$//; s/""/"/g')"
problems=""
[ -n "$manifest" ] || problems+="no manifest (resource 1 of type 24); "
grep -q '<requestedExecutionLevel level="asInvoker"' <<<"$manifest" || problems+="not asInvoker; "
# XP before SP2 refuses trustInfo in the asm.v1 namespace; the asm.v2 form
# passes everywhere.
grep -q '<trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">' <<<"$manifest" ||
  problems+="trustInfo not in the asm.v2 namespace; "
grep -q '<dependency' <<<"$manifest" && problems+="requests another assembly; "
grep -qE 'xmlns[^>]*xmlns[^>]*>' <<<"$manifest" && problems+="an element declares two namespaces; "
grep -q "name=\"$(brand SETUP_MANIFEST_NAME)\" version=\"$file_version\"" <<<"$manifest" ||
  problems+="assembly identity is not $(brand SETUP_MANIFEST_NAME) $file_version; "
result "manifest" "$problems"

echo "binary: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
