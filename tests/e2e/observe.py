#!/usr/bin/env python3
"""What a launcher run under Wine did, as the outcome lines setup-plan
--outcome prints (setup-plan --compare holds the two against each other).

  observe.py snap PREFIX PACKAGE OUT.json [BASE]
      the registry (the prefix's system.reg and user.reg, on disk once the
      server has ended) and the files of the package folder (PACKAGE, a host
      path) and the INF folder, and directly in the system folder; with BASE (the base
      prefix) also copies of the files the scenario laid into those folders,
      and the plan's --file and --inf arguments for them on stdout
  observe.py table
      the differences of Wine's allowed for, for a failed comparison
  observe.py lines PREFIX BEFORE AFTER REPORT LAUNCHER > OBSERVED
      the outcome lines, from both states, Wine's +process trace
      (PREFIX/observed.trace), the stubs' log, the programs the waiter saw
      end (C:\e2e-watch.txt), the launcher's report line and what the user
      saw (PREFIX/observed.box)

Texts are written in the ANSI code page OBSERVE_CP (default cp1252), names
and paths in ASCII lower case, as setup-plan writes them; OBSERVE_ALLOW
names the differences of WINE_DIFFERENCES that a scenario allows for where
they change the run itself; OBSERVE_BASE names the base prefix, whose files
a scenario's prefix holds untouched are then not read again.
"""
import fcntl
import json
import os
import re
import shutil
import string
import sys
import zlib

# Where Wine knowingly differs from the Windows setup-plan poses; the
# scenarios and compared_run allow for each where its name appears.
WINE_DIFFERENCES = {
    'release-names': "Wine's win98 is 98 Second Edition (the plan's win98se); the first "
                     "edition is posed through the 9x version values (win98fe)",
    'folders': 'the Windows and system folders are C:\\windows and C:\\windows\\system32 in '
               'every pose: the plan is given them (--windows-folder, --system-folder)',
    'wine-files': "Wine's own system files (its msvcp60.dll has no version resource, it has "
                  "no mfc42.dll nor layout.inf) are not the plan's: only files a scenario lays "
                  "into the Windows folders are given to the plan",
    'no-pending-installs': 'CMP_WaitNoPendingInstallEvents returns at once: no plan is given '
                           '--pending-installs',
    'display': "Wine's display driver stamps the display class key on every start, and "
               'registers its adapter and monitor (Enum\\PCI\\VEN_0000&DEV_0000, Enum\\DISPLAY) '
               'the first time a window shows in a prefix: those keys are not compared',
    'spooler': "Wine's spooler keeps its queues and drivers in the registry, and each user's "
               'list of printers (Devices, PrinterPorts) as Windows does: the queue and driver keys '
               'are read as the printers and drivers present, and none of them is compared as keys',
    'driver-flags': "Wine's DeletePrinterDriverExA refuses every flag (error 87): the launcher "
                    'restarts the spooler a second time, retries, and the driver stays. Where a '
                    'scenario allows it, that run is read as Windows makes it: one restart, the '
                    'driver removed',
}
NOT_COMPARED = ('hklm\\system\\currentcontrolset\\control\\class\\{4d36e968-e325-11ce-bfc1-08002be10318}',
                'hklm\\system\\currentcontrolset\\control\\class\\{4d36e96e-e325-11ce-bfc1-08002be10318}',
                'hklm\\system\\currentcontrolset\\enum\\display',
                'hklm\\system\\currentcontrolset\\enum\\pci\\ven_0000&dev_0000',  # display
                'hklm\\system\\currentcontrolset\\control\\print',  # spooler
                'hkcu\\software\\microsoft\\windows nt\\currentversion\\devices',
                'hkcu\\software\\microsoft\\windows nt\\currentversion\\printerports')
PRINT = 'hklm\\system\\currentcontrolset\\control\\print\\'
FOLDERS = ('drive_c/windows/system32', 'drive_c/windows/inf')
CP = os.environ.get('OBSERVE_CP', 'cp1252')
NT = os.environ.get('OBSERVE_NT', '1') == '1'


