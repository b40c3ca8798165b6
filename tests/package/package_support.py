"""What the package tests share: the project's version as CMakeLists.txt
states it, the fixture table, and the expected output of
examples/print_table.c."""

import os
import re
import shutil

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACKAGE_TESTS = os.path.join(SOURCE, "tests", "package")
TABLE = "db3_plain.dbf"


def project_version():
    with open(os.path.join(SOURCE, "CMakeLists.txt")) as cmake:
        return re.search(r"project\(Quillon VERSION (\d+\.\d+\.\d+)", cmake.read()).group(1)


def copy_fixture(folder):
    shutil.copy(os.path.join(SOURCE, "tests", "fixtures", TABLE), folder)


def expected_print_table_output():
    """print_table on the fixture, as Windows-1251 bytes with LF line ends."""
    with open(os.path.join(PACKAGE_TESTS, "print_table.expected"), "rb") as expected:
        return expected.read()
