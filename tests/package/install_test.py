#!/usr/bin/python3
"""cmake --install into a scratch prefix, then a host developer's build
against what it installed: the CMake package, the installed example built
with the pkg-config file from C and C++ and run as the library folder
allows (LD_LIBRARY_PATH, or an rpath), the soname, the documents and
examples, and the installed quillon-host.

Usage: install_test.py BUILD_DIR"""

import os
import subprocess
import sys
import tempfile
import unittest

from package_support import (PACKAGE_TESTS, SOURCE, TABLE, copy_fixture,
                             expected_print_table_output, project_version)

BUILD = ""


def run(*command, **options):
    return subprocess.run(command, capture_output=True, check=True, **options)


class InstalledPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="quillon-install.")
        cls.prefix = os.path.join(cls.scratch.name, "prefix")
        run("cmake", "--install", BUILD, "--prefix", cls.prefix)
        cls.tables = os.path.join(cls.scratch.name, "tables")
        os.mkdir(cls.tables)
        copy_fixture(cls.tables)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def installed(self, *parts):
        return os.path.join(self.prefix, *parts)

    def assertHostReadsTheTable(self, program, environment=None):
        done = run(program, TABLE, cwd=self.tables, env=environment)
        self.assertEqual(done.stdout, expected_print_table_output())

    def test_the_library_carries_its_version_and_soname(self):
        version = project_version()
        major = version.split(".")[0]
        library = self.installed("lib", "libquillon.so." + version)
        self.assertTrue(os.path.isfile(library))
        dynamic = run("readelf", "-d", library, text=True).stdout
        self.assertIn("Library soname: [libquillon.so.%s]" % major, dynamic)
        for link in ["libquillon.so", "libquillon.so." + major]:
            self.assertEqual(os.path.realpath(self.installed("lib", link)), library)

    def test_a_cmake_project_finds_the_package(self):
        build = os.path.join(self.scratch.name, "cmake-user")
        configured = run("cmake", "-S", PACKAGE_TESTS, "-B", build, "-G", "Ninja",
                         "-DCMAKE_PREFIX_PATH=" + self.prefix, text=True)
        self.assertIn("Quillon version: " + project_version(), configured.stdout)
        run("cmake", "--build", build)
        self.assertHostReadsTheTable(os.path.join(build, "print_table"))

    def test_the_documents_and_examples_are_installed_as_the_source_has_them(self):
        documents = self.installed("share", "doc", "Quillon")
        self.assertTrue(os.path.isfile(os.path.join(documents, "README.md")))
        for folder, installed in [("docs", ""), ("examples", "examples")]:
            with self.subTest(folder=folder):
                source = set(os.listdir(os.path.join(SOURCE, folder)))
                self.assertLessEqual(source, set(os.listdir(os.path.join(documents, installed))))

    def pkg_config(self, *what):
        environment = dict(os.environ, PKG_CONFIG_PATH=self.installed("lib", "pkgconfig"))
        return run("pkg-config", *what, "quillon", env=environment, text=True).stdout.split()

    def test_the_installed_example_builds_with_pkg_config_from_c_and_cxx(self):
        self.assertEqual(self.pkg_config("--modversion"), [project_version()])
        libdir = self.pkg_config("--variable=libdir")[0]
        self.assertEqual(os.path.realpath(libdir), os.path.realpath(self.installed("lib")))
        example = self.installed("share", "doc", "Quillon", "examples", "print_table.c")
        flags = self.pkg_config("--cflags", "--libs")
        found_by = {"LD_LIBRARY_PATH": ([], dict(os.environ, LD_LIBRARY_PATH=libdir)),
                    "rpath": (["-Wl,-rpath," + libdir], None)}
        for compiler in [["cc", "-std=c99"], ["c++", "-std=c++20", "-x", "c++"]]:
            for way, (link, environment) in found_by.items():
                with self.subTest(compiler=compiler[0], found_by=way):
                    program = os.path.join(self.scratch.name, "print_table-%s-%s" % (
                        compiler[0], way))
                    run(*compiler, "-Wall", "-Wextra", "-Wpedantic", "-Werror", example, "-o",
                        program, *flags, *link)
                    self.assertHostReadsTheTable(program, environment)

    def test_the_installed_quillon_host_finds_the_installed_plug_in(self):
        host = self.installed("bin", "quillon-host")
        self.assertEqual(run(host, "--version", text=True).stdout,
                         "quillon-host " + project_version() + "\n")
        opened = run(host, "-c", "open " + TABLE, cwd=self.tables, text=True).stdout
        self.assertTrue(opened.startswith("records: 7\n"), opened)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
