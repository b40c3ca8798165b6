#!/usr/bin/python3
"""End-to-end tests of quillon-host: each runs the host as a process on a
script and compares what it prints and its exit status.

Run one group: host_test.py GROUP (ErrorPaths, Encoding, Standalone,
Commands, Editing, Deleted, ForeignTables, Tour, Sample, People, Locks or
Progress). The environment names the programs: QUILLON_HOST (the host, which loads the plug-in built beside it),
QUILLON_PLUGIN (that plug-in) and QUILLON_STUB_PLUGIN (a stand-in with few
exports). A group fails at once when the plug-in lacks an export it needs.
QUILLON_UPDATE_GOLDEN=1 rewrites the tour's golden transcript. With
QUILLON_WINE=1, QUILLON_HOST is quillon-host.exe and runs under wine (the
People group is the one meant for it), in the caller's locale, whose code
page wine takes (ru_RU.UTF-8 gives 1251); otherwise every run is in the
C.UTF-8 locale.
"""

import fcntl
import os
import pty
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HOST = os.environ.get("QUILLON_HOST", "")
PLUGIN = os.environ.get("QUILLON_PLUGIN", "")
STUB = os.environ.get("QUILLON_STUB_PLUGIN", "")
WINE = os.environ.get("QUILLON_WINE") == "1"
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(SOURCE, "examples")
GOLDEN = os.path.join(SOURCE, "tests", "tools", "tour.golden")

READ = ["getfields", "getcurrecall", "getcurn", "getdataotdo", "finddata", "curnum", "gotorec"]
EVERYTHING = READ + ["make", "addrec", "editrec", "delrec", "getarrayrecords",
                     "importasmaster", "memopak", "fiedscount", "first", "next1"]


def run(*args, stdin=b"", cwd=None):
    """Runs the host; gives (exit status, standard output, standard error),
    with plain line ends under wine too."""
    command = ["wine", HOST] if WINE else [HOST]
    locale = {} if WINE else {"LC_ALL": "C.UTF-8"}
    done = subprocess.run([*command, *args], input=stdin, capture_output=True, cwd=cwd,
                          timeout=120, env=dict(os.environ, **locale))
    if WINE:
        return done.returncode, done.stdout.replace(b"\r\n", b"\n"), \
            done.stderr.replace(b"\r\n", b"\n")
    return done.returncode, done.stdout, done.stderr


def cp1251(text):
    return text.encode("cp1251")


def mark_deleted(path, numbers):
    """Sets the flag byte of those records (from 1) to "*", as a dBase
    program that deletes without packing leaves them."""
    with open(path, "r+b") as table:
        header = table.read(32)
        count, header_length, record_length = struct.unpack("<IHH", header[4:12])
        for number in numbers:
            table.seek(header_length + (number - 1) * record_length)
            table.write(b"*")


def write_table(path, fields, records):
    """A dBase III table without memo file, dated 2024-01-31: fields are
    (name, width) pairs of character fields, or (name, width, type,
    decimals); records lists of str values (Windows-1251 on disk)."""
    fields = [field + ("C", 0) if len(field) == 2 else field for field in fields]
    record_length = 1 + sum(field[1] for field in fields)
    header = struct.pack("<BBBBIHH20x", 0x03, 124, 1, 31, len(records),
                         32 + 32 * len(fields) + 1, record_length)
    for name, width, kind, decimals in fields:
        header += struct.pack("<11sc4xBB14x", name.encode("ascii"), kind.encode(), width, decimals)
    body = b"".join(b" " + b"".join(cp1251(value).ljust(field[1]) for value, field
                                    in zip(values, fields)) for values in records)
    with open(path, "wb") as table:
        table.write(header + b"\r" + body + b"\x1a")


class HostTest(unittest.TestCase):
    needs = []

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quillon-host-test.")
        self.addCleanup(shutil.rmtree, self.folder)

    def run_lines(self, *lines, options=()):
        """The lines as -c arguments, run in the test's own folder."""
        args = list(options)
        for line in lines:
            args += ["-c", line]
        return run(*args, cwd=self.folder)

    def assertRan(self, result, expected_output):
        status, out, err = result
        self.assertEqual((status, err), (0, b""), out)
        self.assertEqual(out.decode("utf-8"), expected_output)

    def assertFailed(self, result, complaint, status=1):
        self.assertEqual(result[0], status, result)
        self.assertIn(complaint.encode("utf-8"), result[2])


