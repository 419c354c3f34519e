#!/usr/bin/env python3
"""Makes the driver set's resource modules (VRES files) from the repo data.

  gen_resources.py --data resources --tables code32/common/core/tables
                   --name VESKR1us.DLL --languages us,jp,gm --out DIR

writes one string library per display language under the name rule of the
string library (the two letters before the dot are the language code) and
the bitmap library (eight places from the end 'C', six and five 'X').

The build stops, naming file and line, when the data disagree: a string id
twice, a required string missing, a dialog without its control, an image
that cannot be drawn, a page of the tables without its template or a
template whose controls are not exactly the page's, a control placed out of
its dialog or a text too long.

Every page and dialog of the page and control tables gets a template:
control_types.tsv turns each control type into a class and styles,
layout/*.tsv places and styles single controls, every other control flows
on an automatic grid. dialogs.tsv holds hand-made templates (they are
checked against the tables like the generated ones).

VRES layout (little-endian): header "VRES", u16 version 1, u16 0, u32 entry
count, u32 directory offset; entries of u32 type, id, data offset, size.
Strings go in Windows' blocks of 16 (block id = id / 16 + 1, each string a
u16 length and UTF-16 characters); bitmaps are packed DIBs; icons and
cursors a u16 hot-spot x and y and a packed DIB; dialogs the extended
dialog template (DLGTEMPLATEEX).
"""
import argparse
import os
import struct
import sys

RT_CURSOR, RT_BITMAP, RT_ICON, RT_DIALOG, RT_STRING = 1, 2, 3, 5, 6
CLASS_ATOMS = {"Button": 0x80, "Edit": 0x81, "Static": 0x82, "ListBox": 0x83, "ScrollBar": 0x84, "ComboBox": 0x85}
WS_CHILD, WS_VISIBLE, WS_POPUP, WS_CAPTION, DS_SETFONT, DS_MODALFRAME = 0x40000000, 0x10000000, 0x80000000, 0xC00000, 0x40, 0x80
WS_SYSMENU, WS_GROUP, WS_TABSTOP, DS_CONTROL, WS_EX_CONTROLPARENT = 0x80000, 0x20000, 0x10000, 0x400, 0x10000
STYLES = {
    "WS_BORDER": 0x800000, "WS_VSCROLL": 0x200000, "WS_HSCROLL": 0x100000, "WS_TABSTOP": WS_TABSTOP,
    "WS_GROUP": WS_GROUP, "WS_DISABLED": 0x8000000,
    "SS_LEFT": 0, "SS_CENTER": 1, "SS_RIGHT": 2, "SS_ICON": 3, "SS_OWNERDRAW": 0xD, "SS_BITMAP": 0xE, "SS_NOTIFY": 0x100,
    "BS_PUSHBUTTON": 0, "BS_DEFPUSHBUTTON": 1, "BS_AUTOCHECKBOX": 3, "BS_AUTORADIOBUTTON": 9, "BS_OWNERDRAW": 0xB,
    "SBS_HORZ": 0, "SBS_VERT": 1,
    "LBS_NOTIFY": 1, "LBS_SORT": 2, "LBS_OWNERDRAWFIXED": 0x10, "LBS_HASSTRINGS": 0x40, "LBS_MULTICOLUMN": 0x200,
    "CBS_DROPDOWNLIST": 3, "CBS_OWNERDRAWFIXED": 0x10, "CBS_HASSTRINGS": 0x200,
    "ES_MULTILINE": 4, "ES_PASSWORD": 0x20, "ES_AUTOVSCROLL": 0x40, "ES_AUTOHSCROLL": 0x80, "ES_WANTRETURN": 0x1000,
    "LVS_REPORT": 1, "LVS_SINGLESEL": 4, "LVS_OWNERDRAWFIXED": 0x400,
}
# Page sizes in dialog units: a property page, grown downwards when its
# controls need more room.
PAGE_CX, PAGE_CY, MAX_PAGE_CY, MARGIN, GAP, COLUMN_CX = 252, 218, 420, 6, 4, 80


def advance(item):
    """The room a control takes in its column: a combo box its field only
    (its list drops over the controls below)."""
    return min(item[5], 16) if item[1] == "ComboBox" else item[5]
