#!/usr/bin/env python3
"""Compares the maintenance dialog as dlgtool dumped it from the running
launcher with what the user of a language must see: caption and control
texts, the control order (which is the tab order), classes, styles, tab
stops and the default button. Prints one line per difference; nothing when
the dialog is right.

Usage: dialog_check.py DUMP-FILE LANGID

Wine differs from Windows in the class names it reports ("Button" where the
template says BUTTON): classes are compared without regard to case. The
Next button is disabled while the dialog is new, so WS_DISABLED is left out
of the style comparison and checked on its own.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'resources'))
import expected_layout as want  # noqa: E402

WS_DISABLED = 0x08000000
WS_TABSTOP = 0x00010000


def main(dump_file, langid):
    block = next(b for b in want.LANGUAGES if b['langid'] == langid)
    fields, controls = {}, []
    with open(dump_file, encoding='utf-8', errors='replace') as dump:
        for line in dump.read().replace('\r', '').splitlines():
            key, _, value = line.partition('=')
            if key == 'control':
                ident, cls, style, enabled, checked, _rect, text = value.split('|', 6)
                controls.append(dict(id=int(ident), cls=cls, style=int(style, 16), enabled=enabled == '1',
                                     checked=checked == '1', text=text.replace('\\n', '\n')))
            else:
                fields[key] = value
    problems = []
    if fields.get('caption') != block['caption']:
        problems.append('caption %r' % fields.get('caption'))
    if fields.get('defid') != '2':
        problems.append('default button %s' % fields.get('defid'))
    if [c['id'] for c in controls] != [c[1] for c in want.CONTROLS]:
        problems.append('control order %s' % [c['id'] for c in controls])
        return problems
    texts = dict(next=block['next_text'], cancel=block['cancel_text'], uninstall=block['uninstall_text'],
                 add_device=block['add_device_text'])
    for (name, _ident, cls, style), got in zip(want.CONTROLS, controls):
        if got['cls'].upper() != cls:
            problems.append('%s class %s' % (name, got['cls']))
        if got['style'] & ~WS_DISABLED != style:
            problems.append('%s style %08X' % (name, got['style']))
        if name in texts and got['text'] != texts[name]:
            problems.append('%s text %r' % (name, got['text']))
        if got['checked']:
            problems.append('%s checked' % name)
        if got['enabled'] == (name == 'next'):
            problems.append('%s %s' % (name, 'enabled' if got['enabled'] else 'disabled'))
    tab_stops = [c['id'] for c in controls if c['style'] & WS_TABSTOP]
    if tab_stops != [1, 2, 1001, 1002]:
        problems.append('tab stops %s' % tab_stops)
    return problems


if __name__ == '__main__':
    for problem in main(sys.argv[1], int(sys.argv[2])):
        print(problem)
