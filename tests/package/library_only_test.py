#!/usr/bin/python3
"""The source tree configured and built as someone who wants only the
library does: plain cmake with -DBUILD_TESTING=OFF into a fresh folder. It
must build libquillon.so and quillon-host without GoogleTest, Google
Benchmark or shapelib, build none of the tests, not stop on warnings, and
install what the full build installs.

Usage: library_only_test.py BUILD_DIR (a full build, whose C++ compiler is
used here too)"""

import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

from package_support import SOURCE, TABLE, copy_fixture, project_version

BUILD = ""


def run(*command, **options):
    done = subprocess.run(command, capture_output=True, text=True, **options)
    if done.returncode != 0:
        raise AssertionError("%s failed:\n%s%s" % (" ".join(command), done.stdout, done.stderr))
    return done


def cache_entries(build):
    """The names in a CMakeCache.txt, each with its value."""
    entries = {}
    with open(os.path.join(build, "CMakeCache.txt")) as cache:
        for line in cache:
            found = re.match(r"([^#/][^:=]*)(?::[A-Z]+)?=(.*)$", line.rstrip("\n"))
            if found:
                entries[found.group(1)] = found.group(2)
    return entries


class LibraryOnlyBuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="quillon-library-only.")
        cls.build = os.path.join(cls.scratch.name, "build")
        compiler = cache_entries(BUILD)["CMAKE_CXX_COMPILER"]
        # A required search for either that is still made is a configure
        # error, and one that is not required is skipped and left unused.
        cls.configured = run(
            "cmake", "-S", SOURCE, "-B", cls.build, "-G", "Ninja", "-DBUILD_TESTING=OFF",
            "-DCMAKE_CXX_COMPILER=" + compiler,
            "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
            "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON")
        cls.built = run("cmake", "--build", cls.build)
        cls.prefix = os.path.join(cls.scratch.name, "prefix")
        run("cmake", "--install", cls.build, "--prefix", cls.prefix)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_it_builds_the_library_and_quillon_host(self):
        version = project_version()
        library = os.path.join(self.build, "libquillon.so." + version)
        self.assertTrue(os.path.isfile(library))
        self.assertEqual(os.path.realpath(os.path.join(self.build, "libquillon.so")), library)
        self.assertTrue(os.access(os.path.join(self.build, "quillon-host"), os.X_OK))

    def test_it_looks_for_no_test_or_benchmark_package(self):
        names = cache_entries(self.build)
        self.assertEqual(names.get("BUILD_TESTING"), "OFF")
        # A search leaves its result in the cache, found or not: GTest_DIR,
        # benchmark_DIR, QUILLON_SHAPELIB, or a path to one of their files.
        looked_for = [
            "%s=%s" % (name, value) for name, value in names.items()
            if re.match(r"(gtest|gmock|benchmark|quillon_shapelib|shp)", name, re.IGNORECASE)
            or re.search(r"FIND_PACKAGE_MESSAGE_DETAILS_(GTest|benchmark)", name)
            or re.search(r"lib(shp|gtest|gmock|benchmark)|/cmake/(GTest|benchmark)", value)]
        self.assertEqual(looked_for, [])
        # The switches that turn the package searches off go unused when no
        # search is made, and CMake says so.
        unused = self.configured.stderr.split("not used by the project:")[-1].split()
        for switch in ["CMAKE_DISABLE_FIND_PACKAGE_GTest", "CMAKE_DISABLE_FIND_PACKAGE_benchmark"]:
            self.assertIn(switch, unused)

    def test_it_has_no_tests_or_benchmarks_to_build(self):
        targets = run("ninja", "-C", self.build, "-t", "targets", "all").stdout
        programs = set(re.findall(r"^([A-Za-z_][\w.-]*): (?:CXX_EXECUTABLE|C_EXECUTABLE)",
                                  targets, re.MULTILINE))
        self.assertEqual(programs, {"quillon-host"})
        self.assertFalse(os.path.exists(os.path.join(self.build, "CTestTestfile.cmake")))

    def test_warnings_do_not_stop_a_plain_build(self):
        with open(os.path.join(self.build, "compile_commands.json")) as commands:
            compiled = json.load(commands)
        self.assertTrue(compiled)
        for command in compiled:
            self.assertNotIn("-Werror", command["command"].split(), command["file"])

    def test_the_project_s_own_builds_stop_on_warnings(self):
        with open(os.path.join(SOURCE, "CMakePresets.json")) as presets:
            configure = json.load(presets)["configurePresets"]
        self.assertEqual({preset["name"] for preset in configure}, {"native", "asan", "win32"})
        for preset in configure:
            self.assertEqual(preset["cacheVariables"].get("QUILLON_WARNINGS_AS_ERRORS"), "ON",
                             preset["name"])

    def test_it_installs_what_the_full_build_installs(self):
        version = project_version()
        for parts in [("lib", "libquillon.so." + version), ("lib", "libquillon.so"),
                      ("include", "quillon.h"), ("bin", "quillon-host"),
                      ("lib", "cmake", "Quillon", "QuillonConfig.cmake"),
                      ("lib", "cmake", "Quillon", "QuillonConfigVersion.cmake"),
                      ("lib", "pkgconfig", "quillon.pc"),
                      ("share", "doc", "Quillon", "README.md")]:
            with self.subTest(installed=os.path.join(*parts)):
                self.assertTrue(os.path.exists(os.path.join(self.prefix, *parts)))
        tables = os.path.join(self.scratch.name, "tables")
        os.mkdir(tables)
        copy_fixture(tables)
        opened = run(os.path.join(self.prefix, "bin", "quillon-host"), "-c", "open " + TABLE,
                     cwd=tables).stdout
        self.assertTrue(opened.startswith("records: 7\n"), opened)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
