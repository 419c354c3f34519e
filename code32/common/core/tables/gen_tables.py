#!/usr/bin/env python3
"""Turns the built-in table files of this folder into one C++ source of
constant tables and one header of named item ids. Run by the build (see
code32/CMakeLists.txt):

    gen_tables.py <table folder> <output .cpp> <output item id header>

Every file is tab-separated; '#' starts a comment line; '-' is an empty field.
The script checks what the code relies on (ids, counts, key uniqueness, map
references) and stops with a message naming the file and line on any fault.
"""
import collections
import os
import sys


def fail(msg):
    sys.stderr.write('gen_tables: ' + msg + '\n')
    sys.exit(1)


def rows(folder, name, ncols):
    path = os.path.join(folder, name)
    out = []
    with open(path, encoding='utf-8') as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            cols = line.split('\t')
            if len(cols) != ncols:
                fail('%s:%d: %d columns, expected %d' % (name, n, len(cols), ncols))
            out.append((n, cols))
    return out


def num(s, where):
    try:
        return int(s, 0)
    except ValueError:
        fail('%s: not a number: %r' % (where, s))


def wide(s):
    if s == '-':
        return 'nullptr'
    return 'u"%s"' % s.replace('\\', '\\\\').replace('"', '\\"')


def ansi(s):
    if s == '-':
        return 'nullptr'
    return '"%s"' % s.replace('\\', '\\\\').replace('"', '\\"')


def id_name(field):
    """The enumerator of an item with a field name: kIt and the field name
    with its first letter capitalised (dmOrientation -> kItDmOrientation)."""
    return 'kIt' + field[0].upper() + field[1:]


def write_if_changed(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    old = None
    if os.path.exists(path):
        with open(path, encoding='utf-8') as f:
            old = f.read()
    if old != text:
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)


def item_id_header(named):
    """The header of named ids: one enumerator per item with a field name."""
    out = ['// Generated from code32/common/core/tables/items.tsv; do not edit.',
           '// The id of every item that has a field name, named after it.',
           '#pragma once',
           '#include <cstdint>',
           '',
           'namespace vesk {',
           '',
           'enum ItemId : uint16_t {']
    out += ['    %s = %d,' % (id_name(field), iid) for iid, field in named]
    out += ['};', '', '}  // namespace vesk', '']
    return '\n'.join(out)


def check_item_id_header(text, named):
    """Reads the header back and checks that its enumerators are exactly the
    named rows, each with its row's id."""
    want = {id_name(field): iid for iid, field in named}
    seen = {}
    for line in text.split('\n'):
        line = line.strip()
        if line.startswith('kIt') and line.endswith(','):
            name, _, value = line[:-1].partition(' = ')
            if name in seen:
                fail('item id header: %s written twice' % name)
            seen[name] = int(value)
    if seen != want:
        bad = sorted(set(seen.items()) ^ set(want.items()))
        fail('item id header: enumerators do not match items.tsv: %r' % bad[:5])


