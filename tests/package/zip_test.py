#!/usr/bin/python3
"""The Windows package: the zip's name and contents, the DLL's version
resource as Windows reads it, and hosts built from the unpacked zip alone
with the MinGW compiler (one that loads the DLL at run time, as the README
shows, and one linked with each import library), run under wine.

Usage: zip_test.py BUILD_DIR (the win32 build, after its package target).
Wine must be set up as scripts/win32_tests.sh sets it up."""

import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

from package_support import (PACKAGE_TESTS, SOURCE, TABLE, copy_fixture,
                             expected_print_table_output, project_version)

BUILD = ""
COMPILER = "i686-w64-mingw32-gcc"
PRINT_TABLE = os.path.join(SOURCE, "examples", "print_table.c")
STRICT = ["-std=c99", "-Wall", "-Wextra", "-Wpedantic", "-Werror"]


def listed_files(folder):
    return sorted(os.path.relpath(os.path.join(root, name), folder)
                  for root, _, names in os.walk(folder) for name in names)


class WindowsPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.name = "quillon-%s-win32" % project_version()
        cls.zip = os.path.join(BUILD, cls.name + ".zip")
        cls.scratch = tempfile.TemporaryDirectory(prefix="quillon-zip.")
        with zipfile.ZipFile(cls.zip) as archive:
            cls.names = archive.namelist()
            archive.extractall(cls.scratch.name)
        cls.unpacked = os.path.join(cls.scratch.name, cls.name)
        copy_fixture(cls.unpacked)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def build(self, program, *sources_and_flags):
        exe = os.path.join(self.unpacked, program + ".exe")
        subprocess.run([COMPILER, *sources_and_flags, "-o", exe], check=True, cwd=self.unpacked)
        return exe

    def wine(self, exe, *args):
        done = subprocess.run(["wine", exe, *args], capture_output=True, cwd=self.unpacked,
                              timeout=120)
        return done.returncode, done.stdout.replace(b"\r\n", b"\n")

    def test_the_zip_holds_the_kit_under_one_folder(self):
        self.assertTrue(all(name.startswith(self.name + "/") for name in self.names))
        docs = ["docs/" + name for name in os.listdir(os.path.join(SOURCE, "docs"))]
        examples = ["examples/" + name for name in os.listdir(os.path.join(SOURCE, "examples"))]
        expected = ["Quillon.dll", "quillon-host.exe", "README.md", "include/quillon.h",
                    "lib/Quillon.def", "lib/libQuillon.dll.a", "lib/Quillon.lib",
                    *docs, *examples]
        files = [name[len(self.name) + 1:] for name in self.names if not name.endswith("/")]
        self.assertEqual(sorted(files), sorted(expected))

    def test_the_dll_shows_its_version_in_its_properties(self):
        reader = self.build("file_version", os.path.join(PACKAGE_TESTS, "file_version.c"),
                            "-Wall", "-Wextra", "-Werror", "-lversion")
        version = project_version()
        status, shown = self.wine(reader, "Quillon.dll")
        self.assertEqual(status, 0)
        self.assertEqual(shown.decode("ascii"), "".join(line + "\n" for line in [
            "file version: %s.0" % version, "product version: %s.0" % version,
            "FileDescription: Quillon: call-by-call access to one dBase table",
            "FileVersion: " + version, "ProductName: Quillon", "ProductVersion: " + version,
            "OriginalFilename: Quillon.dll"]))

    def test_hosts_linked_with_either_import_library_read_the_table(self):
        libraries = {"mingw": ["-Llib", "-lQuillon"], "msvc_style": ["lib/Quillon.lib"]}
        for kind, link in libraries.items():
            with self.subTest(library=kind):
                exe = self.build("c_host_" + kind, *STRICT, "-Iinclude", PRINT_TABLE, *link)
                self.assertEqual(self.wine(exe, TABLE), (0, expected_print_table_output()))

    def test_the_readme_host_loads_the_dll_and_reads_the_table(self):
        example = os.path.join(SOURCE, "examples", "read_table.c")
        with open(example) as code, open(os.path.join(SOURCE, "README.md")) as readme:
            self.assertTrue(code.read() in readme.read(), "the README must show read_table.c")
        exe = self.build("read_table", *STRICT, "-Iinclude", example)
        expected = expected_print_table_output().split(b"\n", 2)[2].replace(b" (5)", b"")
        self.assertEqual(self.wine(exe, TABLE), (0, expected))
        self.assertEqual(self.wine(exe, "missing.dbf")[0], 2)

    def test_quillon_host_tells_the_version(self):
        self.assertEqual(self.wine("quillon-host.exe", "--version"),
                         (0, b"quillon-host " + project_version().encode() + b"\n"))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
