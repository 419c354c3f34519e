#!/usr/bin/env python3
"""Writes a model description about ten times the size of the sample.

usage: make_large_model.py SAMPLE OUTPUT [COPIES]

The sample's header (FileVersion and library names) and its command groups
appear once. Its command strings, options and rules appear COPIES times
(by default as often as it takes to make the text at least ten times the
sample's size): copy k > 0 numbers its command strings and rules from
100 * k on, gives its rule names the suffix _k (with every reference to
them), and opens each option again under the sub-number 100 * k plus its
own, so every copy is parsed, checked and compiled like the original.
"""
import re
import sys

RULE_DEF = re.compile(r"^\*(Judge|Item|Action|Transact|AlertAction|Alert) (\d+)=(\w+):", re.M)
RULE_REF = re.compile(r"\b(Judge|Item|Action|Transact|AlertAction|Alert)(\d+)\b")
COMMAND_STRING = re.compile(r"^\*CommandString (\d+):", re.M)
OPEN_UI = re.compile(r"^\*OpenUI \*(\w+)(?: (\d+))?:", re.M)


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


def options_copy(part, k):
    if k == 0:
        return part
    part = COMMAND_STRING.sub(lambda m: "*CommandString %d:" % (int(m.group(1)) + 100 * k), part)
    # One device-font list and one cartridge list are enough.
    part = re.sub(r"^\*(DeviceFonts|FontCartridge):.*$", "", part, flags=re.M)

    def reopen(m):
        sub = int(m.group(2)) if m.group(2) else 0
        return "*OpenUI *%s %d:" % (m.group(1), 100 * k + sub)

    return OPEN_UI.sub(reopen, part)


def rules_copy(part, names, k):
    if k == 0:
        return part
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

    def build(copies):
        parts = [header]
        parts += [options_copy(options, k) for k in range(copies)]
        parts += [rules_copy(rules, names, k) for k in range(copies)]
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