class ErrorPaths(HostTest):
    """Exit status and complaints: bad lines, bad command lines, a plug-in
    that does not load or lacks an export."""

    def test_an_unknown_command_stops_the_script_with_its_place(self):
        status, out, err = self.run_lines("SetData 4", "frob", "GetData")
        self.assertEqual((status, out), (1, b""))
        self.assertEqual(
            err, b"quillon-host: -c:2: unknown command 'frob' (help lists the commands)\n")

    def test_keep_going_runs_the_rest_and_still_fails(self):
        status, out, _ = self.run_lines("frob", "SetData 4", "GetData", options=["--keep-going"])
        self.assertEqual((status, out), (1, b"= 4\n"))

    def test_bad_arguments(self):
        cases = {
            "SetData 12x": "SetData needs a whole number",
            "SetData 2147483648": "SetData needs a whole number",
            "SetData +-1": "SetData needs a whole number",
            "SetData": "SetData needs a whole number",
            "GetData now": "GetData takes no argument",
            "first 2": "first takes no argument",
            "show me": "show takes no argument",
            "list x": "list FROM needs a whole number",
            "list 1 2 3": "list takes at most FROM and TO",
            "find NAME": "find needs NAME=PATTERN",
            "open": "open needs the path of a table file",
        }
        for line, complaint in cases.items():
            with self.subTest(line=line):
                self.assertFailed(self.run_lines(line), "-c:1: " + complaint)

    def test_exports_that_need_no_table_run_without_one(self):
        self.assertRan(self.run_lines("SetFile x", "GetFile", "Settings", "GetType"),
                       "= x\n= 0\n")

    def test_a_mistyped_command_gets_a_suggestion(self):
        cases = {"lsit": "did you mean list?", "Show": "did you mean show?",
                 "delet": "did you mean delete?", "getfield": "did you mean getfields?",
                 "gotoerc": "did you mean gotorec?", "exp": "did you mean export?",
                 "frist": "did you mean first?"}
        for line, guess in cases.items():
            with self.subTest(line=line):
                self.assertFailed(self.run_lines(line), "unknown command '%s': %s" % (line, guess))
        self.assertNotIn(b"did you mean", self.run_lines("frob")[2])

    def test_whole_numbers_at_the_limits_and_with_a_plus_reach_the_plug_in(self):
        self.assertRan(self.run_lines("SetData -2147483648", "GetData", "SetData +7", "GetData"),
                       "= -2147483648\n= 7\n")

    def test_a_table_command_without_an_open_table(self):
        for line in ["show", "list", "find NAME=x", "edit 1 NAME=x", "add NAME=x", "delete 1",
                     "export csv", "first", "gotorec", "getfields", "countrec", "editrec",
                     "delrec"]:
            with self.subTest(line=line):
                self.assertFailed(self.run_lines(line), "no table is open")

    def test_opening_a_missing_table_shows_the_message_and_fails(self):
        status, out, err = self.run_lines("open missing.dbf", "GetData")
        self.assertEqual(status, 1)
        self.assertTrue(out.startswith("message: НЕ ПОНЯЛ!!".encode("utf-8")), out)
        self.assertEqual(
            err, b"quillon-host: -c:1: the table was not opened: there is no file missing.dbf\n")

    def test_a_plug_in_that_does_not_load(self):
        missing = os.path.join(self.folder, "nothing.so")
        status, out, err = run("--plugin", missing, "-c", "GetType")
        self.assertEqual((status, out), (3, b""))
        self.assertIn(b"cannot load the plug-in " + missing.encode(), err)

    def test_a_missing_export_fails_only_the_line_that_calls_it(self):
        status, out, err = run("--plugin", STUB, "-c", "SetData 5", "-c", "GetData", "-c", "last")
        self.assertEqual((status, out), (1, b"= 5\n"))
        self.assertEqual(err, b"quillon-host: -c:3: the plug-in has no export last\n")

    def test_message_boxes_of_one_call_are_told_apart_and_shown_in_one_encoding(self):
        self.assertRan(run("--plugin", STUB, "-c", "first"),
                       "message: one\ntwo\nmessage: три /tmp/Клиенты.dbf\ndata: 1\n")

    def test_bad_command_lines(self):
        script = os.path.join(self.folder, "s.qh")
        open(script, "w").close()
        cases = [(["--frob"], "unknown option '--frob'"),
                 (["--plugin"], "unknown option '--plugin'"),
                 (["--input-encoding", "latin1"], "unknown input encoding 'latin1'"),
                 (["--table-encoding", "koi8-r"], "unknown table encoding 'koi8-r'"),
                 (["-c", "GetType", script], "either -c or a script"),
                 ([script, script], "only one script"),
                 ([os.path.join(self.folder, "none.qh")], "cannot read the script")]
        for args, complaint in cases:
            with self.subTest(args=args):
                self.assertFailed(run(*args), complaint, status=2)

    def test_a_script_file_with_comments_crlf_line_ends_and_quit(self):
        script = os.path.join(self.folder, "s.qh")
        with open(script, "wb") as lines:
            lines.write(b"# a comment\r\n\r\n  SetFile two words \r\nGetFile\r\nquit\r\nfrob\r\n")
        self.assertRan(run(script), "= two words \n")
        with open(script, "wb") as lines:
            lines.write(b"GetType\nfrob\n")
        self.assertFailed(run(script), script + ":2: unknown command")

    def test_lines_from_standard_input(self):
        status, out, _ = run("-", stdin=b"SetData 3\nGetData\n")
        self.assertEqual((status, out), (0, b"= 3\n"))
        status, out, err = run(stdin=b"GetType\nfrob\n")
        self.assertEqual((status, out), (1, b"= 0\n"))
        self.assertIn(b"stdin:2: unknown command", err)


class Encoding(HostTest):
    """Windows-1251 on the plug-in's side, UTF-8 in the terminal."""

    # Every byte a script line can carry: all but the line end and "|".
    ALL_BYTES = bytes(b for b in range(0x20, 0x100) if b != 0x7C)

    def test_the_plug_in_texts_are_shown_as_utf8_unless_raw(self):
        script = os.path.join(self.folder, "bytes.qh")
        with open(script, "wb") as lines:
            lines.write(b"SetFile " + self.ALL_BYTES + b"\nGetFile\n")
        status, out, _ = run("--input-encoding", "cp1251", script)
        self.assertEqual(status, 0)
        self.assertEqual(out.decode("utf-8"),
                         "= " + self.ALL_BYTES.decode("cp1251", errors="replace") + "\n")
        self.assertEqual(run("--raw", "--input-encoding", "cp1251", script)[1],
                         b"= " + self.ALL_BYTES + b"\n")

    def test_utf8_input_reaches_the_plug_in_as_windows_1251(self):
        typed = bytes(b for b in self.ALL_BYTES if b != 0x98).decode("cp1251")
        script = os.path.join(self.folder, "typed.qh")
        with open(script, "wb") as lines:
            lines.write(("SetFile " + typed + "\nGetFile\n").encode("utf-8"))
        status, out, _ = run("--raw", "--input-encoding", "utf-8", script)
        self.assertEqual((status, out), (0, b"= " + cp1251(typed) + b"\n"))

    def test_utf8_input_that_windows_1251_cannot_carry_fails_the_line(self):
        self.assertFailed(self.run_lines("SetFile 中文", options=["--input-encoding", "UTF-8"]),
                          "-c:1: the character U+4E2D has no Windows-1251 byte")
        script = os.path.join(self.folder, "cp1251.qh")
        with open(script, "wb") as lines:
            lines.write(b"GetType\nSetFile " + cp1251("Тверь") + b"\n")
        self.assertFailed(run("--input-encoding", "utf8", script),
                          script + ":2: the text is not valid UTF-8 (byte 1)")

    def test_messages_are_converted_with_their_line_breaks_and_the_path_kept(self):
        missing = "Данные.dbf"
        before, after = "НЕ ПОНЯЛ!! Базы данных по указанному пути ", \
            " НЕТ!\r\nПроверьте правильность пути и наличие ТАМ файла!"
        lines = ["SetFile " + missing, "loaddb"]
        self.assertRan(self.run_lines(*lines),
                       "message: " + (before + missing + after).replace("\r\n", "\n") +
                       "\nfile: " + missing + "\n")
        # Raw: the plug-in's own bytes, and the path as the file system spells it.
        status, out, _ = self.run_lines(*lines, options=["--raw"])
        path = missing.encode("utf-8")
        self.assertEqual(out, b"message: " + cp1251(before) + path + cp1251(after) +
                         b"\nfile: " + path + b"\n")

    def test_echo_shows_the_lines_as_the_plug_in_gets_them(self):
        script = os.path.join(self.folder, "echo.qh")
        with open(script, "wb") as lines:
            lines.write(cp1251("# Привет\n\n  SetFile Тверь\n"))
        self.assertRan(run("--echo", "--input-encoding", "cp1251", script),
                       "# Привет\n\n>   SetFile Тверь\n")
        self.assertRan(self.run_lines("SetFile Тверь", "GetFile",
                                      options=["--echo", "--input-encoding", "utf-8"]),
                       "> SetFile Тверь\n> GetFile\n= Тверь\n")


