#!/usr/bin/env python3
"""The portable core builds with only the standard library and its own headers in reach.

  core_layer_test.py BUILD_DIR

Compiles a copy of a file of the core, as the build compiles it (its command from
compile_commands.json, through cmake/check_core_includes.py), once as it is and once for each
row below with one more include at its top: the copy as it is builds, every other row fails.
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SOURCE = os.path.join(ROOT, "app", "form1.cpp")
CHECK = os.path.join(ROOT, "cmake", "check_core_includes.py")

# (row, the include added, what the build must say)
ROWS = [
    ("PosixHeader", "#include <unistd.h>", "neither the C++ standard library"),
    ("PosixHeaderThroughACoreHeader", '#include "common/text.h"\n#include <sys/stat.h>',
     "neither the C++ standard library"),
    ("CHeaderInsteadOfItsCppForm", "#include <stdio.h>", "neither the C++ standard library"),
    ("WindowsHeader", "#include <windows.h>", "windows.h"),
    ("QtHeader", "#include <QWidget>", "QWidget"),
    ("PosixLayersHeader", '#include "runner/process_posix.h"', "runner/process_posix.h"),
    ("QtLayersHeader", '#include "app/form1_qt.h"', "app/form1_qt.h"),
    ("TestsHeader", '#include "core/form_fakes.h"', "core/form_fakes.h"),
]


def core_compile_command(build_dir):
    with open(os.path.join(build_dir, "compile_commands.json"), encoding="utf-8") as file:
        for entry in json.load(file):
            if os.path.realpath(entry["file"]) == SOURCE:
                return entry["command"].split()
    raise AssertionError(f"{SOURCE} is not in {build_dir}/compile_commands.json")


class CoreLayer(unittest.TestCase):
    def compile(self, extra_include):
        command = core_compile_command(BUILD_DIR)
        with tempfile.TemporaryDirectory() as work:
            copy = os.path.join(work, "form1.cpp")
            with open(SOURCE, encoding="utf-8") as original, open(copy, "w") as out:
                out.write(extra_include + "\n" + original.read())
            args, skip = [], False
            for arg in command:
                if skip:
                    skip = False
                elif arg in ("-MT", "-MF", "-o"):  # no object, no dependency file
                    skip = True
                elif arg != "-MD":
                    args.append(copy if os.path.realpath(arg) == SOURCE else arg)
            args.append("-fsyntax-only")
            core_include = os.path.join(BUILD_DIR, "core_include")
            return subprocess.run([sys.executable, CHECK, ROOT, core_include, "--"] + args,
                                  capture_output=True, text=True, cwd=BUILD_DIR)

    def test_the_copy_as_it_is_builds(self):
        result = self.compile("")
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_what_the_core_must_not_include_fails_to_build(self):
        for row, include, said in ROWS:
            with self.subTest(row):
                result = self.compile(include)
                self.assertNotEqual(result.returncode, 0, include)
                self.assertIn(said, result.stderr)


if __name__ == "__main__":
    BUILD_DIR = os.path.abspath(sys.argv.pop(1))
    unittest.main()
