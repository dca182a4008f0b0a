#!/usr/bin/env python3
"""Writes the messages of a .po file as C++ for a program without gettext:
a table of {English, translation} pairs in msgid order, plurals by their
singular. Usage: catalogue_source.py <file.po> <out.inc>"""
import sys


def entries(lines):
    entry, key = {}, None
    for line in lines + [""]:
        line = line.strip()
        if not line:
            if entry.get("msgid"):
                yield entry
            entry, key = {}, None
        elif line.startswith("#"):
            continue
        elif line.startswith('"'):
            entry[key] += line[1:-1]
        else:
            key, _, text = line.partition(" ")
            entry[key] = text.strip()[1:-1]


def main():
    with open(sys.argv[1], encoding="utf-8") as po:
        found = list(entries(po.read().splitlines()))
    rows = []
    for entry in sorted(found, key=lambda e: e["msgid"].encode("utf-8")):
        translation = entry.get("msgstr", entry.get("msgstr[0]", ""))
        if "fuzzy" in entry or not translation:
            continue
        rows.append('    {"%s", "%s"},' % (entry["msgid"], translation))
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write("// Made from %s by catalogue_source.py; not to be edited.\n" % sys.argv[1])
        out.write("\n".join(rows) + "\n")


main()
