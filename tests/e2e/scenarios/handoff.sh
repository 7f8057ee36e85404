# shellcheck shell=bash
# The installation hand-off, each case a start state, a release and a run held
# against setup-plan's prediction (compared_run): install mode, device
# settling, purge and fix-ups, the msiexec hold on Me, side programs and the
# installer's command line, the completion event set only after the
# installer has ended. Where Wine knowingly differs from Windows,
# tests/e2e/observe.py says so, in one table. Wine has no Plug and Play
# devices: the USB and DOT4 trees are written by hand, as Windows would have
# left them.

HW_ID='VID_1E2F&PID_0A07'
CLASS_GUID='{6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}'
INF_MARKER='{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}'

# handoff_package DIR: the package with the device ids, the runtime
# libraries beside the launcher, and in the Windows folders a product INF
# (with its .pnf), a foreign INF and a stale library.
handoff_package() {
  package "$1" Setup.exe
  printf 'VID_PID=%s\r\nGUIDUNDINF=%s\r\n' "$HW_ID" "$CLASS_GUID" >>"$1/InstallInfo.ini"
  echo "runtime msvcp60 of the package" >"$1/msvcp60.dll"
  echo "runtime mfc42 of the package" >"$1/mfc42.dll"
  local win="$WINEPREFIX/drive_c/windows"
  printf '[Version]\r\n; %s\r\n' "$INF_MARKER" >"$win/inf/oem7.inf"
  echo pnf >"$win/inf/oem7.pnf"
  printf '[Version]\r\nClass=Net\r\n' >"$win/inf/oem8.inf"
  echo stale >"$win/system32/Oemk3207.dll"
}

# start_handoff NAME RELEASE: a fresh prefix posed as RELEASE with the
# package in C:\pkg.
start_handoff() {
  new_scenario "$1" "$2" || return 1
  handoff_package "$WINEPREFIX/drive_c/pkg"
}

# device_state RELEASE installed|missing: the device plugged in, as the
# release's Plug and Play leaves it, with the printer function installed
# under DOT4 with the product's class, or without it (on 98 the interfaces
# have settled: the clean-up tool runs).
device_state() {
  local enum='HKEY_LOCAL_MACHINE\Enum' usb
  case "$1" in win2k | winxp) enum='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum' ;; esac
  usb="$enum\\USB\\$HW_ID"
  [ "$1" != winme ] || usb="$usb&MI_00"
  printf '[%s]\n"Class"="USB"\n' "$usb\\5&1A2B&0&1"
  if [ "$2" = installed ]; then
    printf '\n[%s]\n"ClassGUID"="%s"\n' "$enum\\DOT4PRT\\ARVEN_PRINTER\\1&2&3" "$CLASS_GUID"
  elif [ "$1" = win98 ] || [ "$1" = win98fe ]; then
    cat <<EOF2
"ClassGUID"="{36FC9E60-C465-11CF-8056-444553540000}"

[$usb&MI_00\\6&1]
"Class"="Image"

[$usb&MI_01\\6&2]
"Class"="Printer"
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"

[$usb&MI_02\\6&3]
"Class"="Ports"
"ClassGUID"="{4D36E978-E325-11CE-BFC1-08002BE10318}"

[$enum\\DOT4PRT\\OTHER_PRINTER\\1&2&3]
"ClassGUID"="{4D36E979-E325-11CE-BFC1-08002BE10318}"
EOF2
  fi
}

# scenario_handoff RELEASE [installed|missing]: the installation road without
# the device, or with it and its printer function installed or missing. On
# XP the runtime libraries go by version: the package's older msvcp60.dll
# leaves the system's newer one as it was, its newer mfc42.dll replaces the
# system's older one.
scenario_handoff() {
  start_handoff "hand-off on $1${2:+ with the device, printer function $2}, as planned" "$1" || { finish; return; }
  if [ "$1" = winxp ] && [ -z "${2:-}" ]; then
    local old="$WIN32_BUILD/helpers/versioned_old.dll" new="$WIN32_BUILD/helpers/versioned_new.dll"
    cp "$old" "$WINEPREFIX/drive_c/pkg/msvcp60.dll" && cp "$new" "$WINEPREFIX/drive_c/windows/system32/msvcp60.dll"
    cp "$new" "$WINEPREFIX/drive_c/pkg/mfc42.dll" && cp "$old" "$WINEPREFIX/drive_c/windows/system32/mfc42.dll"
  fi
  [ -z "${2:-}" ] || device_state "$1" "$2" | start_state
  compared_run 'C:\pkg\Setup.exe'
  finish
}

# Windows Me: msiexec.exe is held while the installer runs (compared) and
# let go afterwards, which only a program started after the launcher sees.
scenario_handoff_me() {
  start_handoff "hand-off on winme, as planned; msiexec.exe writable after the launcher" winme ||
    { finish; return; }
  compared_run 'C:\pkg\Setup.exe'
  rm -f "$WINEPREFIX/drive_c/e2e-log.txt"
  E2E_STUB_DETAILS=1 w 'C:\pkg\Util\CloseDlg.exe'
  check "msiexec.exe writable after the launcher ended" "$(stub_entry 'CloseDlg.exe' msiexec_write)" yes
  finish
}