class Commands(HostTest):
    """open, show, list and find on a table whose values hold the plug-in's
    own separators "|" and "#", which it passes on without escaping."""

    needs = READ

    def setUp(self):
        super().setUp()
        write_table(os.path.join(self.folder, "t.dbf"), [("NAME", 8), ("CITY", 10)],
                    [["Анна", "Москва"], ["a|b", "x|#y"], ["Борис", "Тверь"]])

    def session(self, *lines):
        return self.run_lines("open t.dbf", *lines, options=["--input-encoding", "utf-8"])

    def test_open_tells_the_records_and_fields(self):
        self.assertRan(self.session(), "records: 3\nfields: NAME, CITY\n")

    def test_show_gives_each_field_its_own_value(self):
        self.assertRan(self.session("SetData 2", "gotorec", "show"),
                       "records: 3\nfields: NAME, CITY\nrecord: 2 of 3\nNAME  a|b\nCITY  x|#y\n")
        self.assertRan(self.session("show"),
                       "records: 3\nfields: NAME, CITY\nrecord: 1 of 3\nNAME  Анна\nCITY  Москва\n")

    def test_list_ranges_and_the_cursor_stays(self):
        whole = ["#  NAME   CITY", "1  Анна   Москва", "2  a|b    x|#y", "3  Борис  Тверь"]
        cases = {"list": whole, "list 2": [whole[0]] + whole[2:], "list 0 max": whole,
                 "list -5 99": whole, "list 2 2": ["#  NAME  CITY", "2  a|b   x|#y"],
                 "list 3 1": ["#  NAME  CITY"],
                 "list 3 max": ["#  NAME   CITY", "3  Борис  Тверь"]}
        for line, rows in cases.items():
            with self.subTest(line=line):
                expected = "".join(row + "\n" for row in rows)
                self.assertRan(self.session("SetData 2", "gotorec", line, "curnum"),
                               "records: 3\nfields: NAME, CITY\n" + expected + "data: 2\n")

    def test_a_range_past_the_last_record_is_refused(self):
        cases = {"list 4": "list: there is no record 4", "list 7 9": "list: there is no record 7",
                 "export csv 5": "export csv: there is no record 5"}
        for line, complaint in cases.items():
            with self.subTest(line=line):
                self.assertFailed(self.session(line), complaint + ", the table has 3 records")

    def test_show_without_a_current_record_says_so(self):
        self.assertRan(self.session("SetData 0", "gotorec", "show"),
                       "records: 3\nfields: NAME, CITY\nrecord: none of 3 (no current record: "
                       "move with first, or SetData N and gotorec)\n")

    def test_find_gives_the_numbers_and_rows_and_checks_the_field(self):
        opened = "records: 3\nfields: NAME, CITY\n"
        self.assertRan(self.session("find city=МОС", "curnum"),
                       opened + "found: 1\n#  NAME  CITY\n1  Анна  Москва\ndata: 1\n")
        self.assertRan(self.session("find CITY=#"),
                       opened + "found: 2\n#  NAME  CITY\n2  a|b   x|#y\n")
        self.assertRan(self.session("find NAME=nobody"), opened + "found: none\n")
        self.assertFailed(self.session("find TOWN=x"),
                          "the table has no field 'TOWN' (its fields: NAME, CITY)")
        self.assertFailed(self.session("find CTY=x"),
                          "the table has no field 'CTY' (did you mean CITY?) (its fields")


