#!/usr/bin/python3
"""cmake --install into a scratch prefix, then a host developer's build
against what it installed: the CMake package, the pkg-config file, the
header from C and C++, the soname, and the installed quillon-host.

Usage: install_test.py BUILD_DIR"""

import os
import subprocess
import sys
import tempfile
import unittest

from package_support import (C_HOST, PACKAGE_TESTS, TABLE, copy_fixture,
                             expected_c_host_output, project_version)

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

    def assertHostReadsTheTable(self, program):
        done = run(program, TABLE, cwd=self.tables)
        self.assertEqual(done.stdout, expected_c_host_output())

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
        self.assertHostReadsTheTable(os.path.join(build, "c_host"))

    def test_pkg_config_gives_the_flags_and_the_header_suits_c_and_cxx(self):
        environment = dict(os.environ, PKG_CONFIG_PATH=self.installed("lib", "pkgconfig"))
        flags = run("pkg-config", "--cflags", "--libs", "quillon", env=environment,
                    text=True).stdout.split()
        self.assertEqual(run("pkg-config", "--modversion", "quillon", env=environment,
                             text=True).stdout.strip(), project_version())
        rpath = "-Wl,-rpath," + self.installed("lib")
        for compiler in [["cc", "-std=c99"], ["c++", "-std=c++20", "-x", "c++"]]:
            with self.subTest(compiler=compiler[0]):
                program = os.path.join(self.scratch.name, "host-" + compiler[0])
                run(*compiler, "-Wall", "-Wextra", "-Wpedantic", "-Werror", C_HOST, "-o",
                    program, *flags, rpath)
                self.assertHostReadsTheTable(program)

    def test_the_installed_quillon_host_finds_the_installed_plug_in(self):
        host = self.installed("bin", "quillon-host")
        self.assertEqual(run(host, "--version", text=True).stdout,
                         "quillon-host " + project_version() + "\n")
        opened = run(host, "-c", "open " + TABLE, cwd=self.tables, text=True).stdout
        self.assertTrue(opened.startswith("records: 7\n"), opened)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
