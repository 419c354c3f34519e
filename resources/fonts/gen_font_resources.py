#!/usr/bin/env python3
"""Makes the graphics library's font resources (type 258) and glyph sets
(type 260) from faces.tsv, metrics.tsv and glyph_sets.tsv, with the code
pages decoded and encoded by the iconv program, and writes them as the C++
resource table the library exports.

Font resource layout (little-endian, every field 32-bit or smaller):
  +0 u32 block size, +4 u32 metrics offset (592), +8..+571 zero,
  +572 u32 strings offset, +576..+591 zero, +592 the metrics (below), then
  five zero-terminated ANSI strings: symbol sets, "@" + device name, the
  selection string (empty), "none", "none".
Metrics (offsets from their start): the fields of METRICS_FORMAT in order,
  184 bytes, then the family, style, face and unique names (UTF-16LE,
  zero-terminated); the name offsets count from the metrics' start.
Glyph set layout: +0 u32 size, +4 u32 flags, +8 u32 glyphs, +12 u32 runs,
  +16 runs of {u16 first character, u16 glyph count, u32 offset of the
  run's handles}, then the handles (u32 each).
"""
import struct
import subprocess
import sys
from pathlib import Path

METRICS_FORMAT = '<IIIIIIIiiiIBBHIHH26h4B4H10i4sII10sxx'
FWORDS = ['fwdUnitsPerEm', 'fwdLowestPPEm', 'fwdWinAscender', 'fwdWinDescender', 'fwdMacAscender',
          'fwdMacDescender', 'fwdMacLineGap', 'fwdTypoAscender', 'fwdTypoDescender', 'fwdTypoLineGap',
          'fwdAveCharWidth', 'fwdMaxCharInc', 'fwdCapHeight', 'fwdXHeight', 'fwdSubscriptXSize',
          'fwdSubscriptYSize', 'fwdSubscriptXOffset', 'fwdSubscriptYOffset', 'fwdSuperscriptXSize',
          'fwdSuperscriptYSize', 'fwdSuperscriptXOffset', 'fwdSuperscriptYOffset', 'fwdUnderscoreSize',
          'fwdUnderscorePosition', 'fwdStrikeoutSize', 'fwdStrikeoutPosition']
METRICS_OFFSET = 592
STRINGS_FIELD = 572
GS_8BIT_HANDLES, GS_16BIT_HANDLES = 2, 4


def fail(msg):
    sys.exit('gen_font_resources: ' + msg)


def rows(path):
    lines = [l for l in path.read_text(encoding='utf-8').splitlines() if l and not l.startswith('#')]
    head = lines[0].split('\t')
    return [dict(zip(head, l.split('\t'))) for l in lines[1:]]


def num(s):
    return int(s, 0)


def iconv(data, src, dst, lenient=False):
    args = ['iconv'] + (['-c'] if lenient else []) + ['-f', src, '-t', dst]
    r = subprocess.run(args, input=data, capture_output=True)
    if r.returncode != 0 and not lenient:
        fail('iconv %s -> %s failed: %s' % (src, dst, r.stderr.decode(errors='replace')))
    return r.stdout


def decode_each(codes, codepage):
    """The character of each code (None when the code page has none)."""
    out = iconv(b'\n'.join(codes) + b'\n', codepage, 'UTF-16LE', lenient=True).decode('utf-16le').split('\n')
    if len(out) != len(codes) + 1:
        fail('iconv lost the line structure for ' + codepage)
    chars = []
    for code, text in zip(codes, out):
        # A double-byte code that iconv could only read in part comes back
        # as its trail byte: not a character of the code.
        ok = len(text) == 1 and not (len(code) == 2 and ord(text) < 0x80)
        chars.append(ord(text) if ok else None)
    return chars


def encode_each(chars, codepage):
    text = '\n'.join(chr(c) for c in chars) + '\n'
    out = iconv(text.encode('utf-16le'), 'UTF-16LE', codepage).split(b'\n')
    if len(out) != len(chars) + 1:
        fail('iconv could not encode the set in ' + codepage)
    return out[:-1]


def shiftjis_set(codepage):
    codes = [bytes([b]) for b in list(range(0x20, 0x7F)) + list(range(0xA1, 0xE0))]
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            codes.append(bytes([lead, trail]))
    keys = sorted({c for c in decode_each(codes, codepage) if c is not None and not 0xE000 <= c <= 0xF8FF})
    handles = {}
    for ch, enc in zip(keys, encode_each(keys, codepage)):
        if len(enc) not in (1, 2):
            fail('U+%04X does not encode to one or two bytes' % ch)
        handles[ch] = int.from_bytes(enc, 'big')
    return handles


def single_byte_set(codepages):
    handles = {}
    singles = list(range(0x20, 0x7F)) + list(range(0x80, 0x100))
    for cp in codepages:
        for b, ch in zip(singles, decode_each([bytes([b]) for b in singles], cp)):
            if ch is not None and ch not in handles:
                handles[ch] = b
    return handles


def runs_of(keys):
    runs = []
    for k in keys:
        if runs and runs[-1][0] + runs[-1][1] == k and runs[-1][1] < 0xFFFF:
            runs[-1][1] += 1
        else:
            runs.append([k, 1])
    return runs