class Editing(HostTest):
    """edit, add and delete: every name and value checked against the table
    file before a single call writes, and the record shown afterwards."""

    needs = READ + ["editrec", "addrec", "delrec", "fiedscount", "make"]
    FIELDS = [("NAME", 10), ("PRICE", 8, "N", 2), ("BORN", 8, "D", 0), ("OK", 1, "L", 0),
              ("QTY", 3, "N", 0)]

    def setUp(self):
        super().setUp()
        self.path = os.path.join(self.folder, "t.dbf")
        write_table(self.path, self.FIELDS, [["Анна", "1.50", "20000131", "T", "7"],
                                             ["Bob", "", "", "", ""]])

    def session(self, *lines):
        return self.run_lines("open t.dbf", *lines, options=["--input-encoding", "utf-8"])

    def shown(self, out):
        """The fields and values of the last record shown."""
        lines = out.decode("utf-8").split("\n")
        last = max(i for i, line in enumerate(lines) if line.startswith("record: "))
        values = {}
        for line in lines[last + 1:]:
            if line:
                name, _, value = line.partition(" ")
                values[name] = value.strip()
        return lines[last], values

    def test_a_wrong_name_number_or_value_writes_nothing(self):
        cases = {
            "edit 1 COLOUR=x": "the table has no field 'COLOUR' (its fields: NAME, PRICE, BORN",
            "edit 1 CITY=x": "the table has no field 'CITY' (did you mean QTY?)",
            "edit 1 NAM=x": "the table has no field 'NAM' (did you mean NAME?)",
            "edit 1 pri=1": "the table has no field 'PRI' (did you mean PRICE?)",
            "edit 1 BRON=x": "(did you mean BORN?)",
            "edit 0 NAME=x": "there is no record 0: the table has 2 records (1 to 2)",
            "edit 3 NAME=x": "there is no record 3: the table has 2 records",
            "edit x NAME=x": "edit N needs a whole number",
            "edit 1": "edit needs N NAME=VALUE",
            "edit 1 NAME": "'NAME' is no NAME=VALUE",
            "delete 3": "there is no record 3",
            "delete -1": "there is no record -1",
            "delete": "delete needs one record number",
            "delete 1 2": "delete needs one record number",
            "add": "add needs NAME=VALUE",
            "add NAME=a|TOWN=b": "the table has no field 'TOWN'",
            "edit 1 BORN=20230230": "'20230230' for BORN is no date",
            "edit 1 BORN=19000229": "is no date",
            "edit 1 BORN=2024013": "is no date",
            "edit 1 BORN=31/01/2024": "is no date",
            "edit 1 BORN=32.01.2024": "is no date",
            "edit 1 BORN=2024-13-01": "is no date",
            "edit 1 OK=maybe": "'maybe' for OK is no logical value",
            "edit 1 OK=TT": "is no logical value",
            "edit 1 PRICE=1,5": "'1,5' for PRICE is no number: use a point",
            "edit 1 PRICE=abc": "'abc' for PRICE is no number",
            "edit 1 PRICE=1.2.3": "is no number",
            "edit 1 PRICE=-": "is no number",
            "edit 1 PRICE=1.555": "'1.555' for PRICE does not fit: the field is 8 wide with 2",
            "edit 1 PRICE=123456": "does not fit",
            "edit 1 PRICE=-12345.6": "does not fit",
            "edit 1 QTY=1.5": "'1.5' for QTY does not fit: the field is 3 wide with 0",
            "edit 1 QTY=1000": "does not fit",
            "edit 1 NAME=Анна Петровна": "'Анна Петровна' for NAME is 13 characters long; the "
                                         "field holds 10",
            "add NAME=ok|PRICE=1,50": "use a point",
        }
        for line, complaint in cases.items():
            with self.subTest(line=line):
                self.setUp()  # a fresh table, so one fault does not spoil the rest
                with open(self.path, "rb") as f:
                    before = f.read()
                result = self.session(line)
                self.assertFailed(result, complaint)
                self.assertTrue(result[2].startswith(b"quillon-host: -c:2: "), result)
                with open(self.path, "rb") as f:
                    self.assertEqual(f.read(), before)

    def test_typed_forms_are_accepted_and_converted(self):
        cases = [("BORN=31.01.2024", "BORN", "20240131"), ("BORN=2024-02-29", "BORN", "20240229"),
                 ("BORN=20001231", "BORN", "20001231"), ("BORN=", "BORN", ""),
                 ("OK=да", "OK", "T"), ("OK=НЕТ", "OK", "F"), ("OK=Да", "OK", "T"),
                 ("OK=y", "OK", "y"), ("OK=?", "OK", "?"), ("OK=", "OK", ""),
                 ("PRICE=-1234.5", "PRICE", "-1234.5"), ("PRICE=12345.67", "PRICE", "12345.67"),
                 ("PRICE=.5", "PRICE", ".5"), ("QTY=-99", "QTY", "-99"),
                 ("name=Ёжиковичей", "NAME", "Ёжиковичей")]
        for assignment, field, stored in cases:
            with self.subTest(assignment=assignment):
                status, out, err = self.session("edit 2 " + assignment)
                self.assertEqual((status, err), (0, b""), out)
                heading, values = self.shown(out)
                self.assertEqual(heading, "record: 2 of 2")
                self.assertEqual(values[field], stored)

    def test_da_and_net_are_read_in_the_input_encoding(self):
        script = os.path.join(self.folder, "yes.qh")
        for encoding, word, stored in [("cp1251", "нет", "F"), ("cp1251", "ДА", "T"),
                                       ("utf-8", "Нет", "F")]:
            with self.subTest(encoding=encoding, word=word):
                with open(script, "wb") as lines:
                    lines.write(("open t.dbf\nedit 1 OK=" + word + "\n").encode(encoding))
                status, out, err = run("--input-encoding", encoding, script, cwd=self.folder)
                self.assertEqual((status, err), (0, b""))
                self.assertEqual(self.shown(out)[1]["OK"], stored)

    def test_add_and_delete_show_what_is_there_now(self):
        status, out, err = self.session("add NAME=Вера|OK=n|BORN=01.02.2003", "delete 1", "list")
        self.assertEqual((status, err), (0, b""))
        out = out.decode("utf-8")
        self.assertIn("record: 3 of 3\nNAME   Вера\n", out)
        self.assertIn("BORN   20030201\n", out)
        self.assertIn("deleted: record 1\nrecords: 2\n#  NAME  PRICE", out)
        self.assertIn("\n2  Вера", out)

    def test_an_edit_packs_records_marked_deleted_and_shows_the_record_where_it_went(self):
        mark_deleted(self.path, [1])
        status, out, err = self.session("edit 2 NAME=Борис", "list")
        self.assertEqual((status, err), (0, b""))
        heading, values = self.shown(out.split(b"\n#  NAME")[0] + b"\n")
        self.assertEqual((heading, values["NAME"]), ("record: 1 of 1", "Борис"))
        self.assertNotIn(b"marked deleted", out.split(b"record: ")[1])

    def test_a_record_marked_deleted_is_not_edited(self):
        mark_deleted(self.path, [2])
        with open(self.path, "rb") as f:
            before = f.read()
        self.assertFailed(self.session("edit 2 NAME=x"),
                          "record 2 is marked deleted, and the pack that follows every change "
                          "would remove it")
        with open(self.path, "rb") as f:
            self.assertEqual(f.read(), before)

    def test_memo_values_go_as_they_are(self):
        note = "строка " * 40
        status, out, err = self.run_lines("SetFile NAME=C5|NOTE=M", "make", "open newbase.dbf",
                                          "add NAME=ab|NOTE=" + note, "edit 1 NOTE=x,y|NAME=cd")
        self.assertEqual((status, err), (0, b""))
        self.assertIn(("NOTE  " + note.rstrip()).encode("utf-8"), out)
        self.assertTrue(out.endswith("NAME  cd\nNOTE  x,y\n".encode("utf-8")), out)