def ansi(text):
    """Unicode text as its bytes in the ANSI code page, one character a byte."""
    return text.encode(CP, 'replace').decode('latin-1')


ASCII_LOWER = str.maketrans(string.ascii_uppercase, string.ascii_lowercase)


def low(text):
    """TEXT with its ASCII letters in lower case, the others as they are."""
    return text.translate(ASCII_LOWER)


def fold(text):
    """A registry name as setup-plan's outcome names it, in the code page:
    lower-cased as the release's registry compares names (NT in Unicode;
    the 98 family's registry is ANSI and folds only single-byte letters)."""
    def small(c):
        lower = c.lower()
        # Python lowers the Ohm and Angstrom signs (932, 949); Windows' case table keeps them.
        if c in '\u2126\u212b' or len(lower) != 1 or (not NT and len(c.encode(CP, 'replace')) + len(lower.encode(CP, 'replace')) != 2):
            return c
        return lower
    return ansi(''.join(small(c) for c in text))


def unescape(text):
    return re.sub(r'\\(x[0-9a-fA-F]{1,4}|[0-7]{1,3}|.)', lambda m: (
        chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == 'x' else chr(int(m.group(1), 8))
        if m.group(1)[0] in '01234567' else {'n': '\n', 'r': '\r', 't': '\t'}.get(m.group(1), m.group(1))), text)


def read_hive(path, root, state):
    """Wine's own registry file, into state['keys'] (every key with its
    parents, in Unicode) and state['values'] (in the code page)."""
    key, pending = None, ''
    for line in open(path, encoding='utf-8', errors='replace'):
        line = pending + line.rstrip('\n')
        if line.endswith('\\') and not line.endswith('\\\\'):
            pending = line[:-1].strip()
            continue
        pending = ''
        if line.startswith('['):
            parts = (root + '\\' + unescape(line[1:line.rindex(']')])).split('\\')
            state['keys'].update('\\'.join(parts[:i]) for i in range(2, len(parts) + 1))
            key = '\\'.join(parts)
        elif key and (line.startswith('"') or line.startswith('@')):
            m = re.match(r'(@|"(?:[^"\\]|\\.)*")=(.*)', line)
            name = '' if m.group(1) == '@' else unescape(m.group(1)[1:-1])
            state['values']['%s : %s' % (fold(key), fold(name))] = value_text(m.group(2))


def shown(show):
    """A stub's show state ("default" or the number) in setup-plan's words."""
    names = {'0': 'hidden (SW_HIDE)', '1': 'shown normally (SW_SHOWNORMAL)', '2': 'minimised (SW_SHOWMINIMIZED)',
             '4': 'shown, not activated (SW_SHOWNOACTIVATE)', '5': 'shown (SW_SHOW)', '6': 'minimised (SW_MINIMIZE)',
             '7': 'minimised, not activated (SW_SHOWMINNOACTIVE)'}
    return 'shown as the program chooses' if show == 'default' else names.get(show, 'show state %s' % show)


def visible(text):
    return ''.join('\\x%02x' % ord(c) if c < ' ' or c == '\x7f' else c for c in text)


def value_text(data):
    """A value as setup-plan writes it: "text", dword:, hex: or hex(TYPE): (of
    a text's bytes in the ANSI code page)."""
    if data.startswith('"'):
        return '"%s"' % visible(ansi(unescape(data[1:-1]).rstrip('\0')))
    if data.startswith('dword:'):
        return data
    m = re.match(r'str\(([0-9a-f]+)\):"(.*)"$', data)
    if m:
        raw = unescape(m.group(2)).encode(CP, 'replace') + b'\0'
        return 'hex(%s):%s' % (m.group(1), ','.join('%02x' % b for b in raw))
    return data.replace(' ', '')