# An earlier installation's location, the package in a folder with a blank
# (C:\Program.exe must never run): a location with a trailing backslash, one
# holding a quotation mark, and no RegistryPath (the root of HKLM is no
# product key) with the device plugged in.
scenario_handoff_earlier_location() {
  new_scenario "hand-off with an earlier location ($1), package folder with a blank, as planned" winxp ||
    { finish; return; }
  local dir="$WINEPREFIX/drive_c/Program Files/E2E Pkg" key="HKEY_LOCAL_MACHINE\\$PRODUCT_KEY"
  handoff_package "$dir"
  cp "$WIN32_BUILD/helpers/side_stub.exe" "$WINEPREFIX/drive_c/Program.exe"
  case "$1" in
    backslash) printf '[%s]\n"InstalledLocation"="C:\\\\Apps\\\\E2E Printer\\\\"\n' "$key" | start_state ;;
    quote) printf '[%s]\n"InstalledLocation"="C:\\\\Apps\\" /qn \\""\n' "$key" | start_state ;;
    root)
      printf '[INSTALL_INFO]\r\nPDIENTRY=%s\r\nVID_PID=%s\r\n' "$PDIENTRY" "$HW_ID" >"$dir/InstallInfo.ini"
      start_state <<EOF2
[HKEY_LOCAL_MACHINE]
"InstalledLocation"="C:\\\\Apps"

[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\$HW_ID\\5&1A2B&0&1]
"Class"="USB"
EOF2
      ;;
  esac
  compared_run 'C:\Program Files\E2E Pkg\Setup.exe'
  finish
}

E2E_SCENARIOS+=(
  "scenario_handoff win98fe" "scenario_handoff win98fe installed" "scenario_handoff win98fe missing"
  "scenario_handoff win98" "scenario_handoff win98 installed" "scenario_handoff win98 missing"
  scenario_handoff_me "scenario_handoff winme installed" "scenario_handoff winme missing"
  "scenario_handoff win2k" "scenario_handoff win2k installed" "scenario_handoff win2k missing"
  "scenario_handoff winxp" "scenario_handoff winxp installed" "scenario_handoff winxp missing"
  "scenario_handoff_earlier_location backslash"
  "scenario_handoff_earlier_location quote"
  "scenario_handoff_earlier_location root"
)

# ---- random machines ---------------------------------------------------------
# Machines drawn at random over the dimensions the scenarios above pose one
# by one, each run under Wine and held against its plan. The suite draws
# E2E_RANDOM_COUNT of them (default 6) from the seed E2E_RANDOM_SEED
# (default: taken from the commit, so the same commit draws the same
# machines); a failure names the command that draws its machine again.

# pick NAME CHOICE...: sets NAME to one of the choices, drawn from
# RANDOM_STATE (a linear congruential generator, the same in every bash).
pick() {
  local name="$1"
  shift
  RANDOM_STATE=$(((RANDOM_STATE * 1103515245 + 12345) % 2147483648))
  printf -v "$name" '%s' "${@:$((RANDOM_STATE / 65536 % $# + 1)):1}"
}

# The user of a random machine: reads the box or cancels the dialog when the
# plan shows one.
plan_user() {
  case "$(cat "$WINEPREFIX/observed.plan")" in
    *'shows a message box'*) caution_reader ;;
    *'shows the maintenance dialog'*) dialog_user ;;
  esac
}