class Deleted(HostTest):
    """Records marked deleted in the table file, which the plug-in counts
    and shows like the others until its next change packs them away."""

    needs = READ + ["fiedscount"]

    def setUp(self):
        super().setUp()
        self.path = os.path.join(self.folder, "t.dbf")
        write_table(self.path, [("NAME", 6), ("CITY", 8)],
                    [["Анна", "Москва"], ["Bob", "Lyon"], ["Вера", "Омск"], ["Dan", "Kyiv"]])
        mark_deleted(self.path, [2, 4])

    def test_list_and_find_put_a_star_before_deleted_records(self):
        status, out, err = self.run_lines("open t.dbf", "list", "find CITY=*")
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode("utf-8"), "\n".join([
            "records: 4", "fields: NAME, CITY",
            "marked deleted: 2 (shown with * before the number; the next edit, add or delete "
            "removes them for good)",
            "#   NAME  CITY", "1   Анна  Москва", "*2  Bob   Lyon", "3   Вера  Омск",
            "*4  Dan   Kyiv",
            "found: 1, 2, 3, 4", "#   NAME  CITY", "1   Анна  Москва", "*2  Bob   Lyon",
            "3   Вера  Омск", "*4  Dan   Kyiv", ""]))

    def test_fields_counts_them_and_a_clean_table_says_nothing(self):
        out = self.run_lines("open t.dbf", "fields")[1].decode("utf-8")
        self.assertIn("records: 4\nmarked deleted: 2 (", out.split("table: ")[1])
        write_table(self.path, [("NAME", 6)], [["a"]])
        self.assertNotIn(b"deleted", self.run_lines("open t.dbf", "fields")[1])

    def test_export_csv_leaves_them_out_unless_asked(self):
        cases = [("export csv", ["NAME,CITY", "Анна,Москва", "Вера,Омск"], 2),
                 ("export csv 2 3", ["NAME,CITY", "Вера,Омск"], 1),
                 ("export csv --with-deleted", ["NAME,CITY,DELETED", "Анна,Москва,no",
                                                "Bob,Lyon,yes", "Вера,Омск,no",
                                                "Dan,Kyiv,yes"], 0),
                 ("export csv --with-deleted 3", ["NAME,CITY,DELETED", "Вера,Омск,no",
                                                  "Dan,Kyiv,yes"], 0)]
        for line, rows, left_out in cases:
            with self.subTest(line=line):
                status, out, err = self.run_lines("open t.dbf", line)
                self.assertEqual(status, 0)
                self.assertEqual(out.decode("utf-8").splitlines()[3:], rows)
                note = b"left out %d records marked deleted" % left_out
                self.assertEqual(note in err, left_out > 0, err)
                status, out, _ = self.run_lines("open t.dbf", line + " out.csv")
                with open(os.path.join(self.folder, "out.csv"), "rb") as f:
                    self.assertEqual(f.read().decode("utf-8").split("\r\n")[:-1], rows)
                self.assertIn(b"exported: %d records to out.csv" % (len(rows) - 1), out)

    def test_bom_and_unknown_options(self):
        self.run_lines("open t.dbf", "export csv --bom b.csv")
        with open(os.path.join(self.folder, "b.csv"), "rb") as f:
            self.assertTrue(f.read().startswith(b"\xef\xbb\xbfNAME,CITY\r\n"))
        out = self.run_lines("open t.dbf", "export csv --bom")[1]
        self.assertIn(b"\n\xef\xbb\xbfNAME,CITY\n", out)
        self.assertFailed(self.run_lines("open t.dbf", "export csv --bom", options=["--raw"]),
                          "--bom marks UTF-8, and --raw writes Windows-1251")
        self.assertFailed(self.run_lines("open t.dbf", "export csv --frob"),
                          "export csv knows the options --with-deleted and --bom, not '--frob'")


class ForeignTables(HostTest):
    """Tables other programs wrote, read as the library reads them: the year
    byte, the version, a memo file missing or in another layout, a code page
    other than Windows-1251, and a DOS Russian table shown and edited in
    its own code page."""

    needs = READ + ["fiedscount", "editrec"]

    def table(self, version=0x03, year=124, code_page=0, fields=(("NAME", 8),), rows=()):
        path = os.path.join(self.folder, "t.dbf")
        write_table(path, list(fields), [list(row) for row in rows])
        with open(path, "r+b") as table:
            table.write(bytes([version, year]))
            table.seek(29)
            table.write(bytes([code_page]))
        return path

    def fields_line(self, label):
        status, out, err = self.run_lines("open t.dbf", "fields")
        self.assertEqual((status, err), (0, b""), out)
        return next(line for line in out.decode("utf-8").split("\n") if line.startswith(label))

    def test_the_year_byte_is_read_as_the_library_writes_it(self):
        for byte, year in [(26, 2026), (79, 2079), (80, 1980), (99, 1999), (124, 2024)]:
            with self.subTest(byte=byte):
                self.table(year=byte)
                self.assertEqual(self.fields_line("last update: "), "last update: %d-01-31" % year)

    def test_versions_are_named_by_what_the_library_reads(self):
        for version, named in [(0x83, "memo texts, if any, in 512-byte blocks"),
                               (0xF5, "in blocks that carry their size)"),
                               (0x30, "block numbers stored as binary"),
                               (0x8B, "the library reads no memo texts for this version")]:
            with self.subTest(version=version):
                self.table(version=version)
                self.assertIn(named, self.fields_line("version: "))

    def test_open_warns_of_what_makes_texts_read_wrongly_or_as_empty(self):
        memo = (("NAME", 8), ("NOTE", 10, "M", 0))
        cases = [(dict(fields=memo), [], "warning: memo file t.dbt is missing, so the memo fields "
                                         "read as empty"),
                 (dict(fields=memo), ["t.fpt"], "t.fpt is there, a FoxPro-style memo file, "
                                                "which the plug-in does not open"),
                 (dict(code_page=0x65), [], "warning: the header's code-page byte (0x65) says "
                                            "the texts are in DOS Russian (code page 866), not "
                                            "Windows-1251, so they may show wrongly: start "
                                            "quillon-host with --table-encoding cp866"),
                 (dict(code_page=0x03), [], "Windows Western European (code page 1252)"),
                 (dict(code_page=0xC9), [], None),
                 (dict(code_page=0xFE), [], "a code page the host does not know"),
                 (dict(fields=memo), ["t.dbt"], None)]
        for table, beside, warning in cases:
            with self.subTest(table=table, beside=beside):
                for name in ["t.dbt", "t.fpt"]:
                    if os.path.exists(os.path.join(self.folder, name)):
                        os.remove(os.path.join(self.folder, name))
                for name in beside:
                    with open(os.path.join(self.folder, name), "wb") as other:
                        other.write(b"\0" * 512)
                self.table(**table)
                status, out, err = self.run_lines("open t.dbf")
                self.assertEqual((status, err), (0, b""), out)
                if warning is None:
                    self.assertNotIn(b"warning", out)
                else:
                    self.assertIn(warning.encode("utf-8"), out)

    def test_a_dos_russian_table_is_shown_found_and_edited_in_its_own_code_page(self):
        path = self.table(code_page=0x65, fields=(("CITY", 8),), rows=[["x"]])
        with open(path, "r+b") as table:
            record = table.read().index(b"\r") + 1
            table.seek(record + 1)
            table.write("Москва".encode("cp866").ljust(8))
        options = ["--table-encoding", "cp866", "--input-encoding", "utf-8"]
        status, out, err = self.run_lines("open t.dbf", "list", "find CITY=Мос*",
                                          "edit 1 CITY=Тверь", options=options)
        self.assertEqual((status, err), (0, b""), out)
        shown = out.decode("utf-8")
        self.assertIn("1  Москва", shown)
        self.assertIn("found: 1", shown)
        self.assertIn("CITY  Тверь", shown)
        self.assertNotIn("warning", shown)
        with open(path, "rb") as table:
            self.assertIn("Тверь".encode("cp866"), table.read())
        every = bytes(range(0x80, 0x100))
        path = self.table(code_page=0x65, fields=(("ALL", 128),), rows=[["x"]])
        with open(path, "r+b") as table:
            table.seek(table.read().index(b"\r") + 2)
            table.write(every)
        status, out, err = self.run_lines("open t.dbf", "show", options=options)
        self.assertEqual((status, err), (0, b""), out)

        def shown_in_1251(c):
            try:
                return c.encode("cp1251").decode("cp1251")
            except UnicodeEncodeError:
                return "\ufffd"
        self.assertIn("ALL  " + "".join(map(shown_in_1251, every.decode("cp866"))) + "\n",
                      out.decode("utf-8"))
        path = self.table(code_page=0x65, fields=(("CITY", 8),), rows=[["x"]])
        status, _, err = self.run_lines("open t.dbf", "edit 1 CITY=«Тверь»", options=options)
        self.assertEqual(status, 1)
        self.assertIn("the table's code page (866) has no byte for the character U+00AB".encode(),
                      err)

    def test_tables_python3_dbf_and_gdal_made_read_and_edit_as_their_writers_stored_them(self):
        import json
        for name in ["db3_memo", "gdal_plain"]:
            with self.subTest(table=name):
                with open(os.path.join(SOURCE, "tests", "fixtures", name + ".json")) as facts:
                    facts = json.load(facts)
                for part in [facts["table"], facts["memo_file"]]:
                    if part:
                        shutil.copy(os.path.join(SOURCE, "tests", "fixtures", part), self.folder)
                status, out, err = self.run_lines("open " + facts["table"], "fields", "list")
                self.assertEqual((status, err), (0, b""), out)
                shown = out.decode("utf-8")
                self.assertNotIn("warning", shown)
                self.assertIn("last update: 2024-01-31", shown)
                for field in facts["fields"]:
                    self.assertRegex(shown, r"\n\d+ +%s +%s \w+ +%d +%d\n" % (
                        field["name"], field["type"], field["width"], field["decimals"]))
                rows = shown.rsplit("\n#", 1)[1].split("\n")[1:]
                for number, record in enumerate(facts["records"], 1):
                    mark = "*" if record["deleted"] else ""
                    row = next(row for row in rows if row.split(" ")[0] == mark + str(number))
                    text = record["values"][0].encode("latin-1").decode("cp1251").strip()
                    self.assertIn(text, row)
                table = os.path.join(self.folder, facts["table"])
                status, out, err = self.run_lines("open " + facts["table"], "edit 1 NAME=Пётр",
                                                  options=["--input-encoding", "utf-8"])
                self.assertEqual((status, err), (0, b""), out)
                live = [r for r in facts["records"] if not r["deleted"]]
                read_back = subprocess.run(
                    ["/usr/bin/python3", "-c", "import sys, dbfread; print([r['NAME'] for r in "
                     "dbfread.DBF(sys.argv[1], encoding='cp1251', char_decode_errors='strict')])",
                     table], capture_output=True, text=True, check=True).stdout
                names = ["Пётр"] + [r["values"][0].encode("latin-1").decode("cp1251").strip()
                                    for r in live[1:]]
                self.assertEqual(read_back.strip(), repr(names))


