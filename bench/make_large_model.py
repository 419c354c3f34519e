#!/usr/bin/env python3
"""Writes a model description about ten times the size of the sample.

usage: make_large_model.py SAMPLE OUTPUT [COPIES]

The sample's header (FileVersion and library names) and its command groups
appear once. Its command strings, options and rules appear COPIES times
(by default as often as it takes to make the text at least ten times the
sample's size): copy k > 0 numbers its command strings and rules from
100 * k on and gives its rule names the suffix _k (with every reference to
them). Its options are renamed to dictionary symbols the sample does not
use (in their own statements and in the copy's rules), so each copy stores
values and option records of its own, as the original does: all options
while spare names last, then only those with a value list (PickOne,
PickMany, PickPage, PickSlot, FontTbl), whose repeated values the reader
would otherwise skip; an option not renamed is opened again under the
sub-number 100 * k plus its own. Every copy is thus parsed, checked and
stored like the original.
"""
import os
import re
import sys

RULE_DEF = re.compile(r"^\*(Judge|Item|Action|Transact|AlertAction|Alert) (\d+)=(\w+):", re.M)
RULE_REF = re.compile(r"\b(Judge|Item|Action|Transact|AlertAction|Alert)(\d+)\b")
COMMAND_STRING = re.compile(r"^\*CommandString (\d+):", re.M)
OPEN_UI = re.compile(r"^\*OpenUI \*(\w+)(?: (\d+))?:", re.M)
OPEN_UI_TYPE = re.compile(r"^\*OpenUI \*(\w+)(?: \d+)?:\s*(\w+)", re.M)
LIST_TYPES = {"PickOne", "PickMany", "PickPage", "PickSlot", "FontTbl"}
SYMBOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "code32", "common", "core", "tables",
                       "symbols.tsv")


def spare_symbols(text):
    """Dictionary names of items whose key the sample never uses, one name per
    key (several names may share a key, and options are told apart by key),
    in table order."""
    rows = []
    with open(SYMBOLS, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            item, key, name = line.rstrip("\n").split("\t")[:3]
            rows.append((item, key, name))
    used = {key for _item, key, name in rows if re.search(r"(?:(?<=Default)|(?<!\w))" + re.escape(name) + r"\b", text)}
    spare = []
    for item, key, name in rows:
        if item != "0" and key not in used:
            used.add(key)
            spare.append(name)
    return spare


def rename(part, names):
    """Replaces whole option names (also after "Default") by their new ones."""
    if not names:
        return part
    pattern = re.compile(r"(?:(?<=Default)|(?<![\w]))(" + "|".join(sorted(names, key=len, reverse=True)) + r")\b")
    return pattern.sub(lambda m: names[m.group(1)], part)


def split(text):
    """Header, options (with command strings), rules and command groups."""
    body = text.index("*% ---- Literal command strings")
    rules = RULE_DEF.search(text).start()
    rules = text.rindex("*% ====", 0, rules)
    rules = text.rindex("*% ====", 0, rules)
    groups = text.index("*CommandGroup")
    groups = text.rindex("*% ====", 0, groups)
    groups = text.rindex("*% ====", 0, groups)
    return text[:body], text[body:rules], text[rules:groups], text[groups:]


def options_copy(part, renamed, k):
    if k == 0:
        return part
    part = COMMAND_STRING.sub(lambda m: "*CommandString %d:" % (int(m.group(1)) + 100 * k), part)
    # One device-font list and one cartridge list are enough.
    part = re.sub(r"^\*(DeviceFonts|FontCartridge):.*$", "", part, flags=re.M)
    new_names = set(renamed.values())

    def reopen(m):
        if m.group(1) in new_names:
            return m.group(0)
        sub = int(m.group(2)) if m.group(2) else 0
        return "*OpenUI *%s %d:" % (m.group(1), 100 * k + sub)

    return OPEN_UI.sub(reopen, rename(part, renamed))


def rules_copy(part, names, renamed, k):
    if k == 0:
        return part
    part = rename(part, renamed)
    part = RULE_DEF.sub(lambda m: "*%s %d=%s_%d:" % (m.group(1), int(m.group(2)) + 100 * k, m.group(3), k), part)
    part = RULE_REF.sub(lambda m: "%s%d" % (m.group(1), int(m.group(2)) + 100 * k), part)
    pattern = re.compile(r"\b(" + "|".join(sorted(names, key=len, reverse=True)) + r")\b(?!_)")
    return pattern.sub(lambda m: "%s_%d" % (m.group(1), k), part)


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "rb") as f:
        text = f.read().decode("latin-1")
    header, options, rules, groups = split(text)
    names = {m.group(3) for m in RULE_DEF.finditer(rules)}
    every, listed = [], []
    for m in OPEN_UI_TYPE.finditer(options):
        if m.group(1) not in every:
            every.append(m.group(1))
        if m.group(2) in LIST_TYPES and m.group(1) not in listed:
            listed.append(m.group(1))
    spare = spare_symbols(text)

    def renames(copies):
        """The new names of each copy's options (none for the original): all
        options in as many copies as the spare names allow, the list options
        in the others."""
        extra = copies - 1
        if extra * len(listed) > len(spare):
            raise SystemExit("make_large_model.py: the dictionary has too few spare names for %d copies" % copies)
        whole = 0
        while whole < extra and (whole + 1) * len(every) + (extra - whole - 1) * len(listed) <= len(spare):
            whole += 1
        out, used = [{}], 0
        for k in range(1, copies):
            which = every if k <= whole else listed
            out.append(dict(zip(which, spare[used:used + len(which)])))
            used += len(which)
        return out

    def build(copies):
        renamed = renames(copies)
        parts = [header]
        parts += [options_copy(options, renamed[k], k) for k in range(copies)]
        parts += [rules_copy(rules, names, renamed[k], k) for k in range(copies)]
        parts.append(groups)
        return "".join(parts)

    if len(argv) == 4:
        large = build(int(argv[3]))
    else:
        copies = 1
        large = build(copies)
        while len(large) < 10 * len(text):
            copies += 1
            large = build(copies)
    with open(argv[2], "wb") as f:
        f.write(large.encode("latin-1"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