# scenario_random SEED INDEX: the INDEX-th machine of SEED.
scenario_random() {
  local RANDOM_STATE release folder earlier installed location device removal inf runtimes ini copy
  RANDOM_STATE=$(($(printf '%s %s' "$1" "$2" | cksum | cut -d' ' -f1) % 2147483648))
  pick release win98fe win98 winme win2k winxp win2k winxp win95 win7
  pick folder 'C:\pkg' 'C:\Program Files\E2E Pkg' 'C:\Größe Pkg' 'C:\ソフト\表' 'C:\打印机\驱动' 'C:\프린터\설치'
  pick earlier none none subkey keys-only
  pick installed none none both marker maker-key
  pick location none 'C:\Apps\E2E Printer\' 'C:\Apps' native
  pick device none installed missing
  pick removal none none queue no-queue bare
  pick inf none product foreign both
  pick runtimes none text older newer
  pick ini full full no-ids no-class-guid no-registry-path own-inf-marker
  pick copy none none none none another-copy
  # A double-byte folder, and a location in the user's own script, on a
  # machine of its code page.
  local lang=en_US.UTF-8 native='C:\Apps\Größe\'
  case "$folder" in
    *表) lang=ja_JP.UTF-8 native='C:\プログラム\表示\' ;;
    *驱动) lang=zh_CN.UTF-8 native='C:\程序\打印机\' ;;
    *설치) lang=ko_KR.UTF-8 native='C:\프로그램\프린터\' ;;
  esac
  [ "$location" != native ] || location="$native"
  new_scenario "random machine $2 of seed $1 ($release, $folder, earlier edition $earlier, installed $installed, \
location $location, device $device, removal $removal, INF $inf, runtimes $runtimes, ini $ini, $copy), as planned" \
    "$release" "$lang" || { finish; return; }
  local unix="$WINEPREFIX/drive_c/${folder#C:\\}" win="$WINEPREFIX/drive_c/windows" key="HKEY_LOCAL_MACHINE\\$PRODUCT_KEY"
  unix="${unix//\\//}"
  package "$unix" Setup.exe
  case "$ini" in
    no-ids) printf 'GUIDUNDINF=%s\r\n' "$CLASS_GUID" ;;
    no-class-guid) printf 'VID_PID=%s\r\n' "$HW_ID" ;;
    own-inf-marker) printf 'VID_PID=%s\r\nGUIDUNDINF=%s\r\n[UNINSTALL]\r\nINFSGUID=E2E-Own-Mark\r\n' "$HW_ID" "$CLASS_GUID" ;;
    *) printf 'VID_PID=%s\r\nGUIDUNDINF=%s\r\n' "$HW_ID" "$CLASS_GUID" ;;
  esac >>"$unix/InstallInfo.ini"
  [ "$ini" != no-registry-path ] || sed -i '/^RegistryPath=/d' "$unix/InstallInfo.ini"
  case "$inf" in product | both) printf '[Version]\r\n; %s\r\n' "$INF_MARKER" >"$win/inf/oem7.inf" && echo pnf >"$win/inf/oem7.pnf" ;; esac
  case "$inf" in foreign | both) printf '[Version]\r\nClass=Net\r\n' >"$win/inf/oem8.inf" ;; esac
  local old="$WIN32_BUILD/helpers/versioned_old.dll" new="$WIN32_BUILD/helpers/versioned_new.dll"
  case "$runtimes" in
    text) echo "runtime msvcp60 of the package" >"$unix/msvcp60.dll" && echo "runtime mfc42 of the package" >"$unix/mfc42.dll" ;;
    older) cp "$old" "$unix/msvcp60.dll" && cp "$new" "$win/system32/msvcp60.dll" && cp "$old" "$unix/mfc42.dll" ;;
    newer) cp "$new" "$unix/msvcp60.dll" && cp "$old" "$win/system32/msvcp60.dll" && cp "$new" "$unix/mfc42.dll" ;;
  esac
  {
    case "$earlier" in
      subkey) echo "$EARLIER_EDITION" ;;
      keys-only) printf '[HKEY_LOCAL_MACHINE\\Software\\Ostrane\\Tamsk]\n' ;;
    esac
    case "$installed" in both | marker) printf '\n[%s]\n"%sKEY"="1"\n' "$key" "$PDIENTRY" ;; esac
    case "$installed" in both | maker-key) printf '\n[HKEY_LOCAL_MACHINE\\Software\\Corvale\\%s]\n' "$PDIENTRY" ;; esac
    [ "$location" = none ] || printf '\n[%s]\n"InstalledLocation"="%s"\n' "$key" "${location//\\/\\\\}"
    [ "$device" = none ] || { echo && device_state "$release" "$device"; }
  } | start_state
  local arg=() hold=()
  case "$removal" in
    queue)
      check "queue added" "$(tool spoolctl add "$PRINTER" "$E2E_DRIVER")" added
      PLAN_ARGS=(--printer "$PRINTER=$E2E_DRIVER")
      # The net commands are stubs, which note how they were started.
      cp "$WIN32_BUILD/helpers/side_stub.exe" "$win/system32/net.exe"
      export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;net.exe=n" OBSERVE_ALLOW=driver-flags
      arg=("/a$PRINTER")
      ;;
    no-queue) arg=("/a$PRINTER") ;;
    bare) arg=(/a) ;;
  esac
  [ "$copy" = none ] || hold=(--hold "${PDIENTRY}Setup")
  RUN_USER=plan_user compared_run "${hold[@]}" "$folder\\Setup.exe" "${arg[@]}"
  [ ${#REASONS[@]} -eq 0 ] || REASONS+=("again: E2E_RANDOM_SEED=$1 E2E_RANDOM_COUNT=$(($2 + 1)) \
E2E_ONLY='scenario_random $1 $2' bash tests/e2e/run.sh")
  finish
}

E2E_RANDOM_SEED="${E2E_RANDOM_SEED:-$((16#$(git -C "$ROOT" rev-parse --short=7 HEAD 2>/dev/null || echo 1)))}"
for ((i = 0; i < ${E2E_RANDOM_COUNT:-6}; i++)); do E2E_SCENARIOS+=("scenario_random $E2E_RANDOM_SEED $i"); done