class Standalone(HostTest):
    """The host is a host: of the library's code it carries only what reads a
    table file's structure and forms names (so that it reads a table as the
    library does), never the table, its files or the exports; the plug-in
    is not linked."""

    def test_the_host_neither_carries_nor_links_the_engine(self):
        symbols = subprocess.run(["nm", "-C", "--defined-only", HOST], capture_output=True,
                                 text=True, check=True).stdout
        self.assertIn("quillon::engine::ReadTableStructure", symbols)
        for part in ["DbfTable", "quillon::platform::", "quillon::host::", "quillon::api::",
                     "quillon::engine::Change"]:
            self.assertNotIn(part, symbols)
        needed = subprocess.run(["readelf", "-d", HOST], capture_output=True, text=True,
                                check=True).stdout
        self.assertNotIn("libquillon", needed)


def project_version():
    with open(os.path.join(SOURCE, "CMakeLists.txt")) as cmake:
        for line in cmake:
            if line.startswith("project(Quillon VERSION "):
                return line.split()[2]
    raise AssertionError("CMakeLists.txt names no version")


class People(HostTest):
    """What people use quillon-host for, on Linux and under wine: help,
    telling why a table did not open, fields, CSV, Cyrillic file names and
    values in one session, and escapes."""

    needs = READ + ["addrec", "fiedscount"]
    COMMANDS = ["open", "fields", "show", "list", "find", "export", "edit", "add", "delete",
                "help", "quit"]
    EXPORTS = ["memopak", "getarrayrecords", "getdataotdo", "finddata", "importasmaster",
               "getcurrecall", "delrec", "fiedscount", "getfields", "editrec", "addrec",
               "gotorec", "countrec", "curnum", "getcurn", "last", "first", "next1", "prev",
               "loaddb", "make", "Draw", "Settings", "SetParentWindow", "GetType", "GetInfo",
               "GetShortInfo", "Copyright", "SetPath", "GetData", "SetData", "GetFile",
               "SetFile"]

    def table(self, name="t.dbf"):
        write_table(os.path.join(self.folder, name),
                    [("NAME", 12), ("CITY", 10), ("PRICE", 8, "N", 2)],
                    [["Анна", "Москва", "1.50"], ['a,"b"|#', "x\r\ny", "-2.00"],
                     ["Борис", "Тверь", ""]])

    def test_the_version_is_the_project_version(self):
        self.assertRan(run("--version"), "quillon-host " + project_version() + "\n")

    def test_help_tells_of_every_command_and_export(self):
        names = self.COMMANDS + self.EXPORTS
        status, out, err = self.run_lines("help", *["help " + name for name in names])
        self.assertEqual((status, err), (0, b""))
        overview, _, topics = out.decode("utf-8").partition("\n" + names[0] + " ")
        topics = (names[0] + " " + topics).splitlines()
        for name in names:
            with self.subTest(name=name):
                self.assertIn(name, overview)
                # The topic's usage line, then what it does, indented.
                at = next(i for i, line in enumerate(topics) if line.split(" ")[0] in
                          (name, name + ",") or line.endswith("then " + name))
                self.assertTrue(topics[at + 1].startswith("  "), topics[at:at + 2])
        self.assertFailed(self.run_lines("help frob"), "no command or export is called 'frob'")

    def test_wrong_use_of_an_export_says_what_to_do(self):
        cases = {"gotorec 3": "gotorec takes no argument; give its input first: SetData N, "
                              "then gotorec",
                 "finddata CITY=x": "finddata takes no argument; give its input first: "
                                    "SetFile NAME=PATTERN, then finddata",
                 "first 2": "first takes no argument\n"}
        for line, complaint in cases.items():
            with self.subTest(line=line):
                self.assertFailed(self.run_lines(line), "-c:1: " + complaint)

    def test_open_says_why_a_table_did_not_open(self):
        os.mkdir(os.path.join(self.folder, "folder.dbf"))
        files = {"text.dbf": b"name,city\nAnna,Moscow\nBoris,Saint Petersburg\n", "short.dbf": b"\x03\x7c",
                 # A dBase III header whose records would be 0 bytes long.
                 "damaged.dbf": struct.pack("<BBBBIHH20x", 0x03, 124, 1, 31, 1, 65, 0) +
                 struct.pack("<11sc4xBB14x", b"NAME", b"C", 8, 0) + b"\r"}
        for name, data in files.items():
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(data)
        cases = {"missing.dbf": "there is no file missing.dbf",
                 "folder.dbf": "folder.dbf is a folder, not a table file",
                 "text.dbf": "text.dbf is not a dBase table, or a damaged one",
                 "short.dbf": "short.dbf is not a dBase table: it is too short to hold a header",
                 "damaged.dbf": "damaged.dbf is not a dBase table, or a damaged one: its header "
                                "and field list do not hold together"}
        for name, reason in cases.items():
            with self.subTest(table=name):
                status, _, err = self.run_lines("open " + name, "GetType")
                self.assertEqual(status, 1)
                self.assertIn(("-c:1: the table was not opened: " + reason).encode(), err)

    def test_fields_tells_the_structure(self):
        self.table()
        status, out, err = self.run_lines("open t.dbf", "fields")
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode("utf-8").split("\n", 2)[2], "\n".join([
            "table: t.dbf", "version: 0x03 (memo texts, if any, in 512-byte blocks)", "records: 3",
            "last update: 2024-01-31", "memo file: none",
            "#  NAME   TYPE         WIDTH  DECIMALS",
            "1  NAME   C character  12     0",
            "2  CITY   C character  10     0",
            "3  PRICE  N number     8      2", ""]))
        self.assertFailed(run("-c", "fields", cwd=self.folder), "no table is open")

    def test_export_csv_quotes_as_rfc_4180_has_it(self):
        self.table()
        rows = ["NAME,CITY,PRICE", 'Анна,Москва,1.50', '"a,""b""|#","x\r\ny",-2.00',
                "Борис,Тверь,"]
        shown = "".join(row.replace("\r\n", "\n") + "\n" for row in rows)
        self.assertRan(self.run_lines("open t.dbf", "SetData 3", "gotorec", "export csv",
                                      "curnum"),
                       "records: 3\nfields: NAME, CITY, PRICE\n" + shown + "data: 3\n")
        in_file = "".join(row + "\r\n" for row in rows)
        for options, encoding in [([], "utf-8"), (["--raw"], "cp1251")]:
            with self.subTest(options=options):
                status, out, _ = self.run_lines("open t.dbf", "export csv Выгрузка.csv",
                                                options=options)
                self.assertEqual(status, 0)
                # Raw output spells the path as the file system does.
                path = "Выгрузка.csv".encode("cp1251" if WINE and options else "utf-8")
                self.assertTrue(out.endswith(b"exported: 3 records to " + path + b"\n"), out)
                with open(os.path.join(self.folder, "Выгрузка.csv"), "rb") as f:
                    self.assertEqual(f.read(), in_file.encode(encoding))
        status, out, _ = self.run_lines("open t.dbf", "export csv 3 max", "export csv 1 1  1.csv",
                                        "export csv 2.csv")
        self.assertEqual(out.decode().splitlines()[2:],
                         ["NAME,CITY,PRICE", "Борис,Тверь,", "exported: 1 records to 1.csv",
                          "exported: 3 records to 2.csv"])
        self.assertFailed(self.run_lines("open t.dbf", "export json"), "export writes csv")
        # The system's own reason follows, in its own words on each system.
        status, _, err = self.run_lines("open t.dbf", "export csv no-such-folder/x.csv")
        self.assertEqual(status, 1)
        self.assertRegex(err.decode("utf-8"), r"cannot write no-such-folder.x\.csv: \S")

    def test_edit_add_and_delete(self):
        self.table()
        status, out, err = self.run_lines("open t.dbf", "edit 3 PRICE=12.5|NAME=Зоя",
                                          "add NAME=Ян|PRICE=-1", "delete 1", "edit 1 PRICE=1,5")
        self.assertEqual(status, 1)
        self.assertIn("record: 3 of 3\nNAME   Зоя\nCITY   Тверь\nPRICE  12.5\n", out.decode())
        self.assertIn("record: 4 of 4\nNAME   Ян\n", out.decode())
        self.assertIn("deleted: record 1\nrecords: 3\n", out.decode())
        self.assertIn("use a point", err.decode())

    def test_cyrillic_file_names_and_values_work_in_one_session(self):
        self.table("Клиенты.dbf")
        status, out, err = self.run_lines(
            "open Клиенты.dbf", "find CITY=мос", "SetFile NAME=Ёжик|CITY=Омск", "addrec",
            "list 4", "fields")
        self.assertEqual((status, err), (0, b""))
        out = out.decode("utf-8")
        self.assertIn("found: 1\n#  NAME  CITY    PRICE\n1  Анна  Москва  1.50\n", out)
        self.assertIn("#  NAME  CITY  PRICE\n4  Ёжик  Омск\n", out)
        self.assertIn("table: Клиенты.dbf\n", out)
        with open(os.path.join(self.folder, "Клиенты.dbf"), "rb") as f:
            self.assertIn(cp1251("Ёжик").ljust(12) + cp1251("Омск"), f.read())
        self.assertFailed(self.run_lines("open Нет.dbf"),
                          "the table was not opened: there is no file Нет.dbf")

    def test_escapes_only_when_asked_for_and_never_in_paths(self):
        line = r"SetFile a\nb\\c\x41\t"
        self.assertRan(self.run_lines(line, "GetFile", options=["--raw"]),
                       "= " + line[len("SetFile "):] + "\n")
        status, out, _ = self.run_lines(line, "GetFile", options=["--raw", "--escapes"])
        self.assertEqual((status, out), (0, b"= a\nb\\cA\t\n"))
        self.assertFailed(self.run_lines(r"SetFile \q", options=["--escapes"]),
                          r"unknown escape '\q'")
        # A path keeps its backslashes: a folder on Windows, a name on Linux.
        if WINE:
            os.mkdir(os.path.join(self.folder, "tab"))
        self.table(r"tab\t.dbf" if not WINE else os.path.join("tab", "t.dbf"))
        status, out, _ = self.run_lines(r"open tab\t.dbf", options=["--escapes"])
        self.assertEqual((status, out.splitlines()[0]), (0, b"records: 3"))


