#!/usr/bin/env python3
"""Compiles one file of the portable core and fails when it includes what the core must not see.

  check_core_includes.py SOURCE_DIR CORE_INCLUDE_DIR -- COMPILER ARGUMENTS...

The build runs every compile of the core through this script. It adds -H, with which GCC and
clang list each header they open, indented by how deep it is included. A file of the core (the
source being compiled, or a header of the core) may include only headers of the C++ standard
library and headers of the core: those in CORE_INCLUDE_DIR, the core's own include root, or
their originals in SOURCE_DIR. What the standard library itself includes is its own business.
"""

import os
import re
import subprocess
import sys

HEADER_LINE = re.compile(r"^(\.+) (.+)$")
STANDARD_LIBRARY = re.compile(r"/c\+\+/")
# Not headers: files the compiler reads for itself, such as clang's sanitizer ignore lists.
COMPILER_DATA = re.compile(r"/clang/[^/]+/share/[^/]+$")


def main(argv):
    source_dir, core_dir, separator, *command = argv
    if separator != "--" or not command:
        sys.exit("usage: check_core_includes.py SOURCE_DIR CORE_INCLUDE_DIR -- COMPILER ARGS...")
    source_dir, core_dir = os.path.realpath(source_dir), os.path.abspath(core_dir)

    def is_core(path):
        path = os.path.abspath(path)
        if path.startswith(core_dir + os.sep):
            return True
        real = os.path.realpath(path)
        return real.startswith(source_dir + os.sep) and os.path.exists(
            os.path.join(core_dir, os.path.relpath(real, source_dir)))

    compiled = command[command.index("-c") + 1] if "-c" in command[:-1] else "the source"
    result = subprocess.run(command + ["-H"], stderr=subprocess.PIPE, text=True, errors="replace")
    chain = [compiled]  # chain[d - 1]: the file that includes those at depth d
    problems = []
    diagnostics = []
    listing_done = False
    for line in result.stderr.splitlines():
        match = None if listing_done else HEADER_LINE.match(line)
        if line.startswith("Multiple include guards may be useful for:"):
            listing_done = True
            continue
        if not match:
            if not listing_done:
                diagnostics.append(line)
            continue
        depth, header = len(match.group(1)), match.group(2)
        if COMPILER_DATA.search(header):
            continue
        includer = chain[depth - 1]
        del chain[depth:]
        chain.append(header)
        from_core = depth == 1 or is_core(includer)
        if from_core and not is_core(header) and not STANDARD_LIBRARY.search(header):
            problems.append(f"{includer}: error: the portable core includes {header}, which is "
                            "neither the C++ standard library nor a header of the core")
    for line in diagnostics:
        print(line, file=sys.stderr)
    for problem in dict.fromkeys(problems):
        print(problem, file=sys.stderr)
    if result.returncode != 0:
        return result.returncode
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
