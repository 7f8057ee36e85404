# shellcheck shell=bash
# Removal mode purges the product's INF files from C:\windows\inf and its
# OTHER subfolder, for real under Wine. No printer is set up: with a printer
# name the system does not know the printer removal does nothing, and the
# purge runs all the same.

DEFAULT_MARKER='{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}'

# utf16 TEXT [bom]: TEXT as UTF-16 little-endian, with the byte-order mark when asked.
utf16() {
  [ "${2:-}" = bom ] && printf '\377\376'
  printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE
}

# inf_with_pnf FOLDER NAME: writes stdin to FOLDER/NAME.inf and a NAME.pnf beside it.
inf_with_pnf() {
  cat >"$1/$2.inf"
  printf 'PNF' >"$1/$2.pnf"
}

# lay_inf_folder FOLDER MARKER OTHER-MARKER: product files carrying MARKER
# and files that are not the product's.
lay_inf_folder() {
  local dir="$1" marker="$2" other="$3"
  local lower
  lower="$(printf '%s' "$marker" | tr '[:upper:]' '[:lower:]')"
  mkdir -p "$dir"
  printf '[Version]\r\n; %s\r\n' "$lower" | inf_with_pnf "$dir" b-ansi
  # "あ" has no place in code page 1252: it becomes "?" and the text after it
  # is still converted (as on Windows; Wine's conversion does the same).
  utf16 "[Version]"$'\r\n'"; あ $marker"$'\r\n' bom | inf_with_pnf "$dir" c-utf16
  printf '; %s\r\n' "$marker" | inf_with_pnf "$dir" k-readonly
  # Read-only under Wine is a file without write permission; deleting it
  # takes the attribute change first (Wine refuses DeleteFileA otherwise,
  # also as root).
  chmod a-w "$dir/k-readonly.inf" "$dir/k-readonly.pnf"
  { head -c 2100 /dev/zero | tr '\0' ';'; printf '%s\r\n' "$marker"; } | inf_with_pnf "$dir" e-late
  utf16 "; $marker"$'\r\n' | inf_with_pnf "$dir" f-utf16-nobom
  # A full-width "Ｅ", which best fit turns into "E", is no "E": the file stays.
  utf16 "; ${marker/E/Ｅ}"$'\r\n' bom | inf_with_pnf "$dir" d-utf16-look-alike
  printf '[Version]\r\n; %s\r\n' "$other" | inf_with_pnf "$dir" g-other-maker
  mkdir -p "$dir/x.inf"
  printf '; %s\r\n' "$marker" >"$dir/x.inf/inside.inf"
  : >"$dir/y-empty.inf"
}

# Removal mode over both INF folders. With `custom` the information file
# names its own marker, and a file with the default marker is another's.
# Another program holds a product file open without sharing: it stays, and
# the product files after it in the listing still go (Wine lists a folder
# sorted by name, FAT in creation order, hence the names).
scenario_inf_purge() {
  new_scenario "removal mode purges product INF files ($1, $2 marker), as planned" "$1" || { finish; return; }
  package "$WINEPREFIX/drive_c/pkg" Setup.exe
  local marker="$DEFAULT_MARKER" other='{11111111-2222-3333-4444-555555555555}'
  if [ "$2" = custom ]; then
    marker='E2E-Product-Inf-Mark'
    other="$DEFAULT_MARKER"
    printf '[UNINSTALL]\r\nINFSGUID=%s\r\n' "$marker" >>"$WINEPREFIX/drive_c/pkg/InstallInfo.ini"
  fi
  local inf="$WINEPREFIX/drive_c/windows/inf" held=""
  lay_inf_folder "$inf" "$marker" "$other"
  lay_inf_folder "$inf/OTHER" "$marker" "$other"
  printf '; %s\r\n' "$marker" | inf_with_pnf "$inf" h-held
  hold_file() {
    coproc HOLD { timeout 90 wine 'C:\e2e\holdfile.exe' 'C:\windows\inf\h-held.inf' 'C:\e2e\stop-hold' 2>/dev/null; }
    read -r -t 20 held <&"${HOLD[0]}"
    check "held by another program" "${held%$'\r'}" held
  }
  PLAN_ARGS=(--held-file 'C:\windows\inf\h-held.inf')
  BEFORE_RUN=hold_file compared_run 'C:\pkg\Setup.exe' '/aE2E No Such Printer'
  finish
}

E2E_SCENARIOS+=(
  "scenario_inf_purge winxp default"
  "scenario_inf_purge win98 custom"
)
