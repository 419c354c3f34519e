#!/usr/bin/env python3
"""Turns allowed_values.tsv into the C++ source of the built-in allowed-value
table. Run by the build (see code32/CMakeLists.txt):

    gen_allowed.py <table folder> <output .cpp>

It checks what the code relies on and stops, naming file and line, on any
fault: known items, known and used value lists, connectives 0 to 2, value
flags and kinds that agree with the value list, a repeated word only on a
line marked as a repeat.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gen_tables import ansi, fail, num, rows, write_if_changed  # noqa: E402

FILE = 'allowed_values.tsv'
KIND_BITS = 0x1 | 0x2 | 0x8 | 0x100 | 0x200 | 0x400 | 0x800 | 0x1000 | 0x10000
VALUE_FLAGS = 0x1 | 0x10 | 0x100


def lines(folder):
    """The setting and value lines of the file, each with its line number."""
    settings, values = [], []
    path = os.path.join(folder, FILE)
    with open(path, encoding='utf-8') as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            cols = line.split('\t')
            want = {'setting': 10, 'value': 7}.get(cols[0])
            if want is None:
                fail('%s:%d: a line is a setting or a value line' % (FILE, n))
            if len(cols) != want:
                fail('%s:%d: %d columns, expected %d' % (FILE, n, len(cols), want))
            (settings if cols[0] == 'setting' else values).append((n, cols[1:]))
    return settings, values


def nodes(text, where, items):
    """A node list 'item=value[/c],...' as (connective, item, value) tuples."""
    if text == '-':
        return ()
    out = []
    for part in text.split(','):
        node, _, conn = part.partition('/')
        item, eq, value = node.partition('=')
        if not eq:
            fail('%s: node %r is not item=value' % (where, part))
        item, value = num(item, where), num(value, where)
        conn = num(conn, where) if conn else 0
        if conn not in (0, 1, 2):
            fail('%s: connective %d is not 0, 1 or 2' % (where, conn))
        if item not in items:
            fail('%s: no item %d' % (where, item))
        if not 0 <= value <= 0xFFFFFFFF:
            fail('%s: value %d is not 32-bit' % (where, value))
        out.append((conn, item, value))
    return tuple(out)


def main():
    if len(sys.argv) != 3:
        fail('usage: gen_allowed.py <table folder> <output .cpp>')
    folder, outpath = sys.argv[1], sys.argv[2]
    items = {num(c[0], 'items.tsv:%d' % n) for n, c in rows(folder, 'items.tsv', 16)}
    settings, values = lines(folder)

    node_lists = {}   # tuple of nodes -> C++ name; equal lists are shared

    def node_ref(text, where):
        ns = nodes(text, where, items)
        if not ns:
            return 'nullptr'
        if ns not in node_lists:
            node_lists[ns] = 'kNodes%d' % len(node_lists)
        return node_lists[ns]

    lists = {}        # list name -> value initialisers, in file order
    for n, c in values:
        where = '%s:%d' % (FILE, n)
        name, flags, value, word = c[0], num(c[1], where), num(c[2], where), c[3]
        if flags & ~VALUE_FLAGS:
            fail('%s: unknown value flags 0x%X' % (where, flags))
        if not 0 <= value <= 0xFFFFFFFF:
            fail('%s: value is not 32-bit' % where)
        words = lists.setdefault(name, [])
        earlier = any(wd == word for wd, _ in words)
        if bool(flags & 0x10) != earlier:
            fail('%s: %s %s' % (where, word, 'repeats an earlier word without the repeat flag' if earlier
                                else 'has the repeat flag but no earlier line gives the word'))
        words.append((word, '{0x%Xu, %du, %s, nullptr, %s, %s, nullptr}' % (
            flags, value, ansi(word), node_ref(c[4], where + ' pairs'), node_ref(c[5], where + ' chain'))))

    used = set()
    names = set()
    rows_out, ranges = [], []
    for n, c in settings:
        where = '%s:%d' % (FILE, n)
        name, item, kind, mask, fmt, vlist = c[0], num(c[1], where), num(c[2], where), num(c[3], where), \
            num(c[4], where), c[5]
        if name in names:
            fail('%s: setting %s given twice' % (where, name))
        names.add(name)
        if item and item not in items:
            fail('%s: no item %d' % (where, item))
        if not item and not kind & 0x10000:
            fail('%s: only a special command (kind 0x10000) goes without an item' % where)
        if kind & ~KIND_BITS:
            fail('%s: unknown kind bits 0x%X' % (where, kind))
        if not 1 <= mask <= 7:
            fail('%s: the use mask is 1 to 7' % where)
        if fmt not in (1, 4, 8, 16):
            fail('%s: the value format is 1, 4, 8 or 16' % where)
        if vlist != '-' and vlist not in lists:
            fail('%s: no value list %s' % (where, vlist))
        if bool(kind & 1) != (vlist != '-'):
            fail('%s: kind bit 1 goes with a value list and only with one' % where)
        if vlist != '-' and fmt != 1:
            fail('%s: a value list needs value format 1' % where)
        chain = node_ref(c[7], where + ' chain')
        if chain != 'nullptr' and not mask & 2:
            fail('%s: a chain of its own needs use-mask bit 2' % where)
        rng = 'nullptr'
        if c[8] != '-':
            ranges.append('const AllowedRange kRange%d = {0u, 0u, 0u, 0u, %s};' % (
                len(ranges), node_ref(c[8], where + ' range')))
            rng = '&kRange%d' % (len(ranges) - 1)
        used.add(vlist)
        rows_out.append('    {%du, 0u, 0x%Xu, %du, %du, %s, %s, %s, %s, %s},' % (
            item, kind, mask, fmt, ansi(name), node_ref(c[6], where + ' pairs'),
            ('&kList_' + vlist) if vlist != '-' else 'nullptr', chain, rng))
    for name in lists:
        if name not in used:
            fail('%s: value list %s is not used by any setting' % (FILE, name))

    out = ['// Generated from code32/common/core/tables/%s; do not edit.' % FILE,
           '#include "core/allowed/allowed_table.h"',
           '',
           'namespace vesk {',
           'namespace {',
           '']
    for ns, cname in node_lists.items():
        parts = []
        for i, (conn, item, value) in enumerate(ns):
            nxt = '&%s[%d]' % (cname, i + 1) if i + 1 < len(ns) else 'nullptr'
            parts.append('{%s, %du, %du, %du}' % (nxt, conn, item, value))
        out.append('const AllowedNode %s[%d] = {%s};' % (cname, len(ns), ', '.join(parts)))
    for name, vals in lists.items():
        out.append('const AllowedValue kValues_%s[] = {' % name)
        out += ['    %s,' % init for _, init in vals]
        out.append('};')
        out.append('const AllowedValueList kList_%s = {%du, kValues_%s};' % (name, len(vals), name))
    out += ranges
    out.append('const AllowedSetting kSettings[] = {')
    out += rows_out
    out.append('};')
    out.append('const AllowedTable kTable = {static_cast<uint32_t>(sizeof kSettings / sizeof kSettings[0]), kSettings};')
    out += ['', '}  // namespace', '',
            'const AllowedTable* GetBuiltinTable10() { return &kTable; }',
            '', '}  // namespace vesk', '']
    write_if_changed(outpath, '\n'.join(out))


if __name__ == '__main__':
    main()