def glyph_set_block(handles, flags):
    keys = sorted(handles)
    runs = runs_of(keys)
    head = 16 + 8 * len(runs)
    size = head + 4 * len(keys)
    out = bytearray(struct.pack('<IIII', size, flags, len(keys), len(runs)))
    at = head
    for first, count in runs:
        out += struct.pack('<HHI', first, count, at)
        at += 4 * count
    for k in keys:
        out += struct.pack('<I', handles[k])
    return bytes(out), len(keys), len(runs)


def utf16z(s):
    return s.encode('utf-16le') + b'\0\0'


def font_block(face, metrics):
    m = {r['field']: r['value'] for r in metrics}
    name, style = face['face'], m['style']
    names = bytearray()
    offsets = []
    for s in (name, style, name, name):
        offsets.append(184 + len(names))
        names += utf16z(s)
    size = 184 + len(names)
    pts = [num(v) for key in ('ptlBaseline', 'ptlAspect', 'ptlCaret', 'rclFontBox') for v in m[key].split()]
    vend = m['achVendId'].encode('ascii')
    panose = bytes(num(v) for v in m['panose'].split())
    if len(pts) != 10 or len(vend) != 4 or len(panose) != 10:
        fail('bad point, vendor or panose metrics')
    fixed = struct.pack(METRICS_FORMAT, size, 0, offsets[0], offsets[1], offsets[2], offsets[3], 0, 0, 0, 0, 0,
                        num(m['jWinCharSet']), num(face['pitchAndFamily']), num(m['usWinWeight']),
                        num(m['flInfo']), num(m['fsSelection']), num(m['fsType']),
                        *[num(m[f]) for f in FWORDS],
                        *[num(m[f]) for f in ('chFirstChar', 'chLastChar', 'chDefaultChar', 'chBreakChar')],
                        *[num(m[f]) for f in ('wcFirstChar', 'wcLastChar', 'wcDefaultChar', 'wcBreakChar')],
                        *pts, vend, 0, num(m['ulPanoseCulture']), panose)
    assert len(fixed) == 184
    metrics_bytes = fixed + bytes(names)
    strings = b''.join(s.encode('ascii') + b'\0' for s in
                       (face['symbolSets'], '@' + face['deviceName'], '', 'none', 'none'))
    strings_at = METRICS_OFFSET + len(metrics_bytes)
    block = bytearray(strings_at + len(strings))
    struct.pack_into('<II', block, 0, len(block), METRICS_OFFSET)
    struct.pack_into('<I', block, STRINGS_FIELD, strings_at)
    block[METRICS_OFFSET:strings_at] = metrics_bytes
    block[strings_at:] = strings
    return bytes(block)


def c_array(name, data):
    lines = ['alignas(4) const unsigned char %s[%d] = {' % (name, len(data))]
    for i in range(0, len(data), 24):
        lines.append('    ' + ','.join(str(b) for b in data[i:i + 24]) + ',')
    lines.append('};')
    return '\n'.join(lines)


def main():
    if len(sys.argv) != 3:
        fail('usage: gen_font_resources.py DATA_DIR OUT.cpp')
    data, out = Path(sys.argv[1]), Path(sys.argv[2])
    metrics = rows(data / 'metrics.tsv')
    sets = {}
    for r in rows(data / 'glyph_sets.tsv'):
        cps = r['codepages'].split(',')
        handles = shiftjis_set(cps[0]) if r['ranges'] == 'shiftjis' else single_byte_set(cps)
        flags = GS_16BIT_HANDLES if r['handles'] == '16' else GS_8BIT_HANDLES
        sets[num(r['id'])] = (handles, glyph_set_block(handles, flags))
    # The metrics' first and last characters are those of the faces' set.
    jis = sorted(sets[2][0])
    m = {r['field']: r['value'] for r in metrics}
    if (num(m['wcFirstChar']), num(m['wcLastChar'])) != (jis[0], jis[-1]):
        fail('wcFirstChar/wcLastChar disagree with glyph set 2 (U+%04X..U+%04X)' % (jis[0], jis[-1]))
    if num(m['wcDefaultChar']) not in sets[2][0]:
        fail('wcDefaultChar is not in glyph set 2')
    parts = ['// Generated by resources/fonts/gen_font_resources.py: do not edit.',
             '#include <win/gdi.h>', '', 'namespace {']
    entries = []
    for face in rows(data / 'faces.tsv'):
        i = num(face['id'])
        parts.append(c_array('kFont%d' % i, font_block(face, metrics)))
        entries.append((258, i, 'kFont%d' % i))
    for i, (_, (block, glyphs, runs)) in sorted(sets.items()):
        parts.append('// %d glyphs in %d runs.' % (glyphs, runs))
        parts.append(c_array('kGlyphSet%d' % i, block))
        entries.append((260, i, 'kGlyphSet%d' % i))
    parts.append('}  // namespace')
    parts.append('')
    parts.append('extern "C" __attribute__((visibility("default"))) const WINSIM_RESOURCE WinsimResourceTable[] = {')
    for t, i, n in entries:
        parts.append('    {%d, %d, %s, sizeof %s},' % (t, i, n, n))
    parts.append('    {0, 0, nullptr, 0},')
    parts.append('};')
    text = '\n'.join(parts) + '\n'
    if not out.exists() or out.read_text() != text:
        out.write_text(text)


if __name__ == '__main__':
    main()