class Locks(HostTest):
    """A table another program holds, told apart (Linux: the plug-in's
    sharing rules are file locks)."""

    needs = READ + ["fiedscount", "editrec", "addrec", "delrec"]

    def test_held_for_writing_or_only_for_reading(self):
        path = os.path.join(self.folder, "t.dbf")
        write_table(path, [("NAME", 8)], [["Анна"]])
        for lock, expected in [(fcntl.LOCK_EX, None), (fcntl.LOCK_SH, "open for reading only")]:
            with self.subTest(lock=lock), open(path, "rb") as held:
                fcntl.flock(held, lock)
                status, out, err = self.run_lines("open t.dbf")
                if expected is None:
                    self.assertFailed((status, out, err),
                                      "the table was not opened: t.dbf is held by another "
                                      "program, which is writing it")
                else:
                    self.assertEqual((status, err), (0, b""))
                    self.assertIn(expected.encode(), out)
        self.assertNotIn(b"reading only", self.run_lines("open t.dbf")[1])

    def test_changes_to_a_table_open_for_reading_only_are_refused(self):
        path = os.path.join(self.folder, "t.dbf")
        write_table(path, [("NAME", 8)], [["Anna"]])
        with open(path, "rb") as held:
            before = held.read()
            fcntl.flock(held, fcntl.LOCK_SH)
            for line in ["edit 1 NAME=Bob", "add NAME=Bob", "delete 1"]:
                with self.subTest(line=line):
                    self.assertFailed(self.run_lines("open t.dbf", line),
                                      "the table is open for reading only")
        with open(path, "rb") as table:
            self.assertEqual(table.read(), before)


