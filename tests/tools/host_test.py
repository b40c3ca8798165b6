#!/usr/bin/python3
"""End-to-end tests of quillon-host: each runs the host as a process on a
script and compares what it prints and its exit status.

Run one group: host_test.py GROUP (ErrorPaths, Encoding, Standalone,
Commands, Tour or Sample). The environment names the programs: QUILLON_HOST (the host, which
loads the plug-in built beside it), QUILLON_PLUGIN (that plug-in) and
QUILLON_STUB_PLUGIN (a stand-in with few exports). A group fails at once
when the plug-in lacks an export it needs. QUILLON_UPDATE_GOLDEN=1 rewrites
the tour's golden transcript.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HOST = os.environ.get("QUILLON_HOST", "")
PLUGIN = os.environ.get("QUILLON_PLUGIN", "")
STUB = os.environ.get("QUILLON_STUB_PLUGIN", "")
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLES = os.path.join(SOURCE, "examples")
GOLDEN = os.path.join(SOURCE, "tests", "tools", "tour.golden")

READ = ["getfields", "getcurrecall", "getcurn", "getdataotdo", "finddata", "curnum", "gotorec"]
EVERYTHING = READ + ["make", "addrec", "editrec", "delrec", "getarrayrecords",
                     "importasmaster", "memopak", "fiedscount", "first", "next1"]


def run(*args, stdin=b"", cwd=None):
    """Runs the host; gives (exit status, standard output, standard error)."""
    done = subprocess.run([HOST, *args], input=stdin, capture_output=True, cwd=cwd, timeout=60)
    return done.returncode, done.stdout, done.stderr


def cp1251(text):
    return text.encode("cp1251")


def write_table(path, fields, records):
    """A dBase III table without memo file: fields are (name, width) pairs of
    character fields, records lists of str values (Windows-1251 on disk)."""
    record_length = 1 + sum(width for _, width in fields)
    header = struct.pack("<BBBBIHH20x", 0x03, 124, 1, 31, len(records),
                         32 + 32 * len(fields) + 1, record_length)
    for name, width in fields:
        header += struct.pack("<11sc4xBB14x", name.encode("ascii"), b"C", width, 0)
    body = b"".join(b" " + b"".join(cp1251(value).ljust(width) for value, (_, width)
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

    def test_whole_numbers_at_the_limits_and_with_a_plus_reach_the_plug_in(self):
        self.assertRan(self.run_lines("SetData -2147483648", "GetData", "SetData +7", "GetData"),
                       "= -2147483648\n= 7\n")

    def test_a_table_command_without_an_open_table(self):
        for line in ["show", "list", "find NAME=x"]:
            with self.subTest(line=line):
                self.assertFailed(self.run_lines(line), "no table is open")

    def test_opening_a_missing_table_shows_the_message_and_fails(self):
        status, out, err = self.run_lines("open missing.dbf", "GetData")
        self.assertEqual(status, 1)
        self.assertTrue(out.startswith("message: НЕ ПОНЯЛ!!".encode("utf-8")), out)
        self.assertEqual(err, b"quillon-host: -c:1: the table was not opened\n")

    def test_a_plug_in_that_does_not_load(self):
        missing = os.path.join(self.folder, "nothing.so")
        status, out, err = run("--plugin", missing, "-c", "GetType")
        self.assertEqual((status, out), (3, b""))
        self.assertIn(b"cannot load the plug-in " + missing.encode(), err)

    def test_a_missing_export_fails_only_the_line_that_calls_it(self):
        status, out, err = run("--plugin", STUB, "-c", "SetData 5", "-c", "GetData", "-c", "last")
        self.assertEqual((status, out), (1, b"= 5\n"))
        self.assertEqual(err, b"quillon-host: -c:3: the plug-in has no export last\n")

    def test_message_boxes_of_one_call_are_told_apart(self):
        self.assertRan(run("--plugin", STUB, "-c", "first"),
                       "message: one\ntwo\nmessage: three\ndata: 1\n")

    def test_bad_command_lines(self):
        script = os.path.join(self.folder, "s.qh")
        open(script, "w").close()
        cases = [(["--frob"], "unknown option '--frob'"),
                 (["--plugin"], "unknown option '--plugin'"),
                 (["--input-encoding", "latin1"], "unknown input encoding 'latin1'"),
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
        status, out, _ = run(script)
        self.assertEqual(status, 0)
        self.assertEqual(out.decode("utf-8"),
                         "= " + self.ALL_BYTES.decode("cp1251", errors="replace") + "\n")
        self.assertEqual(run("--raw", script)[1], b"= " + self.ALL_BYTES + b"\n")

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
                          script + ":2: the text is not valid UTF-8 (byte 9)")

    def test_messages_are_converted_with_their_line_breaks(self):
        missing = "Данные.dbf"
        message = ("НЕ ПОНЯЛ!! Базы данных по указанному пути " + missing + " НЕТ!\r\n"
                   "Проверьте правильность пути и наличие ТАМ файла!")
        lines = ["SetFile " + missing, "loaddb"]
        self.assertRan(self.run_lines(*lines, options=["--input-encoding", "utf-8"]),
                       "message: " + message.replace("\r\n", "\n") + "\nfile: " + missing + "\n")
        status, out, _ = self.run_lines(*lines, options=["--input-encoding", "utf-8", "--raw"])
        self.assertEqual(out, b"message: " + cp1251(message) + b"\nfile: " + cp1251(missing)
                         + b"\n")

    def test_echo_shows_the_lines_as_the_plug_in_gets_them(self):
        script = os.path.join(self.folder, "echo.qh")
        with open(script, "wb") as lines:
            lines.write(cp1251("# Привет\n\n  SetFile Тверь\n"))
        self.assertRan(run("--echo", script), "# Привет\n\n>   SetFile Тверь\n")
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
                 "list 3 1": ["#  NAME  CITY"]}
        for line, rows in cases.items():
            with self.subTest(line=line):
                expected = "".join(row + "\n" for row in rows)
                self.assertRan(self.session("SetData 2", "gotorec", line, "curnum"),
                               "records: 3\nfields: NAME, CITY\n" + expected + "data: 2\n")

    def test_find_gives_the_numbers_and_rows_and_checks_the_field(self):
        opened = "records: 3\nfields: NAME, CITY\n"
        self.assertRan(self.session("find city=МОС", "curnum"),
                       opened + "found: 1\n#  NAME  CITY\n1  Анна  Москва\ndata: 1\n")
        self.assertRan(self.session("find CITY=#"),
                       opened + "found: 2\n#  NAME  CITY\n2  a|b   x|#y\n")
        self.assertRan(self.session("find NAME=nobody"), opened + "found: none\n")
        self.assertFailed(self.session("find TOWN=x"),
                          "the table has no field 'TOWN' (its fields: NAME, CITY)")


class Standalone(HostTest):
    """The host is a host: no engine code inside, the plug-in not linked."""

    def test_the_host_neither_carries_nor_links_the_engine(self):
        symbols = subprocess.run(["nm", "-C", "--defined-only", HOST], capture_output=True,
                                 text=True, check=True).stdout
        self.assertNotIn("quillon::", symbols)
        needed = subprocess.run(["readelf", "-d", HOST], capture_output=True, text=True,
                                check=True).stdout
        self.assertNotIn("libquillon", needed)


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
              [ErrorPaths, Encoding, Standalone, Commands, Tour, Sample]}
    if len(sys.argv) != 2 or sys.argv[1] not in groups or not os.path.isfile(HOST):
        sys.exit("usage: QUILLON_HOST=... host_test.py " + "|".join(groups))
    group = groups[sys.argv[1]]
    missing = missing_exports(group.needs)
    if missing:
        sys.exit("the plug-in has no export " + ", ".join(missing))
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(group)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
