#!/usr/bin/env python3
"""Turns option_handlers.tsv into the built-in handler table of options
35-706 (one C++ source). Run by the build (see code32/CMakeLists.txt):

    gen_handlers.py <table folder> <output .cpp>

Checks what the runner relies on and stops, naming file and line, on any
fault: ids inside 35..706 and listed once, rows ascending and complete once
the unlisted ids are filled with empty rows, every rule known, a value set
exactly where the rule reads one, and the keys: a row marked "*" must name an
item with a dictionary key in items.tsv, a row marked "-" an item without one
(the runner calls a handler only for an item without a key, so a key there
would keep the handler from ever running).
"""
import os
import sys

FIRST, LAST = 35, 706
HANDLERS = 185  # rows with a handler; the others are empty

# rule -> (C++ handler, whether the row carries a value set)
RULES = {
    'force': ('OptHandlerForce', False),
    'machine-id': ('OptHandlerMachineId', False),
    'set': ('OptHandlerInSet', True),
    'any': ('OptHandlerAny', False),
    'preset': ('OptHandlerPreset', False),
    'resolution': ('OptHandlerResolution', False),
    'output-paper': ('OptHandlerOutputPaper', False),
    'poster-tab': ('OptHandlerPosterTab', False),
    'margin': ('OptHandlerMargin', False),
    'none': ('OptHandlerKeep', False),
    'keep': ('OptHandlerKeep', False),
    'input-tray': ('OptHandlerInputTray', False),
    'tray-paper': ('OptHandlerTrayPaper', False),
    'media-type': ('OptHandlerMediaType', False),
    'language': ('OptHandlerLanguage', False),
    'display-language': ('OptHandlerDspLanguage', False),
    'display-unit': ('OptHandlerDspUnit', False),
    'print-area': ('OptHandlerPrintArea', False),
    'option-441': ('OptHandlerOption441', False),
}


def fail(msg):
    sys.stderr.write('gen_handlers: ' + msg + '\n')
    sys.exit(1)


def num(s, where):
    try:
        return int(s, 0)
    except ValueError:
        fail('%s: not a number: %r' % (where, s))


def lines(path, ncols):
    with open(path, encoding='utf-8') as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            cols = line.split('\t')
            if len(cols) != ncols:
                fail('%s:%d: %d columns, expected %d' % (os.path.basename(path), n, len(cols), ncols))
            yield n, cols


def span(text, where):
    """'a..b' or 'a' as (a, b)."""
    lo, sep, hi = text.partition('..')
    a = num(lo, where)
    b = num(hi, where) if sep else a
    if b < a:
        fail(where + ': run %r ends before it starts' % text)
    return a, b


def value_set(text, where):
    spans = [span(t, where) for t in text.split(',')]
    for a, b in spans:
        if a < -0x80000000 or b > 0x7FFFFFFF:
            fail(where + ': values must be signed 32-bit')
    return spans


def item_keys(folder):
    keys = {}
    for n, c in lines(os.path.join(folder, 'items.tsv'), 16):
        keys[num(c[0], 'items.tsv:%d' % n)] = num(c[1], 'items.tsv:%d' % n)
    return keys


def main():
    if len(sys.argv) != 3:
        fail('usage: gen_handlers.py <table folder> <output .cpp>')
    folder, outpath = sys.argv[1], sys.argv[2]
    keys = item_keys(folder)
    rows = {}
    sets = []
    for n, c in lines(os.path.join(folder, 'option_handlers.tsv'), 5):
        where = 'option_handlers.tsv:%d' % n
        first, last = span(c[0], where)
        star, rule, param, accepts = c[1], c[2], num(c[3], where), c[4]
        if first < FIRST or last > LAST:
            fail(where + ': ids must lie in %d..%d' % (FIRST, LAST))
        if star not in ('*', '-'):
            fail(where + ': key column must be * or -')
        if rule not in RULES:
            fail(where + ': unknown rule ' + rule)
        fn, takes_set = RULES[rule]
        if takes_set != (accepts != '-'):
            fail(where + ': rule %s %s a value set' % (rule, 'needs' if takes_set else 'takes no'))
        if not (0 <= param <= 0xFFFFFFFF):
            fail(where + ': parameter must be unsigned 32-bit')
        set_index = None
        if takes_set:
            spans = value_set(accepts, where)
            if spans not in sets:
                sets.append(spans)
            set_index = sets.index(spans)
        for iid in range(first, last + 1):
            if iid in rows:
                fail(where + ': id %d listed twice (first on line %d)' % (iid, rows[iid][0]))
            has_key = keys.get(iid, 0) != 0
            if star == '*' and not has_key:
                fail(where + ': item %d is starred but has no key in items.tsv' % iid)
            if star == '-' and has_key:
                fail(where + ': item %d has key %d in items.tsv, so its handler would never run' % (iid, keys[iid]))
            rows[iid] = (n, fn, param, set_index)
    if len(rows) != HANDLERS:
        fail('option_handlers.tsv: %d rows with a handler, expected %d' % (len(rows), HANDLERS))

    out = ['// Generated from code32/common/core/tables/option_handlers.tsv; do not edit.',
           '#include "core/validation/option_handlers.h"',
           '',
           'namespace vesk {',
           'namespace {']
    for i, spans in enumerate(sets):
        out.append('constexpr ValueRun kRuns%d[] = {%s};' % (i, ', '.join('{%d, %d}' % s for s in spans)))
    out.append('constexpr ValueSet kSets[] = {%s};' % ', '.join(
        '{%d, kRuns%d}' % (len(s), i) for i, s in enumerate(sets)))
    out.append('constexpr OptHandlerRow kRows[] = {')
    table = []
    for iid in range(FIRST, LAST + 1):
        if iid in rows:
            _, fn, param, si = rows[iid]
            table.append(iid)
            out.append('    {%d, %s, %du, %s},' % (iid, fn, param, '&kSets[%d]' % si if si is not None else 'nullptr'))
        else:
            table.append(iid)
            out.append('    {%d, nullptr, 0u, nullptr},' % iid)
    out.append('};')
    if table != list(range(FIRST, LAST + 1)):
        fail('option_handlers.tsv: the table is not ascending and complete')
    out += ['static_assert(sizeof kRows / sizeof kRows[0] == %d, "one row per option %d..%d");' % (
        LAST - FIRST + 1, FIRST, LAST),
        '}  // namespace',
        '',
        'const OptHandlerRow* OptHandlerTable() { return kRows; }',
        'int OptHandlerTableCount() { return static_cast<int>(sizeof kRows / sizeof kRows[0]); }',
        '',
        '}  // namespace vesk',
        '']
    text = '\n'.join(out)
    os.makedirs(os.path.dirname(outpath), exist_ok=True)
    old = None
    if os.path.exists(outpath):
        with open(outpath, encoding='utf-8') as f:
            old = f.read()
    if old != text:
        with open(outpath, 'w', encoding='utf-8') as f:
            f.write(text)


if __name__ == '__main__':
    main()
