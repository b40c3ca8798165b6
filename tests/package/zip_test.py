#!/usr/bin/python3
"""The Windows kit, from the unpacked zip alone: its name and contents, no
debug sections in what it ships, the DLL's version resource as Windows
reads it, nothing that points into the source tree, and the kit's README
followed to the letter: the commands of its ```sh blocks run in the kit's
root, the hosts they build read a table under wine, each bound to the DLL
as its command says (by name, by ordinal, or at run time), and the lines
of its ```bat blocks run in wine's cmd.

Usage: zip_test.py BUILD_DIR (the win32 build, after its package target).
Wine must be set up as scripts/win32_tests.sh sets it up."""

import os
import re
import shlex
import subprocess
import sys
import tempfile
import unittest
import zipfile

from package_support import (PACKAGE_TESTS, SOURCE, TABLE, copy_fixture,
                             expected_print_table_output, project_version)

BUILD = ""
STRICT = ["-std=c99", "-Wall", "-Wextra", "-Wpedantic", "-Werror", "-fsyntax-only"]
# Each example on the fixture table: what it prints, and its exit status
# when the table is missing.
EXAMPLES = {
    "print_table": (expected_print_table_output(), 1),
    "read_table": (expected_print_table_output().split(b"\n", 2)[2].replace(b" (5)", b""), 2),
}
# A path into the source tree, which the kit does not have.
SOURCE_TREE = re.compile(rb"(?<![\w.-])(?:scripts|build|src|tests)/|demo\.sh")


def code_blocks(markdown, language):
    return re.findall(r"^```%s\n(.*?)^```$" % language, markdown, re.M | re.S)


def objdump(*arguments):
    """objdump's report in English, whatever the locale wine needs."""
    return subprocess.run(["i686-w64-mingw32-objdump", *arguments], capture_output=True,
                          text=True, check=True, env=dict(os.environ, LC_ALL="C")).stdout


def quillon_imports(exe):
    """What the program takes from Quillon.dll: a name each, or None for an
    import by ordinal."""
    dump = objdump("-p", exe)
    if "DLL Name: Quillon.dll" not in dump:
        return []
    table = dump.split("DLL Name: Quillon.dll\n", 1)[1].split("\n\n", 1)[0]
    return [None if row.split()[2] == "<none>" else row.split()[2]
            for row in table.splitlines()[1:]]


