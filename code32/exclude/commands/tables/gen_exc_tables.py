#!/usr/bin/env python3
"""Turns exc_tables.tsv into the C++ source of the Exc interface's required
commands, alias items, watermark lines and their word table:

    gen_exc_tables.py <exc_tables.tsv> <common table folder> <output .cpp>

It stops, naming the line, on an unknown item, key, value type or a word
index out of order.
"""
import os
import sys

sys.path.insert(0, sys.argv[2] if len(sys.argv) > 2 else '.')
from gen_tables import ansi, fail, num, rows, write_if_changed  # noqa: E402

WIDTHS = {'required': 2, 'alias': 3, 'stamp': 5, 'word': 3}


def main():
    if len(sys.argv) != 4:
        fail('usage: gen_exc_tables.py <exc_tables.tsv> <common table folder> <output .cpp>')
    path, folder, outpath = sys.argv[1:]
    items = {num(c[0], 'items.tsv:%d' % n) for n, c in rows(folder, 'items.tsv', 16)}
    required, aliases, stamps, words = [], [], [], []
    with open(path, encoding='utf-8') as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            cols = line.split('\t')
            where = '%s:%d' % (os.path.basename(path), n)
            if WIDTHS.get(cols[0]) != len(cols):
                fail('%s: not a required, alias, stamp or word line of the right width' % where)
            if cols[0] == 'word':
                if num(cols[1], where) != len(words):
                    fail('%s: words come in index order' % where)
                words.append(cols[2])
                continue
            vals = [num(c, where) for c in cols[1:]]
            if cols[0] == 'stamp':
                key, skip, typ, item = vals
                if key not in (0, 1, 0x10) or typ not in (1, 4, 8, 16, 256):
                    fail('%s: key 0, 1 or 0x10 and type 1, 4, 8, 16 or 256' % where)
                if (typ == 256) != (item == 0) or (item and item not in items):
                    fail('%s: a fixed line has item 0, any other row a known item' % where)
                stamps.append(vals)
            else:
                for v in vals:
                    if v not in items:
                        fail('%s: no item %d' % (where, v))
                (required if cols[0] == 'required' else aliases).append(vals)
    if len(words) != 2:
        fail('the word table has two entries')
    out = ['// Generated from code32/exclude/commands/tables/exc_tables.tsv; do not edit.',
           '#include "commands/command_table.h"', '', 'namespace vesk {', 'namespace {', '',
           'const uint32_t kRequired[] = {%s};' % ', '.join('%du' % r[0] for r in required),
           'const ExcItemList kRequiredList = {%du, kRequired};' % len(required),
           'const ExcAliasPair kAliases[] = {%s};' % ', '.join('{%du, %du}' % tuple(a) for a in aliases),
           'const ExcAliasTable kAliasTable = {%du, kAliases};' % len(aliases),
           'const ExcStampLine kStampLines[] = {']
    out += ['    {0x%Xu, %du, %du, %du},' % tuple(s) for s in stamps]
    out += ['};', 'const ExcStampLineTable kStampTable = {%du, kStampLines};' % len(stamps),
            'const char* const kWords[] = {%s};' % ', '.join(ansi(w) for w in words), '',
            '}  // namespace', '',
            'const ExcItemList* GetRequiredCommandsExc() { return &kRequiredList; }',
            'const ExcAliasTable* GetAliasItemsExc() { return &kAliasTable; }',
            'const ExcStampLineTable* GetStampLineTableExc() { return &kStampTable; }',
            'const char* GetStampLiteralExc(int n) { return n >= 0 && n < %d ? kWords[n] : nullptr; }' % len(words),
            '', '}  // namespace vesk', '']
    write_if_changed(outpath, '\n'.join(out))


if __name__ == '__main__':
    main()