MAX_TEXT = 255
SCREEN_CX, SCREEN_CY = 1024 * 4 // 6, 768 * 8 // 13   # the screen in dialog units

# Strings the driver loads by id; each must have a text in every library.
REQUIRED = (list(range(29, 38)) + list(range(50017, 50026)) + list(range(109, 135)) +
            [96, 153, 154, 261, 262, 263, 370, 371, 7001, 7002, 10017, 10023])
FUNCTIONAL = {119 + k: "PresetList%d" % k for k in range(16)}
REQUIRED_DIALOGS = {4006: [5005]}
REQUIRED_CURSORS = [8000, 8001]


class DataError(Exception):
    pass


def rows(path):
    """(line number, fields) of a tab-separated file; '#' lines skipped."""
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            yield n, line.split("\t")


def unescape(text, where):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\":
            if i + 1 >= len(text) or text[i + 1] not in "rnt\\":
                raise DataError("%s: unknown escape in %r" % (where, text))
            out.append({"r": "\r", "n": "\n", "t": "\t", "\\": "\\"}[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_strings(path, languages):
    """{language: {id: text}}: '-' in a language column takes the us text."""
    header = None
    with open(path, encoding="utf-8") as f:
        first = f.readline().lstrip("# ").rstrip("\r\n").split("\t")
        header = first
    cols = {name: i for i, name in enumerate(header)}
    for lang in ["us"] + languages:
        if lang not in cols:
            raise DataError("%s: no column for language %s" % (path, lang))
    out = {lang: {} for lang in set(["us"] + languages)}
    seen = {}
    for n, f in rows(path):
        where = "%s:%d" % (path, n)
        if len(f) != len(header):
            raise DataError("%s: %d fields, %d expected" % (where, len(f), len(header)))
        try:
            sid = int(f[0])
        except ValueError:
            raise DataError("%s: string id %r is not a number" % (where, f[0]))
        if not 0 < sid < 65536:
            raise DataError("%s: string id %d out of range" % (where, sid))
        if sid in seen:
            raise DataError("%s: string %d is also on line %d" % (where, sid, seen[sid]))
        seen[sid] = n
        us = "" if f[cols["us"]] == "-" else unescape(f[cols["us"]], where)
        for lang in out:
            t = f[cols[lang]]
            out[lang][sid] = us if t == "-" else unescape(t, where)
    return out


def required_ids(tables):
    """The fixed ids, the message table's texts and captions, and every
    model value of the sample model (a value is the id of its name)."""
    ids = set(REQUIRED)
    path = os.path.join(tables, "messages.tsv")
    for n, f in rows(path):
        for x in (f[1], f[2]):
            if int(x):
                ids.add(int(x))
    path = os.path.join(tables, "value_symbols.tsv")
    for n, f in rows(path):
        if int(f[2]):
            ids.add(int(f[2]))
    return ids


def check_strings(strings, tables, path):
    us = strings["us"]
    for sid in sorted(required_ids(tables)):
        if sid not in us:
            raise DataError("%s: no text for string %d, which the driver loads" % (path, sid))
    for sid, text in FUNCTIONAL.items():
        for lang, table in strings.items():
            if table.get(sid) != text:
                raise DataError("%s: string %d must read %r in every language (%s has %r)" %
                                (path, sid, text, lang, table.get(sid)))
    for sid in REQUIRED:
        if not us[sid]:
            raise DataError("%s: string %d is empty" % (path, sid))


def string_blocks(table):
    blocks = {}
    for sid, text in table.items():
        blocks.setdefault((sid >> 4) + 1, [""] * 16)[sid & 15] = text
    out = []
    for bid in sorted(blocks):
        data = b""
        for text in blocks[bid]:
            units = text.encode("utf-16-le")
            data += struct.pack("<H", len(units) // 2) + units
        out.append((RT_STRING, bid, data))
    return out


def sz(text):
    return text.encode("utf-16-le") + b"\0\0"


def read_dialogs(path):
    dialogs = {}
    for n, f in rows(path):
        where = "%s:%d" % (path, n)
        if len(f) != 8:
            raise DataError("%s: 8 fields expected" % where)
        did = int(f[0])
        x, y, cx, cy = (int(v) for v in f[3:7])
        text = "" if f[7] == "-" else unescape(f[7], where)
        if f[1] == "-":
            if did in dialogs:
                raise DataError("%s: dialog %d has two frames" % (where, did))
            dialogs[did] = {"frame": (x, y, cx, cy, text), "controls": [], "line": n}
            continue
        if did not in dialogs:
            raise DataError("%s: control of dialog %d before its frame" % (where, did))
        if f[2] not in CLASS_ATOMS:
            raise DataError("%s: unknown control class %r" % (where, f[2]))
        cid = int(f[1])
        if any(c[0] == cid for c in dialogs[did]["controls"]):
            raise DataError("%s: control %d twice in dialog %d" % (where, cid, did))
        dialogs[did]["controls"].append((cid, f[2], x, y, cx, cy, text))
    for did, cids in REQUIRED_DIALOGS.items():
        if did not in dialogs:
            raise DataError("%s: no dialog %d" % (path, did))
        have = [c[0] for c in dialogs[did]["controls"]]
        for cid in cids:
            if cid not in have:
                raise DataError("%s: dialog %d has no control %d" % (path, did, cid))
    return dialogs


def styles(text, where):
    value = 0
    if text in ("", "-"):
        return 0
    for name in text.split("|"):
        if name not in STYLES:
            raise DataError("%s: unknown style %r" % (where, name))
        value |= STYLES[name]
    return value


def class_field(cls):
    if cls in CLASS_ATOMS:
        return struct.pack("<HH", 0xFFFF, CLASS_ATOMS[cls])
    return sz(cls)


def dialog_template(d):
    """The extended template: frame, font, then DWORD-aligned items. Frame
    and controls may carry their own styles (generated pages do)."""
    x, y, cx, cy, title = d["frame"]
    style = d.get("style", WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT | DS_MODALFRAME)
    data = struct.pack("<HHIIIHhhhh", 1, 0xFFFF, 0, d.get("exstyle", 0), style, len(d["controls"]), x, y, cx, cy)
    data += b"\0\0" + b"\0\0" + sz(title)           # no menu, the standard class, the title
    data += struct.pack("<HHBB", 8, 400, 0, 1) + sz("MS Shell Dlg")
    for c in d["controls"]:
        cid, cls, x, y, cx, cy, text = c[:7]
        cstyle = c[7] if len(c) > 7 else 0
        data += b"\0" * (-len(data) % 4)
        data += struct.pack("<IIIhhhhI", 0, 0, WS_CHILD | WS_VISIBLE | cstyle, x, y, cx, cy, cid)
        data += class_field(cls) + sz(text) + struct.pack("<H", 0)
    return data


def read_types(path):
    types = {}
    for n, f in rows(path):
        where = "%s:%d" % (path, n)
        if len(f) != 7:
            raise DataError("%s: 7 fields expected" % where)
        t = int(f[0])
        if t in types:
            raise DataError("%s: type %d twice" % (where, t))
        types[t] = {"class": f[1], "style": styles(f[2], where), "cx": int(f[3]), "cy": int(f[4]),
                    "text": f[5] == "yes"}
    return types


def read_layout(folder):
    """{(page, control): (x, y, cx, cy, style, text)}; None for a '-' field."""
    out = {}
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".tsv"):
            continue
        path = os.path.join(folder, name)
        for n, f in rows(path):
            where = "%s:%d" % (path, n)
            if len(f) != 8:
                raise DataError("%s: 8 fields expected" % where)
            key = (int(f[0]), int(f[1]))
            if key in out:
                raise DataError("%s: control %d of page %d is placed twice" % (where, key[1], key[0]))
            num = [None if v == "-" else int(v) for v in f[2:6]]
            out[key] = (num, styles(f[6], where), None if f[7] == "-" else unescape(f[7], where), where)
    return out


def read_pages(tables):
    pages, controls = {}, {}
    path = os.path.join(tables, "pages.tsv")
    for n, f in rows(path):
        pages[int(f[0])] = {"kind": int(f[2], 0), "name": f[4]}
    path = os.path.join(tables, "controls.tsv")
    for n, f in rows(path):
        page, cid, ctype = int(f[0]), int(f[1]), int(f[2])
        if page not in pages:
            raise DataError("%s:%d: control %d of page %d, which the page table lacks" % (path, n, cid, page))
        lst = controls.setdefault(page, [])
        if any(c[0] == cid for c in lst):
            raise DataError("%s:%d: control %d twice on page %d" % (path, n, cid, page))
        lst.append((cid, ctype, n))
    return pages, controls


def frame_style(kind):
    """Pages of a property sheet are child dialogs; dialogs are pop-ups;
    the file dialogs' hook templates are children of the file dialog."""
    if kind >= 0x100:
        return WS_CHILD | DS_CONTROL | DS_SETFONT, WS_EX_CONTROLPARENT
    if kind & 0x24:
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0
    return WS_CHILD | WS_CAPTION | DS_CONTROL | DS_SETFONT, WS_EX_CONTROLPARENT


def page_template(page, info, ctls, types, layout, tables_path):
    """The template of one page: placed controls where the layout puts them,
    the others in rows below them, left to right."""
    placed, flowing = [], []
    prev_type = None
    for cid, ctype, line in ctls:
        where = "%s:%d" % (tables_path, line)
        if ctype not in types:
            raise DataError("%s: control %d has type %d, which control_types.tsv lacks" % (where, cid, ctype))
        t = types[ctype]
        style = t["style"]
        if ctype == 41 and prev_type != 41:
            style |= WS_GROUP | WS_TABSTOP
        prev_type = ctype
        text = str(cid) if t["text"] else ""
        cx, cy = t["cx"], t["cy"]
        num, extra, ltext, lwhere = layout.get((page, cid), ([None] * 4, 0, None, None))
        style |= extra
        if ltext is not None:
            text = ltext
        if num[2] is not None:
            cx = num[2]
        if num[3] is not None:
            cy = num[3]
        item = [cid, t["class"], 0, 0, cx, cy, text, style]
        if num[0] is None and cx > COLUMN_CX:
            item[4] = COLUMN_CX
        if num[0] is not None and num[1] is not None:
            item[2], item[3] = num[0], num[1]
            placed.append(item)
        else:
            flowing.append(item)
    top = MARGIN
    if placed:
        top = max(i[3] + i[5] for i in placed) + GAP
    # Columns filled top to bottom; as many columns as it takes to keep the
    # page within MAX_PAGE_CY (so that every control is on the screen).
    cols = 3
    while True:
        total = sum(advance(i) + GAP for i in flowing)
        limit = top + max(total // cols, max([advance(i) for i in flowing] + [0])) + GAP
        x, y, col = MARGIN, top, 0
        for item in flowing:
            if y + advance(item) > limit and y > top:
                col += 1
                x, y = MARGIN + col * (COLUMN_CX + GAP), top
            item[2], item[3] = x, y
            y += advance(item) + GAP
        bottom = max([i[3] + i[5] for i in placed + flowing] + [0]) + MARGIN
        if bottom <= MAX_PAGE_CY or cols >= 8:
            break
        cols += 1
    cx_page = max(PAGE_CX, max([i[2] + i[4] for i in placed + flowing] + [0]) + MARGIN)
    cy_page = max(PAGE_CY, max([i[3] + i[5] for i in placed + flowing] + [0]) + MARGIN)
    style, exstyle = frame_style(info["kind"])
    items = sorted(placed + flowing, key=lambda i: [c[0] for c in ctls].index(i[0]))
    return {"frame": (0, 0, cx_page, cy_page, info["name"]), "controls": [tuple(i) for i in items],
            "style": style, "exstyle": exstyle}


def check_template(did, d, where):
    """Refuses rectangles outside the dialog, dialogs larger than the
    screen (1024 x 768 pixels) and texts too long."""
    _, _, dcx, dcy, title = d["frame"]
    if dcx > SCREEN_CX or dcy > SCREEN_CY:
        raise DataError("%s: dialog %d (%d x %d) lies outside the screen" % (where, did, dcx, dcy))
    if len(title) > MAX_TEXT:
        raise DataError("%s: the title of dialog %d is too long" % (where, did))
    for c in d["controls"]:
        cid, cls, x, y, cx, cy, text = c[:7]
        if x < 0 or y < 0 or cx <= 0 or cy <= 0 or x + cx > dcx or y + cy > dcy:
            raise DataError("%s: control %d lies outside dialog %d (%d,%d %dx%d in %dx%d)" %
                            (where, cid, did, x, y, cx, cy, dcx, dcy))
        if len(text) > MAX_TEXT:
            raise DataError("%s: the text of control %d of dialog %d is too long" % (where, cid, did))


def page_templates(data, tables, dialogs):
    """Templates of every page of the tables: the hand-made ones of
    dialogs.tsv where they exist, else generated."""
    tables_path = os.path.join(tables, "controls.tsv")
    types = read_types(os.path.join(data, "control_types.tsv"))
    layout = read_layout(os.path.join(data, "layout"))
    pages, controls = read_pages(tables)
    for (page, cid), (_, _, _, where) in layout.items():
        if cid not in [c[0] for c in controls.get(page, [])]:
            raise DataError("%s: page %d has no control %d in the tables" % (where, page, cid))
    out = {}
    for page, info in pages.items():
        ctls = controls.get(page, [])
        if page in dialogs:
            have = sorted(c[0] for c in dialogs[page]["controls"])
            want = sorted(c[0] for c in ctls)
            if have != want:
                raise DataError("dialogs.tsv: dialog %d has controls %s, the tables give %s" % (page, have, want))
            out[page] = dialogs[page]
        else:
            out[page] = page_template(page, info, ctls, types, layout, tables_path)
        check_template(page, out[page], "page %d" % page)
    for did, d in dialogs.items():
        if did not in out:
            check_template(did, d, "dialogs.tsv")
            out[did] = d
    return out


def draw(kind, w, h):
    """Pixels (rows top first, 0 background, 1 ink, 2 grey) of a drawing."""
    px = [[0] * w for _ in range(h)]
    ink = 2 if kind.endswith("-grey") else 1
    base = kind[:-5] if kind.endswith("-grey") else kind
    if base in ("box", "check"):
        for i in range(w):
            px[0][i] = px[h - 1][i] = ink
        for j in range(h):
            px[j][0] = px[j][w - 1] = ink
        if base == "check":
            for i in range(3, w - 3):
                j = max(2, min(h - 3, (h - 4) - abs(i - 5) if i <= 5 else (h - 4) - (i - 5)))
                px[j][i] = px[j - 1][i] = ink
    elif base == "arrow":
        for j in range(min(h, 20)):
            for i in range(min(w, j // 2 + 1)):
                px[j][i] = ink
    elif base == "cross":
        for i in range(w):
            px[h // 2 - 1][i] = ink
        for j in range(h):
            px[j][w // 2 - 1] = ink
    elif base == "info":
        c, r2 = (w - 1) / 2, (w / 2 - 1) ** 2
        for j in range(h):
            for i in range(w):
                if (i - c) ** 2 + (j - c) ** 2 <= r2:
                    px[j][i] = 1
        for j in range(8, h - 6):
            px[j][w // 2] = px[j][w // 2 - 1] = 0
        px[5][w // 2] = px[5][w // 2 - 1] = 0
    elif base in ("paper", "paper4", "paper24"):
        # A sheet of paper (2) framed in ink (1) on the background (0), which
        # is the key colour of an 8-bit picture and white in a 4-bit one.
        mx, my = max(1, w // 6), max(1, h // 6)
        for j in range(my, h - my):
            for i in range(mx, w - mx):
                edge = j in (my, h - my - 1) or i in (mx, w - mx - 1)
                px[j][i] = 1 if edge else 2
    else:
        raise DataError("unknown drawing %r" % kind)
    return px


# Colour tables (B, G, R, 0) of the pictures by depth: 8-bit pictures show
# the key colour 0x003300CC where their background is.
KEY_QUAD = bytes([0x33, 0x00, 0xCC, 0])
INK_QUAD = bytes([0x80, 0x40, 0x20, 0])
PAPER_QUAD = bytes([255, 255, 255, 0])


def dib_deep(px, bits):
    """An 8-bit or 24-bit packed DIB (rows bottom-up) of background, ink and paper."""
    h, w = len(px), len(px[0])
    quads = [KEY_QUAD, INK_QUAD, PAPER_QUAD]
    stride = ((w * bits + 31) // 32) * 4
    bits_data = b""
    for row in reversed(px):
        if bits == 8:
            line = bytes(row)
        else:
            line = b"".join(quads[v][:3] for v in row)
        bits_data += line + b"\0" * (stride - len(line))
    palette = b"".join(quads) + b"\0" * (4 * 253) if bits == 8 else b""
    used = 256 if bits == 8 else 0
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(bits_data), 2835, 2835, used, 0)
    return header + palette + bits_data


def picture(kind, w, h):
    """The packed DIB of a drawing: paper pictures 8-bit or 24-bit, the rest 4-bit."""
    px = draw(kind, w, h)
    if kind in ("paper", "paper24"):
        return dib_deep(px, 24 if kind == "paper24" else 8)
    return dib(px)


def dib(px):
    """A 4-bit packed DIB (rows bottom-up) with white, black and grey."""
    h, w = len(px), len(px[0])
    stride = ((w * 4 + 31) // 32) * 4
    palette = bytes([255, 255, 255, 0, 0, 0, 0, 0, 128, 128, 128, 0]) + b"\0" * 52
    bits = b""
    for row in reversed(px):
        line = bytearray(stride)
        for i, v in enumerate(row):
            line[i // 2] |= v << (0 if i % 2 else 4)
        bits += bytes(line)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(bits), 2835, 2835, 16, 0)
    return header + palette + bits



def read_images(path):
    images = {"bmp": [], "str": []}
    for n, f in rows(path):
        where = "%s:%d" % (path, n)
        if len(f) != 8 or f[0] not in images or f[1] not in ("bitmap", "icon", "cursor"):
            raise DataError("%s: expected library (bmp/str), kind (bitmap/icon/cursor), id, size, drawing, hot spot" % where)
        rid, w, h = int(f[2]), int(f[3]), int(f[4])
        try:
            data = picture(f[5], w, h)
        except DataError as e:
            raise DataError("%s: %s" % (where, e))
        if f[1] == "bitmap":
            images[f[0]].append((RT_BITMAP, rid, data))
        else:
            hx = 0 if f[6] == "-" else int(f[6])
            hy = 0 if f[7] == "-" else int(f[7])
            images[f[0]].append((RT_CURSOR if f[1] == "cursor" else RT_ICON, rid, struct.pack("<HH", hx, hy) + data))
    cursors = [r[1] for r in images["str"] if r[0] == RT_CURSOR]
    for c in REQUIRED_CURSORS:
        if c not in cursors:
            raise DataError("%s: no cursor %d in the string library" % (path, c))
    return images


def module(resources):
    seen = set()
    for t, i, _ in resources:
        if (t, i) in seen:
            raise DataError("resource type %d id %d twice" % (t, i))
        seen.add((t, i))
    body, dirents = b"", []
    offset = 16
    for t, i, data in sorted(resources, key=lambda r: (r[0], r[1])):
        dirents.append((t, i, offset + len(body), len(data)))
        body += data + b"\0" * (-len(data) % 4)
    directory = b"".join(struct.pack("<IIII", *e) for e in dirents)
    return b"VRES" + struct.pack("<HHII", 1, 0, len(dirents), offset + len(body)) + body + directory


def library_names(name, languages):
    dot = name.rfind(".")
    if dot < 2 or len(name) < 8:
        raise DataError("resource library name %r does not follow the rule" % name)
    strings = {lang: name[:dot - 2] + lang + name[dot:] for lang in languages}
    b = list(name)
    b[-8], b[-6], b[-5] = "C", "X", "X"
    return strings, "".join(b)


def write(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--data", required=True)
    ap.add_argument("--tables", required=True)
    ap.add_argument("--name", required=True)
    ap.add_argument("--languages", required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()
    languages = a.languages.split(",")
    try:
        spath = os.path.join(a.data, "strings.tsv")
        strings = read_strings(spath, languages)
        check_strings(strings, a.tables, spath)
        dialogs = page_templates(a.data, a.tables, read_dialogs(os.path.join(a.data, "dialogs.tsv")))
        images = read_images(os.path.join(a.data, "bitmaps.tsv"))
        names, bmp_name = library_names(a.name, languages)
        os.makedirs(a.out, exist_ok=True)
        templates = [(RT_DIALOG, did, dialog_template(d)) for did, d in dialogs.items()]
        for lang in languages:
            res = string_blocks(strings[lang]) + templates + images["str"]
            write(os.path.join(a.out, names[lang]), module(res))
        write(os.path.join(a.out, bmp_name), module(images["bmp"]))
    except DataError as e:
        print("gen_resources.py: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