class WindowsKit(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.name = "quillon-%s-win32" % project_version()
        cls.scratch = tempfile.TemporaryDirectory(prefix="quillon-zip.")
        with zipfile.ZipFile(os.path.join(BUILD, cls.name + ".zip")) as archive:
            cls.names = archive.namelist()
            archive.extractall(cls.scratch.name)
        cls.kit = os.path.join(cls.scratch.name, cls.name)
        cls.files = [name[len(cls.name) + 1:] for name in cls.names if not name.endswith("/")]
        with open(os.path.join(cls.kit, "README.md")) as readme:
            cls.readme = readme.read()
        # The README's build commands, before anything else is put in the kit.
        builds = code_blocks(cls.readme, "sh")
        cls.built = subprocess.run(["bash", "-eu", "-c", "".join(builds)], capture_output=True,
                                   text=True, cwd=cls.kit)
        cls.commands = [shlex.split(line) for block in builds for line in block.splitlines()]
        copy_fixture(cls.kit)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def wine(self, *command):
        done = subprocess.run(["wine", *command], capture_output=True, cwd=self.kit, timeout=120)
        return done.returncode, done.stdout.replace(b"\r\n", b"\n")

    def test_the_zip_holds_the_kit_under_one_folder(self):
        self.assertTrue(all(name.startswith(self.name + "/") for name in self.names))
        shared = [folder + "/" + name for folder in ["docs", "examples"]
                  for name in os.listdir(os.path.join(SOURCE, folder)) if name != "building.md"]
        expected = ["Quillon.dll", "quillon-host.exe", "README.md", "include/quillon.h",
                    "lib/Quillon.def", "lib/libQuillon.dll.a", "lib/Quillon.lib",
                    "lib/Quillon-ordinals.lib", *shared]
        self.assertEqual(sorted(self.files), sorted(expected))

    def test_the_readme_names_each_file_but_the_documents(self):
        for name in self.files:
            if not name.startswith("docs/") and name != "README.md":
                self.assertIn("`%s`" % name, self.readme)

    def test_no_text_in_the_kit_points_into_the_source_tree(self):
        for name in self.files:
            with open(os.path.join(self.kit, name), "rb") as file:
                content = file.read()
            if b"\0" not in content:
                with self.subTest(file=name):
                    self.assertEqual(SOURCE_TREE.findall(content), [])

    def test_the_shipped_programs_have_no_debug_sections(self):
        for program in ["Quillon.dll", "quillon-host.exe"]:
            with self.subTest(program=program):
                self.assertNotIn(".debug", objdump("-h", os.path.join(self.kit, program)))

    def test_the_dll_shows_its_version_in_its_properties(self):
        reader = os.path.join(self.scratch.name, "file_version.exe")
        subprocess.run(["i686-w64-mingw32-gcc", os.path.join(PACKAGE_TESTS, "file_version.c"),
                        "-Wall", "-Wextra", "-Werror", "-lversion", "-o", reader], check=True)
        version = project_version()
        self.assertEqual(self.wine(reader, "Quillon.dll"), (0, "".join(line + "\n" for line in [
            "file version: %s.0" % version, "product version: %s.0" % version,
            "FileDescription: Quillon: call-by-call access to one dBase table",
            "FileVersion: " + version, "ProductName: Quillon", "ProductVersion: " + version,
            "OriginalFilename: Quillon.dll"]).encode("ascii")))

    def test_the_examples_compile_without_warnings(self):
        for example in [name for name in self.files if name.endswith(".c")]:
            with self.subTest(example=example):
                subprocess.run(["i686-w64-mingw32-gcc", *STRICT, "-Iinclude", example],
                               check=True, cwd=self.kit)

    def test_the_readme_builds_every_example_with_every_import_library(self):
        self.assertEqual((self.built.returncode, self.built.stderr), (0, ""))
        used = {word for command in self.commands for word in command}
        self.assertEqual({word for word in used if word.startswith("examples/")},
                         {name for name in self.files if name.endswith(".c")})
        linked = {word for word in used if word.startswith("lib/")}
        linked |= {"lib/lib%s.dll.a" % word[2:] for word in used if word.startswith("-l")}
        self.assertEqual(linked, {name for name in self.files if name.endswith((".lib", ".a"))})

    def test_the_hosts_the_readme_builds_read_the_table_bound_as_linked(self):
        self.assertEqual(self.built.returncode, 0, self.built.stderr)
        for command in self.commands:
            exe = command[command.index("-o") + 1]
            example = next(word for word in command if word.endswith(".c"))
            expected, missing_status = EXAMPLES[os.path.basename(example)[:-2]]
            libraries = [word for word in command if word.startswith(("lib/", "-l"))]
            with self.subTest(exe=exe):
                self.assertEqual(self.wine(exe, TABLE), (0, expected))
                self.assertEqual(self.wine(exe, "missing.dbf")[0], missing_status)
                imports = quillon_imports(os.path.join(self.kit, exe))
                if not libraries:
                    self.assertEqual(imports, [])
                elif any("ordinals" in library for library in libraries):
                    self.assertEqual(set(imports), {None})
                else:
                    self.assertIn("SetFile", imports)
                    self.assertNotIn(None, imports)

    def test_the_readme_windows_commands_run_in_the_kit(self):
        self.assertEqual(self.built.returncode, 0, self.built.stderr)
        with open(os.path.join(SOURCE, "tests", "tools", "tour.golden"), "rb") as golden:
            tour = golden.read()
        for number, block in enumerate(code_blocks(self.readme, "bat")):
            script = "commands%d.bat" % number
            with open(os.path.join(self.kit, script), "w", newline="\r\n") as batch:
                batch.write("@echo off\n")
                for line in block.splitlines():
                    batch.write(line + "\nif errorlevel 1 exit /b 1\n")
            with self.subTest(commands=block):
                status, printed = self.wine("cmd", "/c", script)
                self.assertEqual(status, 0, printed)
                self.assertNotEqual(printed, b"")
                if "tour.qh" in block:
                    self.assertTrue(printed.endswith(tour), printed[-2000:])


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