def main():
    if len(sys.argv) != 4:
        fail('usage: gen_tables.py <table folder> <output .cpp> <output item id header>')
    folder, outpath, idpath = sys.argv[1], sys.argv[2], sys.argv[3]
    out = []
    w = out.append
    w('// Generated from the table files in code32/common/core/tables; do not edit.')
    w('#include "core/builtin_tables.h"')
    w('#include "core/item_ids.h"')
    w('')
    w('namespace vesk {')
    w('namespace {')

    # Value maps: sections in file order, each ended by a logical value of 0.
    maps = collections.OrderedDict()
    for n, c in rows(folder, 'value_maps.tsv', 5):
        where = 'value_maps.tsv:%d' % n
        name, sec, raw, logical = c[0], num(c[1], where), num(c[2], where), num(c[3], where)
        if sec not in (1, 2):
            fail(where + ': section must be 1 or 2')
        if logical == 0 or logical > 0xFFFF or raw < 0 or raw > 0xFFFFFFFF:
            fail(where + ': logical value must be 1..0xFFFF and raw 32-bit')
        maps.setdefault(name, {1: [], 2: []})[sec].append((raw, logical))
    for name, secs in maps.items():
        entries = ['{%du, %du}' % e for e in secs[1]] + ['{0u, 0u}']
        if secs[2]:
            entries += ['{%du, %du}' % e for e in secs[2]] + ['{0u, 0u}']
        w('const ValueMapEntry kMap_%s[] = {%s};' % (name, ', '.join(entries)))

    # Items.
    items = rows(folder, 'items.tsv', 16)
    ids = []
    keys = {}
    named = []
    enumerators = {}
    w('const DmItem kItems[] = {')
    for n, c in items:
        where = 'items.tsv:%d' % n
        iid, key, sec, code, size, off, store = (num(x, where) for x in c[:7])
        ini, vname, mp = c[7], c[8], c[9]
        cw = [num(x, where) for x in c[10:14]]
        field = c[14]
        if not (1 <= iid <= 962 or 10001 <= iid <= 10277):
            fail(where + ': id out of range')
        if not (0 <= sec <= 3) or not (0 <= code <= 63) or not (0 <= size <= 0xFFFF) or not (0 <= off <= 0xFFFF):
            fail(where + ': section, code, size or offset out of range')
        if not (-32768 <= key <= 32767):
            fail(where + ': key must be signed 16-bit')
        if key:
            if key in keys:
                fail(where + ': key %d already used by item %d' % (key, keys[key]))
            keys[key] = iid
        if mp != '-' and mp not in maps:
            fail(where + ': unknown value map ' + mp)
        ids.append(iid)
        if field != '-':
            if not (field[0].isalpha() and all(ch.isalnum() for ch in field)):
                fail(where + ': field name %r is not an identifier' % field)
            if id_name(field) in enumerators:
                fail(where + ': field name %s gives the id name of item %d' % (field, enumerators[id_name(field)]))
            enumerators[id_name(field)] = iid
            named.append((iid, field))
        typeword = (sec << 30) | (code << 24) | size
        w('    {%d, %d, 0x%08Xu, %d, %d, 0, %s, %s, %s, {%du, %du, %du, %du}, 0, 0, %s},' % (
            iid, key, typeword, off, store, wide(ini), wide(vname),
            ('kMap_' + mp) if mp != '-' else 'nullptr', cw[0], cw[1], cw[2], cw[3], wide(field)))
    w('};')
    expect = list(range(1, 963)) + list(range(10001, 10278))
    if ids != expect:
        fail('items.tsv: ids must be 1..962 then 10001..10277 in order')

    # Symbols.
    syms = rows(folder, 'symbols.tsv', 4)
    symkey = {}
    w('const SymbolEntry kSymbols[] = {')
    for n, c in syms:
        where = 'symbols.tsv:%d' % n
        item, key = num(c[0], where), num(c[1], where)
        if key == 0 or not (-32768 <= key <= 32767):
            fail(where + ': a symbol needs a non-zero signed 16-bit key')
        if key in keys and keys[key] != item:
            fail(where + ': key %d names item %d in items.tsv' % (key, keys[key]))
        if key in symkey and symkey[key] != item:
            fail(where + ': key %d names two items' % key)
        symkey[key] = item
        w('    {%d, %d, %s},' % (item, key, ansi(c[2])))
    w('};')

    w('const ValueSymbol kValueSymbols[] = {')
    vnames = {}
    for n, c in rows(folder, 'value_symbols.tsv', 7):
        where = 'value_symbols.tsv:%d' % n
        # Names are looked up alone (the model description names a value
        # without its item), so a name stands for one row.
        if c[3] in vnames:
            fail(where + ': value name %s already used on line %d' % (c[3], vnames[c[3]]))
        vnames[c[3]] = n
        if c[6] not in ('given', 'ours'):
            fail(where + ': origin must be given or ours')
        w('    {%d, %d, %du, %s, %du, %du},' % (num(c[0], where), num(c[1], where), num(c[2], where) & 0xFFFFFFFF,
                                              ansi(c[3]), num(c[4], where), num(c[5], where) & 0xFFFFFFFF))
    w('};')

    w('const MessageSymbol kMessages[] = {')
    for n, c in rows(folder, 'messages.tsv', 6):
        where = 'messages.tsv:%d' % n
        w('    {%d, %d, %d, %d, %s, %du},' % (num(c[0], where), num(c[1], where), num(c[2], where),
                                            num(c[3], where), ansi(c[4]), num(c[5], where)))
    w('};')

    # Control attributes.
    attrs = {}
    for n, c in rows(folder, 'attributes.tsv', 3):
        where = 'attributes.tsv:%d' % n
        name, kind, vals = c[0], num(c[1], where), c[2].split(',')
        if kind == 1:
            ids6 = [num(v, where) for v in vals]
            if len(ids6) != 6:
                fail(where + ': kind 1 holds six control ids')
            w('const UiAttrPicture kAttr_%s = {1, {0, 0}, {%s}};' % (name, ', '.join(map(str, ids6))))
        elif kind == 5:
            ents = []
            for v in vals:
                cid, step = v.split(':')
                ents.append('{%d, {0, 0, 0}, %d}' % (num(cid, where), num(step, where)))
            w('const UiRepeatEntry kAttrEnt_%s[] = {%s};' % (name, ', '.join(ents)))
            w('const UiAttrRepeat kAttr_%s = {5, %d, kAttrEnt_%s};' % (name, len(ents), name))
        elif kind == 8:
            k14 = [num(v, where) for v in vals]
            if len(k14) != 14:
                fail(where + ': kind 8 holds fourteen keys')
            for k in k14:
                if k not in keys and k not in symkey:
                    fail(where + ': key %d names no item' % k)
            w('const UiAttrPreview kAttr_%s = {8, {%s}};' % (name, ', '.join(map(str, k14))))
        else:
            fail(where + ': unknown attribute kind %d' % kind)
        attrs[name] = kind

    # Pages and controls.
    # Header command kinds (ours): item -> special command kind.
    kinds = {}
    w('const HeaderCommandKind kHeaderCommands[] = {')
    for n, c in rows(folder, 'header_commands.tsv', 3):
        where = 'header_commands.tsv:%d' % n
        iid, kind = num(c[0], where), num(c[1], where)
        if iid not in ids:
            fail(where + ': no item %d' % iid)
        if iid in kinds:
            fail(where + ': item %d already has a kind' % iid)
        if kind not in list(range(1, 13)) + [101] or kind in (4, 11):
            fail(where + ': kind %d is not a special command kind' % kind)
        kinds[iid] = kind
        w('    {%d, %d},' % (iid, kind))
    w('};')

    # Capability codes: installed-option item -> output-tray codes.
    w('const CapabilityCodeRow kCapabilityCodes[] = {')
    for n, c in rows(folder, 'capability_codes.tsv', 4):
        where = 'capability_codes.tsv:%d' % n
        iid, blank, other = num(c[0], where), num(c[1], where), num(c[2], where)
        if iid not in ids:
            fail(where + ': no item %d' % iid)
        if not all(-32768 <= v <= 32767 for v in (blank, other)):
            fail(where + ': a code must fit 16 bits')
        if c[3] not in ('given', 'ours'):
            fail(where + ': origin must be given or ours')
        w('    {%d, %d, %d},' % (iid, blank, other))
    w('    {0xFFFF, -1, -1},')
    w('};')

    pages = rows(folder, 'pages.tsv', 5)
    ctls = collections.OrderedDict((num(c[0], 'pages.tsv:%d' % n), []) for n, c in pages)
    for n, c in rows(folder, 'controls.tsv', 12):
        where = 'controls.tsv:%d' % n
        page = num(c[0], where)
        if page not in ctls:
            fail(where + ': unknown page %d' % page)
        v = [num(x, where) for x in c[1:11]]
        cid, typ, key, item, hlp, hover, expl, msg, partner, flags = v
        if key and key not in keys and key not in symkey:
            fail(where + ': key %d names no item or symbol' % key)
        attr = c[11]
        if attr != '-' and attr not in attrs:
            fail(where + ': unknown attribute ' + attr)
        ctls[page].append('    {%d, %d, %d, 0, %d, %d, %d, %d, %d, {0, 0, 0, 0}, 0, 0, nullptr, 0, nullptr, 0, %s, 0, 0x%Xu, %d},' % (
            key, cid, typ, hlp, hover, expl, msg, partner,
            ('&kAttr_' + attr) if attr != '-' else 'nullptr', flags, item))
    for page, lines in ctls.items():
        w('const UiControl kControls_%d[] = {' % page)
        out.extend(lines)
        w('};')
    w('const UiPage kPages[] = {')
    for n, c in pages:
        where = 'pages.tsv:%d' % n
        pid, key, kind, hlp = (num(x, where) for x in c[:4])
        w('    {%d, %d, 0x%X, 0, %s, %du, %d, const_cast<UiControl*>(kControls_%d), nullptr, {0, 0, 0, 0}, 0},' % (
            pid, key, kind, ansi(c[4]), hlp, len(ctls[pid]), pid))
    w('};')
    # The named ids as compiled, with their names, for the check that every
    # enumerator of the header names its own row.
    w('const ItemIdName kItemIds[] = {')
    for iid, field in named:
        w('    {%s, "%s"},' % (id_name(field), id_name(field)))
    w('};')
    w('}  // namespace')
    w('')
    w('const DmItem* builtinItems() { return kItems; }')
    w('int builtinItemCount() { return static_cast<int>(sizeof kItems / sizeof kItems[0]); }')
    w('const ItemIdName* builtinItemIds() { return kItemIds; }')
    w('int builtinItemIdCount() { return static_cast<int>(sizeof kItemIds / sizeof kItemIds[0]); }')
    w('const SymbolEntry* builtinSymbols() { return kSymbols; }')
    w('int builtinSymbolCount() { return static_cast<int>(sizeof kSymbols / sizeof kSymbols[0]); }')
    w('const ValueSymbol* builtinValueSymbols() { return kValueSymbols; }')
    w('int builtinValueSymbolCount() { return static_cast<int>(sizeof kValueSymbols / sizeof kValueSymbols[0]); }')
    w('const MessageSymbol* builtinMessages() { return kMessages; }')
    w('int builtinMessageCount() { return static_cast<int>(sizeof kMessages / sizeof kMessages[0]); }')
    w('const CapabilityCodeRow* builtinCapabilityCodes() { return kCapabilityCodes; }')
    w('const HeaderCommandKind* builtinHeaderCommands() { return kHeaderCommands; }')
    w('int builtinHeaderCommandCount() { return static_cast<int>(sizeof kHeaderCommands / sizeof kHeaderCommands[0]); }')
    w('const UiPage* builtinPages() { return kPages; }')
    w('int builtinPageCount() { return static_cast<int>(sizeof kPages / sizeof kPages[0]); }')
    w('')
    w('}  // namespace vesk')
    write_if_changed(outpath, '\n'.join(out) + '\n')
    header = item_id_header(named)
    check_item_id_header(header, named)
    write_if_changed(idpath, header)


if __name__ == '__main__':
    main()