def content(path, prefix=None):
    """A file's size and checksum. A file of PREFIX that is the base prefix's
    own, untouched (as an overlay shows it: same size, modification and
    change times; no write can keep the change time), is not read again."""
    known = base_contents().get(os.path.relpath(path, prefix)) if prefix else None
    if known and known[0] == stamp(path):
        return known[1]
    with open(path, 'rb') as f:
        data = f.read()
    return '%d bytes, crc32 %08x' % (len(data), zlib.crc32(data))


def stamp(path):
    st = os.stat(path)
    return [st.st_size, st.st_mtime_ns, st.st_ctime_ns]


def snapped(prefix, package=None):
    """(top folder, whether its subfolders count) of what a snap reads."""
    return ([(package, True)] if package else []) + [(os.path.join(prefix, f), f.endswith('inf')) for f in FOLDERS]


_BASE_CONTENTS = []


def base_contents():
    """The contents of the base prefix's (OBSERVE_BASE) files, by path, with
    their stamps; read once for every scenario and kept beside it."""
    base = os.environ.get('OBSERVE_BASE')
    if not base or _BASE_CONTENTS:
        return _BASE_CONTENTS[0] if _BASE_CONTENTS else {}
    cache, ready = base + '.contents.json', stamp(os.path.join(base, '.ready'))
    with open(base + '.contents.lock', 'w') as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        kept = json.load(open(cache)) if os.path.exists(cache) else {}
        if kept.get('ready') != ready:
            kept = {'ready': ready, 'files': {}}
            for top, deep in snapped(base):
                for folder, dirs, names in os.walk(top):
                    dirs[:] = dirs if deep else []
                    for path in (os.path.join(folder, name) for name in names):
                        kept['files'][os.path.relpath(path, base)] = [stamp(path), content(path)]
            with open(cache + '.new', 'w') as f:
                json.dump(kept, f)
            os.replace(cache + '.new', cache)
    _BASE_CONTENTS.append({path: tuple(known) for path, known in kept['files'].items()})
    return _BASE_CONTENTS[0]


def snap(prefix, package, out, base=None):
    state = {'keys': set(), 'values': {}, 'files': {}}
    read_hive(os.path.join(prefix, 'system.reg'), 'HKLM', state)
    read_hive(os.path.join(prefix, 'user.reg'), 'HKCU', state)
    drive = os.path.join(prefix, 'drive_c')
    laid = []
    for top, deep in snapped(prefix, package):
        for folder, dirs, names in os.walk(top):
            dirs[:] = dirs if deep else []
            for name in names:
                path = os.path.join(folder, name)
                text = low('c:\\' + os.path.relpath(path, drive).replace('/', '\\'))
                win = ansi(text)
                state['files'][win] = content(path, prefix)
                ours = os.path.join(base, os.path.relpath(path, prefix)) if base and top != package else None
                if ours and not (os.path.exists(ours) and content(ours, base) == state['files'][win]):  # wine-files
                    copy = os.path.join(out + '.' + os.path.basename(top), os.path.relpath(path, top))
                    os.makedirs(os.path.dirname(copy), exist_ok=True)
                    shutil.copyfile(path, copy)
                    laid += [] if deep else ['--file', '%s=%s' % (text, copy)]  # as setup-plan reads text
    if os.path.isdir(out + '.inf'):
        laid += ['--inf', out + '.inf']  # the INF folder's, whole
    state['spooler'] = sorted(spooler(state['keys']))
    state['keys'] = sorted(fold(k) for k in state['keys'])
    with open(out, 'w') as f:
        json.dump(state, f)
    print('\n'.join(laid))


def spooler(keys):
    """The printers and drivers whose keys Wine's spooler keeps (spooler)."""
    found = set()
    for key in keys:
        m = re.match(r'printers\\([^\\]+)$|environments\\[^\\]+\\drivers\\(?:version-\d\\)?([^\\]+)$',
                     key[len(PRINT):], re.I) if low(key).startswith(PRINT) else None
        if m and m.group(1):
            found.add('printer ' + ansi(m.group(1)))
        elif m and not re.match(r'version-\d+$', m.group(2), re.I):
            found.add('driver ' + ansi(m.group(2)))
    return found