class Progress(HostTest):
    """A call that takes more than a second shows that it is working, on a
    terminal only."""

    def test_a_long_call_shows_it_is_working_on_a_terminal_only(self):
        status, out, err = run("--plugin", STUB, "-c", "prev", "-c", "SetData 2", "-c", "GetData")
        self.assertEqual((status, out, err), (0, b"= 2\n", b""))
        leader, follower = pty.openpty()
        done = subprocess.run([HOST, "--plugin", STUB, "-c", "prev"], stderr=follower,
                              capture_output=False, stdout=subprocess.PIPE, timeout=60,
                              env=dict(os.environ, LC_ALL="C.UTF-8"))
        os.close(follower)
        shown = b""
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
        os.close(leader)
        self.assertEqual((done.returncode, done.stdout), (0, b""))
        self.assertIn(b"quillon-host: prev is working... 1 s", shown)
        self.assertTrue(shown.endswith(b"\r"), shown)


def tour_transcript(folder):
    shutil.copy(os.path.join(EXAMPLES, "import.txt"), folder)
    return run("--echo", "--input-encoding", "utf-8", os.path.join(EXAMPLES, "tour.qh"),
               cwd=folder)


class Tour(HostTest):
    """examples/tour.qh, a whole session, against its golden transcript."""

    needs = EVERYTHING

    def test_the_tour_prints_its_golden_transcript(self):
        status, out, err = tour_transcript(self.folder)
        self.assertEqual((status, err), (0, b""))
        if os.environ.get("QUILLON_UPDATE_GOLDEN") == "1":
            with open(GOLDEN, "wb") as golden:
                golden.write(out)
        with open(GOLDEN, "rb") as golden:
            self.assertEqual(out.decode("utf-8"), golden.read().decode("utf-8"))
        for kept in ["newbase.dbf", "newbase.dbt", "newbase.baz", "newbase.mem"]:
            self.assertTrue(os.path.isfile(os.path.join(self.folder, kept)), kept)


class Sample(HostTest):
    """examples/sample.dbf and .dbt are what examples/make-sample.qh makes."""

    needs = EVERYTHING

    def test_the_sample_files_are_up_to_date(self):
        shutil.copy(os.path.join(EXAMPLES, "import.txt"), self.folder)
        status, _, err = run("--input-encoding", "utf-8",
                             os.path.join(EXAMPLES, "make-sample.qh"), cwd=self.folder)
        self.assertEqual((status, err), (0, b""))
        for made, kept in [("newbase.dbf", "sample.dbf"), ("newbase.dbt", "sample.dbt")]:
            with open(os.path.join(self.folder, made), "rb") as f:
                made_bytes = bytearray(f.read())
            with open(os.path.join(EXAMPLES, kept), "rb") as f:
                kept_bytes = bytearray(f.read())
            if kept.endswith(".dbf"):
                made_bytes[1:4] = kept_bytes[1:4] = b"\0\0\0"  # the date of the last update
            self.assertEqual(made_bytes, kept_bytes, kept + " differs: run scripts/make-sample.sh")


def missing_exports(names):
    listed = subprocess.run(["nm", "-D", "--defined-only", PLUGIN], capture_output=True,
                            text=True, check=True).stdout.split()
    return [name for name in names if name not in listed]


def main():
    groups = {group.__name__: group for group in
              [ErrorPaths, Encoding, Standalone, Commands, Editing, Deleted, ForeignTables, Tour, Sample,
               People, Locks, Progress]}
    if len(sys.argv) != 2 or sys.argv[1] not in groups or not os.path.isfile(HOST):
        sys.exit("usage: QUILLON_HOST=... host_test.py " + "|".join(groups))
    group = groups[sys.argv[1]]
    missing = [] if WINE else missing_exports(group.needs)
    if missing:
        sys.exit("the plug-in has no export " + ", ".join(missing))
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(group)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
