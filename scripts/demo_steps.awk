# Turns Wine's relay trace of one launcher run into the list of steps the
# launcher took, in order. Input: the relay lines of every process of the
# run. The waiter that starts the launcher calls first; the launcher is the
# second thread to call (the programs it starts come later). Usage:
#   awk -f scripts/demo_steps.awk trace.txt
function arg(n,    s, i, v) {
  # The nth argument of the call on this line: its quoted text when it has
  # one, otherwise its hexadecimal value.
  s = $0
  sub(/^[^(]*\(/, "", s)
  sub(/\) ret=[0-9a-f]+$/, "", s)
  for (i = 1; match(s, /^[0-9a-f]+( "([^"\\]|\\.)*")?/); i++) {
    if (i == n) {
      v = substr(s, 1, RLENGTH)
      if (v ~ /"/) {
        sub(/^[0-9a-f]+ "/, "", v)
        sub(/"$/, "", v)
        gsub(/\\\\/, "\\", v)
        gsub(/\\"/, "\"", v)
      }
      return v
    }
    s = substr(s, RLENGTH + 1)
    sub(/^,/, "", s)
  }
  return ""
}
function hex(text,    i, value) {
  value = 0
  for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
  return value
}
function step(text) { printf "  %2d. %s\n", ++steps, text }
function name(path) { sub(/.*\\/, "", path); return path }

/:Call / {
  split($0, head, ":")
  tid = head[1]
  call = $2
  sub(/\(.*/, "", call)
  sub(/^[A-Za-z0-9_]+\./, "", call)
  if (!(tid in seen)) { seen[tid] = 1; if (++threads == 2) launcher = tid }
  if (tid != launcher) next
  if (call == "RegOpenKeyExA") {
    key = arg(2)
    if (key ~ /Ostrane\\(Tamsk|Varnesse)$/) step("earlier-edition key " key ": looked for")
    else if (key ~ /Enum\\USB$/ && !usbSeen++) step("device probe under HKLM\\" key)
    else if (key ~ /Enum\\DOT4PRT$/ && !dot4Seen++) step("printer function looked for under HKLM\\" key)
    else if (arg(4) == "000f003f") { settling = 1; step("install mode: open HKLM\\" key " for writing") }
    else if (settling && key !~ /Enum\\/) step("earlier installation's location looked up in HKLM\\" key)
  } else if (call == "RegCreateKeyExA") {
    step("create (or open) HKLM\\" arg(2) " for writing")
  } else if (call == "RegSetValueExA") {
    step("InstallMode written: " (settling ? "\"Software\"" : "\"Hardware\" (device found)"))
  } else if (call == "CopyFileA") {
    step("copy " arg(1) " -> " arg(2))
  } else if (call == "CMP_WaitNoPendingInstallEvents") {
    step("wait until Plug and Play has no installation pending")
  } else if (call == "FindWindowA") {
    if (!wizardSeen++) step("look for new-hardware wizard windows")
  } else if (call == "Sleep") {
    step("pause " hex(arg(1)) " ms")
  } else if (call == "FindFirstFileA") {
    step("INF purge: search " arg(1))
  } else if (call == "DeleteFileA") {
    step("delete " arg(1))
  } else if (call == "WritePrivateProfileStringA") {
    step("write [" arg(1) "] " arg(2) "=" arg(3) " into " arg(4))
  } else if (call == "CreateFileA" && arg(1) ~ /msiexec\.exe$/) {
    step("hold " arg(1) " open (access " arg(2) ", share mode " arg(3) ")")
  } else if (call == "CreateProcessA") {
    last = name(arg(1))
    step("start " arg(1) "   command line: " arg(2))
  } else if (call == "WaitForSingleObject" && arg(2) == "ffffffff") {
    step("wait, without a time limit, for " last " to end")
  } else if (call == "SetThreadPriority" && arg(2) == "00000000") {
    step("thread priority back to normal")
  } else if (call == "OpenPrinterA") {
    step("removal mode: open the printer queue \"" arg(1) "\"")
  } else if (call == "DeletePrinter" || call == "DeletePrinterDriverA") {
    step("removal mode: " call)
  } else if (call == "MessageBoxA") {
    step("message box \"" arg(3) "\": " arg(2))
  } else if (call == "DialogBoxParamA") {
    step("maintenance dialog shown")
  } else if (call == "OpenEventA" && arg(3) ~ /^HLT_/) {
    opened = 1
  } else if (call == "SetEvent" && opened) {
    step("completion event set")
    opened = 0
  }
}
END { if (!steps) print "  (no trace)" }