def left_lines(before, after):
    """What the run left, as setup-plan's LeftLines writes it."""
    keys = {low(k) for k in after['keys'] if not low(k).startswith(NOT_COMPARED)}
    old = {low(k) for k in before['keys'] if not low(k).startswith(NOT_COMPARED)}
    values = {k: v for k, v in after['values'].items() if not k.startswith(NOT_COMPARED)}
    was = {k: v for k, v in before['values'].items() if not k.startswith(NOT_COMPARED)}
    lines = ['key %s created' % k for k in keys - old
             if not any(o.startswith(k + '\\') for o in keys) and not any(v.startswith(k + ' : ') for v in values)]
    lines += ['key %s deleted' % k for k in old - keys if k.rsplit('\\', 1)[0] in keys]
    lines += ['value %s = %s' % (k, v) for k, v in values.items() if was.get(k) != v]
    lines += ['value %s deleted' % k for k in was if k not in values and k.split(' : ')[0] in keys]
    lines += ['file %s = %s' % (p, c) for p, c in after['files'].items() if before['files'].get(p) != c]
    lines += ['file %s deleted' % p for p in before['files'] if p not in after['files']]
    now, then = set(after['spooler']), set(before['spooler'])
    lines += ['%s added' % x for x in now - then] + ['%s removed' % x for x in then - now]
    return sorted(lines, key=lambda line: line.encode('latin-1'))


def started(trace, launcher):
    """(program, command line) of each process a launcher (any copy) started,
    in order, from Wine's +pid,+process trace."""
    starts, threads, creators = [], set(), set()
    def wide(text):  # Wine's debugstr_w: \\, \", \n, \r, \t and \XXXX
        return None if text == '(null)' else ansi(re.sub(r'\\([0-9a-f]{4}|.)', lambda m: chr(int(m.group(1), 16)) if len(
            m.group(1)) == 4 else {'n': '\n', 'r': '\r', 't': '\t'}.get(m.group(1), m.group(1)), text[2:-1]))
    for line in open(trace, encoding='utf-8', errors='replace'):
        m = re.match(r'([0-9a-f]+:)?([0-9a-f]+):trace:process:CreateProcessInternalW (?:app (.*) cmdline (.*)|'
                     r'started process pid \w+ tid (\w+))$', line.rstrip())
        if not m:
            continue
        if m.group(2) in threads and m.group(3):
            starts.append((wide(m.group(3)), wide(m.group(4))))
        elif m.group(3) and low(wide(m.group(3)) or '') == low(launcher):
            creators.add(m.group(2))  # its next start is a launcher's
        elif m.group(2) in creators and m.group(5):
            threads.add(m.group(5))
            creators.discard(m.group(2))
    return starts


