#!/usr/bin/env python3
"""Checks the resources of the built launcher against expected_layout.py.

Usage: check_resources.py [build/win32/Setup.exe]

One result per language (every block of its dialog template and strings 1
and 2), one for the icon, one for the bitmap and one for the inventory (no
block of the dialog or its strings under a language id the table does not
list, such as LANG_NEUTRAL, which every lookup would pick first).  Prints PASS or
FAIL with every difference, then "resources: N passed, N failed"; exits 1
when anything failed.
"""
import os
import sys

import expected_layout as want
from pe_resources import (RT_BITMAP, RT_DIALOG, RT_GROUP_ICON, RT_ICON, RT_STRING,
                          read_bitmap_info, read_dialog, read_icon_group,
                          read_resources, read_string_block)

IDD_SETUP_DIALOG, STRING_BLOCK = 102, 1  # strings 1 and 2 lie in block 1


def differ(problems, what, got, expected):
    if got != expected:
        problems.append('%s: got %r, expected %r' % (what, got, expected))


def check_language(res, block):
    """Every block stored for the language (see expected_layout.stored)."""
    problems = []
    for lang in block['stored']:
        problems += ['%#06x: %s' % (lang, p) for p in check_block(res, block, lang)]
    return problems


def check_block(res, block, lang):
    problems = []
    data = res.get((RT_DIALOG, IDD_SETUP_DIALOG, lang))
    if data is None:
        return ['no dialog %d' % IDD_SETUP_DIALOG]
    dialog = read_dialog(data)
    differ(problems, 'dialog style', hex(dialog['style']), hex(want.DIALOG_STYLE))
    differ(problems, 'dialog extended style', dialog['exstyle'], 0)
    differ(problems, 'dialog position', dialog['pos'], (0, 0))
    differ(problems, 'dialog size', dialog['size'], block['size'])
    differ(problems, 'menu and class', (dialog['menu'], dialog['cls']), ('', ''))
    differ(problems, 'font', (dialog['point'], dialog['face']), want.FONT)
    differ(problems, 'caption', dialog['caption'], block['caption'])
    differ(problems, 'number of controls', len(dialog['controls']), len(want.CONTROLS))
    for got, (role, cid, cls, style) in zip(dialog['controls'], want.CONTROLS):
        rect = want.PICTURE_RECT if role == 'picture' else block[role]
        text = want.IDB_HEADER if role == 'picture' else block.get(role + '_text', '')
        differ(problems, role + ' id', got['id'], cid)
        differ(problems, role + ' class', got['cls'], cls)
        differ(problems, role + ' style', hex(got['style']), hex(style))
        differ(problems, role + ' extended style', got['exstyle'], 0)
        differ(problems, role + ' rectangle', got['rect'], rect)
        differ(problems, role + ' text', got['text'], text)
        differ(problems, role + ' creation data', got['extra'], b'')
    data = res.get((RT_STRING, STRING_BLOCK, lang))
    if data is None:
        return problems + ['no string block %d' % STRING_BLOCK]
    strings = read_string_block(data)
    differ(problems, 'string 1', strings[1], block['string1'])
    differ(problems, 'string 2', strings[2], block['string2'])
    differ(problems, 'other strings of block 1',
           [s for i, s in enumerate(strings) if i not in (1, 2)], [''] * 14)
    return problems


def languages_of(res, rtype, name):
    return sorted(lang for (t, n, lang) in res if (t, n) == (rtype, name))


def check_icon(res):
    problems, lang = [], want.PICTURE_LANGUAGE
    differ(problems, 'icon group languages',
           languages_of(res, RT_GROUP_ICON, want.ICON_GROUP), [lang])
    data = res.get((RT_GROUP_ICON, want.ICON_GROUP, lang))
    if data is None:
        return problems
    group = read_icon_group(data)
    differ(problems, 'image sizes', [(e['width'], e['height']) for e in group], want.ICON_SIZES)
    for entry in group:
        tag = 'image %dx%d' % (entry['width'], entry['height'])
        differ(problems, tag + ' colours, planes, bits',
               (entry['colours'], entry['planes'], entry['bits']),
               (want.ICON_COLOURS, 1, want.ICON_BITS))
        differ(problems, tag + ' languages', languages_of(res, RT_ICON, entry['id']), [lang])
        image = res.get((RT_ICON, entry['id'], lang))
        if image is None:
            continue
        info = read_bitmap_info(image)
        differ(problems, tag + ' header',
               (info['width'], info['height'], info['bits'], info['compression']),
               (entry['width'], 2 * entry['height'], want.ICON_BITS, 0))
        w, h = entry['width'], entry['height']
        colour_rows = (w * want.ICON_BITS + 31) // 32 * 4 * h
        mask_rows = (w + 31) // 32 * 4 * h
        differ(problems, tag + ' byte count', (len(image), entry['size']),
               (40 + 4 * want.ICON_COLOURS + colour_rows + mask_rows,) * 2)
    return problems


def check_bitmap(res):
    problems, lang = [], want.PICTURE_LANGUAGE
    differ(problems, 'bitmap languages', languages_of(res, RT_BITMAP, want.IDB_HEADER), [lang])
    data = res.get((RT_BITMAP, want.IDB_HEADER, lang))
    if data is None:
        return problems
    info = read_bitmap_info(data)
    width, height = want.BITMAP_SIZE
    palette = info['colours_used'] or 1 << info['bits']
    differ(problems, 'header size', info['size'], 40)
    differ(problems, 'size', (info['width'], info['height']), want.BITMAP_SIZE)
    differ(problems, 'bits per pixel', info['bits'], want.BITMAP_BITS)
    differ(problems, 'compression (BI_RGB)', info['compression'], 0)
    differ(problems, 'palette entries', palette, want.BITMAP_PALETTE)
    stride = (width * want.BITMAP_BITS + 31) // 32 * 4
    differ(problems, 'byte count', len(data), 40 + 4 * palette + stride * height)
    return problems


def check_inventory(res):
    declared = sorted(lang for block in want.LANGUAGES for lang in block['stored'])
    problems = []
    differ(problems, 'dialog languages', languages_of(res, RT_DIALOG, IDD_SETUP_DIALOG), declared)
    differ(problems, 'string block languages', languages_of(res, RT_STRING, STRING_BLOCK), declared)
    return problems


def main(argv):
    path = argv[1] if len(argv) > 1 else os.path.join('build', 'win32', 'Setup.exe')
    try:
        with open(path, 'rb') as f:
            res = read_resources(f.read())
    except (OSError, ValueError) as error:
        print('FAIL reading %s: %s' % (path, error))
        print('resources: 0 passed, 1 failed')
        return 1
    checks = [('%s (%d)' % (b['name'], b['langid']), lambda b=b: check_language(res, b))
              for b in want.LANGUAGES]
    checks += [('icon %d' % want.ICON_GROUP, lambda: check_icon(res)),
               ('bitmap %d' % want.IDB_HEADER, lambda: check_bitmap(res)),
               ('languages of dialog and strings', lambda: check_inventory(res))]
    passed = failed = 0
    for name, check in checks:
        try:
            problems = check()
        except ValueError as error:
            problems = ['unreadable: %s' % error]
        if problems:
            failed += 1
            print('FAIL %s' % name)
            for problem in problems:
                print('  ' + problem)
        else:
            passed += 1
            print('PASS %s' % name)
    print('resources: %d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
