#!/usr/bin/python3
"""Writes tables with memo texts through the library and reads them back with
python3-dbfread, an independent dBase reader: every kept record, and every
memo text, must come back exactly, and packed records must be gone from the
file. Covers the fixed-block memo layout (version 0x83) and the sized-block
one with binary (0x30) and decimal (0xF5) block numbers, and a table a host
makes with make and fills with addrec.

Usage: dbfread_roundtrip.py PATH_TO_WRITER
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import dbfread

RECORDS = [
    # name, age, memos stored one after the other, deleted
    ("Иванов Иван", "42", ["Первая заметка\r\nвторая строка"], False),
    ("to be packed", "1", ["gone"], True),
    ("Smith & Co", "-7", ["x" * 300, "y" * 1200 + " конец"], False),
    ("Exact", "5", ["z" * 510], False),
    ("Empty memo", "6", [""], False),
    ("Shrunk", "8", ["a" * 200, "short | with bar"], False),
    ("No memo", "9", [], False),
]


def to_json_text(text):
    # The writer reads byte strings as Latin-1 code points.
    return text.encode("cp1251").decode("latin-1")


def round_trip(writer, version, folder, exports=False):
    # A record appended blank into a 0x30 table holds four blanks where the
    # binary block number goes; dbfread takes them for a block number. A host
    # adds no deleted records, and a "|" would split its assignment list.
    records = [r for r in RECORDS if (r[2] or version != 0x30) and not (exports and r[3])]
    if exports:
        records = [(n, a, [m.replace("|", "/") for m in ms], d) for n, a, ms, d in records]
    request = {
        "version": version,
        "records": [
            {"name": to_json_text(name), "age": age,
             "memos": [to_json_text(m) for m in memos], "deleted": deleted}
            for name, age, memos, deleted in records
        ],
    }
    request_path = os.path.join(folder, "request.json")
    with open(request_path, "w", encoding="ascii") as out:
        json.dump(request, out)
    subprocess.run([writer] + (["--exports"] if exports else []) + [request_path, folder],
                   check=True)

    table_path = os.path.join(folder, "interop.dbf")
    if version != 0x83:
        # dbfread knows the sized-block layout by the .fpt name.
        shutil.copy(os.path.join(folder, "interop.dbt"), os.path.join(folder, "interop.fpt"))
    table = dbfread.DBF(table_path, encoding="cp1251", char_decode_errors="strict", load=True)

    expected = [(name, int(age), memos[-1] if memos else None)
                for name, age, memos, deleted in records if not deleted]
    got = [(r["NAME"], r["AGE"], r["NOTE"]) for r in table.records]
    problems = []
    if got != expected:
        problems.append("records differ:\n  got      %r\n  expected %r" % (got, expected))
    if table.deleted:
        problems.append("%d packed records are still in the file" % len(table.deleted))
    if table.header.numrecords != len(expected):
        problems.append("header counts %d records" % table.header.numrecords)
    return problems


def main():
    writer = sys.argv[1]
    failed = False
    for version, exports in ((0x83, False), (0x30, False), (0xF5, False), (0x83, True)):
        folder = tempfile.mkdtemp(prefix="quillon-interop-")
        try:
            problems = round_trip(writer, version, folder, exports)
        finally:
            shutil.rmtree(folder)
        for problem in problems:
            print("version 0x%02X%s: %s" % (version, " (make, addrec)" if exports else "", problem))
        failed = failed or bool(problems)
    print("FAILED" if failed else "all tables read back exactly")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