def seen_lines(prefix, report, launcher):
    log = os.path.join(prefix, 'drive_c', 'e2e-log.txt')
    stubs = {}  # command line -> what each of its runs noted, in the order they started
    for entry in open(log, encoding='latin-1').read().splitlines() if os.path.exists(log) else []:
        fields = entry.split('|')
        stubs.setdefault(fields[1], []).append(dict(f.split('=', 1) for f in fields[2:] if '=' in f))
    for runs in stubs.values():
        runs.sort(key=lambda seen: float(seen.get('start_us', 0)))
    watch = os.path.join(prefix, 'drive_c', 'e2e-watch.txt')  # "pid=N|parent=N|exit=N|ended_ms=N" or "...|running"
    watched = [dict(f.split('=', 1) for f in entry.split('|') if '=' in f)
               for entry in (open(watch).read().splitlines() if os.path.exists(watch) else [])]
    lines, starts = [], started(os.path.join(prefix, 'observed.trace'), ansi(launcher))
    installer = low(ansi(launcher.rsplit('\\', 1)[0] + '\\install\\setup.exe'))
    noted, starts_at = [(stubs.get(c) or [{}]).pop(0) for _, c in starts], []
    for i, (program, command) in enumerate(starts):
        seen = noted[i]
        # A stub that never noted its own end and had ended while the launcher
        # ran was ended by the launcher.
        end = ([w for w in watched if 'pid' in seen and w['pid'] == seen['pid']] or [{}])[0]
        ended = 'ended_ms' not in seen and 'ended_ms' in end
        later = [float(n['created_ms']) for n in noted[i + 1:] if 'created_ms' in n]
        # Waited for: every later program was created after it had ended. The
        # creation is noted as the launcher asks for it, however long Wine then
        # takes to load the program (a launcher busy for longer than a stub
        # runs would still read as waiting).
        ended_ms = seen.get('ended_ms', end.get('ended_ms'))
        waited = ended_ms and later and min(later) >= float(ended_ms)
        lines.append('starts %s (program %s, %s)%s' % (visible(command), program or 'none', shown(seen.get('show', '?')),
                                                            ', waited' if waited else ''))
        starts_at.append(len(lines) - 1)
        if low(program or '') == installer:
            lines.append('completion event as the installer started: %s' % seen.get('event'))
            lines.append('completion event as the installer ended: %s' % seen.get('event_at_end'))
            lines.append('msiexec.exe writable while the installer ran: %s' % seen.get('msiexec_write'))
        if ended:
            children = [w for w in watched if w['parent'] == seen['pid']]
            lines.append('stops waiting for %s after %d s' % (
                visible(command), int((float(ended_ms) - float(seen['created_ms'])) / 1000 + 0.5)))
            lines.append('ends %s%s (exit code %s)' % (visible(command), ' and what it started' if children and all(
                'ended_ms' in w for w in children) else '', end['exit']))
    box = os.path.join(prefix, 'observed.box')  # "at_us=N|LINE": what the user saw, and when
    for inserted, entry in enumerate(open(box, encoding='latin-1').read().splitlines() if os.path.exists(box) else []):
        at, line = entry.split('|', 1)
        later = [i for i, n in enumerate(noted) if float(n.get('start_us', 0)) > float(at[6:])]
        lines.insert(len(lines) if not later else starts_at[later[0]] + inserted, line)
    lines.append('completion event after the launcher: %s' % (re.findall(r'event=(\S+)', report) or ['?'])[0])
    lines.append('the launcher ends: %s' % ('yes' if 'launcher=ended' in report else 'no'))
    return lines


def as_windows(seen, left, before):
    """The run read as Windows makes it, for each difference allowed."""
    if 'driver-flags' in os.environ.get('OBSERVE_ALLOW', '').split():
        net = [i for i, line in enumerate(seen) if re.match(r'starts net (stop|start) spooler ', line)]
        if len(net) == 4 and seen[net[2]].startswith('starts net stop'):
            end = net[3] + 1
            while end < len(seen) and re.match(r'(stops waiting for|ends) net start spooler', seen[end]):
                end += 1
            del seen[net[2]:end]
            left += ['%s removed' % d for d in before['spooler'] if d.startswith('driver ')]
            # Waited for only when something starts after it.
            if not any(line.startswith('starts ') for line in seen[net[1] + 1:]):
                seen[net[1]] = re.sub(r', waited$', '', seen[net[1]])
    return seen + sorted(left, key=lambda line: line.encode('latin-1'))


if __name__ == '__main__':
    if sys.argv[1] == 'table':
        print('allowing for where Wine knowingly differs from Windows:')
        print(''.join('  %s: %s\n' % item for item in WINE_DIFFERENCES.items()), end='')
    elif sys.argv[1] == 'snap':
        snap(*sys.argv[2:6])
    else:
        prefix, before, after, report, launcher = sys.argv[2:7]
        before, after = json.load(open(before)), json.load(open(after))
        lines = as_windows(seen_lines(prefix, report, launcher), left_lines(before, after), before)
        # Written as text, as setup-plan writes its outcome: the code page's
        # bytes in UTF-8, a byte that is no character as \xNN.
        text = ''.join(line + '\n' for line in lines).encode('latin-1', 'replace').decode(CP, 'backslashreplace')
        sys.stdout.buffer.write(text.encode('utf-8'))
