#!/usr/bin/env python3
"""Checks under Wine which language block the platform's resource lookup
gives the launcher in each user language (the launcher names no language
when it loads its dialog, strings, icon and bitmap).

Usage: wine_lookup.py SETUP_EXE RES_LOOKUP_EXE   (WINEPREFIX already set)

Each case runs the res_lookup helper with the case's LANG (or, for Spanish
with the traditional sort, which no Unix locale names, with the thread's
language set by the helper) and compares the blocks picked and string 1,
which must also come through LoadStringA in the locale's code page intact.
Prints PASS/FAIL per case and "resources-wine: N passed, N failed".

Wine differs from Windows here: it takes the UI language from LC_MESSAGES
rather than from the installed Windows language, and its order of tries
(the language and sublanguage, then the primary language with
SUBLANG_NEUTRAL, then English (United States)) is one of several: Windows 9x
and NT document orders of their own, and not all of them try the primary
language with SUBLANG_NEUTRAL, for strings in particular.  That is why every
language is also stored under its exact id, which all of them try first;
the regional and fallback cases below pin what Wine does, not Windows.
"""
import os
import subprocess
import sys
import tempfile

import expected_layout as want

BY_LANGID = {block['langid']: block for block in want.LANGUAGES}
ENGLISH = BY_LANGID[1033]

# (locale, the UI language Wine derives from it, thread LANGID or None,
#  the language whose texts the user should get, the LANGID of the block
#  that should serve them, why)
CASES = [
    ('de_DE', '0407', None, BY_LANGID[1031], '0407', 'German'),
    ('en_US', '0409', None, ENGLISH, '0409', 'English (United States)'),
    ('en_US', '0409', '040a', BY_LANGID[1034], '040a', 'Spanish, traditional sort (thread language)'),
    ('fr_FR', '040c', None, BY_LANGID[1036], '040c', 'French'),
    ('it_IT', '0410', None, BY_LANGID[1040], '0410', 'Italian'),
    ('ko_KR', '0412', None, BY_LANGID[1042], '0412', 'Korean'),
    ('nl_NL', '0413', None, BY_LANGID[1043], '0413', 'Dutch'),
    ('pt_BR', '0416', None, BY_LANGID[1046], '0416', 'Portuguese (Brazil)'),
    ('ru_RU', '0419', None, BY_LANGID[1049], '0419', 'Russian'),
    ('zh_CN', '0804', None, BY_LANGID[2052], '0804', 'Chinese (Simplified)'),
    ('es_MX', '080a', None, BY_LANGID[2058], '080a', 'Spanish (Mexico)'),
    ('es_ES', '0c0a', None, BY_LANGID[3082], '0c0a', 'Spanish, modern sort'),
    # Regions without a block of their own reach their language's neutral one.
    ('de_AT', '0c07', None, BY_LANGID[1031], '0007', 'German in Austria'),
    ('fr_CA', '0c0c', None, BY_LANGID[1036], '000c', 'French in Canada'),
    ('nl_BE', '0813', None, BY_LANGID[1043], '0013', 'Dutch in Belgium'),
    ('it_CH', '0810', None, BY_LANGID[1040], '0010', 'Italian in Switzerland'),
    ('es_AR', '2c0a', None, BY_LANGID[3082], '000a', 'Spanish in Argentina'),
    # Languages without a block: Wine gives English (United States).
    ('pl_PL', '0415', None, ENGLISH, '0409', 'Polish'),
    ('pt_PT', '0816', None, ENGLISH, '0409', 'Portuguese in Portugal (the block is Brazilian)'),
    ('zh_TW', '0404', None, ENGLISH, '0409', 'Chinese, Traditional script'),
    ('ja_JP', '0411', None, ENGLISH, '0409', 'Japanese'),
]


def lookup(setup, helper, locale, thread_lang):
    env = dict(os.environ, LANG=locale + '.UTF-8', LC_ALL=locale + '.UTF-8')
    args = ['wine', helper, 'Z:' + setup.replace('/', '\\')]
    if thread_lang:
        args.append(thread_lang)
    # Output goes to a file, not a pipe: Wine's service processes inherit it
    # and outlive the helper while the server is kept running.
    with tempfile.TemporaryFile() as out:
        try:
            subprocess.run(args, env=env, stdout=out, stderr=subprocess.DEVNULL,
                           timeout=120, check=False)
        except subprocess.TimeoutExpired:
            return {'error': 'no answer within 120 s'}
        out.seek(0)
        text = out.read().decode('utf-8', 'replace')
    fields = {}
    for line in text.replace('\r', '').splitlines():
        if line.startswith('string1='):
            fields['string1'] = line[len('string1='):]
        else:
            fields.update(part.split('=', 1) for part in line.split() if '=' in part)
    return fields


def main(argv):
    setup, helper = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    passed = failed = 0
    for locale, ui, thread_lang, block, block_id, why in CASES:
        got = lookup(setup, helper, locale, thread_lang)
        expected = dict(ui=ui, dialog=block_id, strings=block_id, icon='0409', bitmap='0409',
                        ansi='same',
                        string1=block['string1'])
        wrong = ['%s: got %r, expected %r' % (key, got.get(key), value)
                 for key, value in expected.items() if got.get(key) != value]
        name = '%s%s: %s' % (locale, ' thread ' + thread_lang if thread_lang else '', why)
        if wrong:
            failed += 1
            print('FAIL ' + name)
            for line in wrong:
                print('  ' + line)
        else:
            passed += 1
            print('PASS ' + name)
    print('resources-wine: %d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
