#!/usr/bin/env bash
# Checks the resources built into Setup.exe (dialog in twelve languages,
# strings, icon, bitmap); prints "resources: N passed, N failed".
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
EXE="${WIN32_BUILD:-$HERE/../../build/win32}/Setup.exe"
exec python3 "$HERE/check_resources.py" "$EXE"
