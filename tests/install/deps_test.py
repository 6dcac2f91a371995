#!/usr/bin/env python3
"""Checks that scripts/install-deps.sh installs everything the project needs on a fresh Debian 12.

What the project needs:
  - every program its scripts, CMake files, tests and benchmarks call, found by reading them:
    the words of a script's code, and the program at the start of each command line in the
    strings of the C++ and Python sources;
  - every program a script's messages advise running, set in backquotes as in run.sh's
    `xvfb-run ./run.sh`: the advice must work on the machine the script set up;
  - every file a build in build/ read from outside the source tree (compilers, CMake modules,
    headers, libraries), as ninja recorded them;
  - the few needs that neither shows, in HIDDEN_NEEDS below.
Each need must come from a package that the script that needs it has install-deps.sh install
(or a package those depend on), or from a package that every Debian system has (priority
required, as a minimal debootstrap installs). Packages are asked of dpkg, so a missing entry
fails here on any machine, not only on a fresh one.

  deps_test.py [--complete]
With --complete (the end of ./test.sh, once every build has been made) it also checks that
each package install-deps.sh names is needed by a script that asks for its group.
"""

import glob
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SYSTEM_DIRS = ("/usr/sbin", "/usr/bin", "/sbin", "/bin")
SYSTEM_PATH = r"/(?:usr|s?bin|lib|lib64)/"

# Words that name a program on this machine but that a shell runs itself.
SHELL_BUILTINS = {
    "alias", "break", "cd", "command", "continue", "echo", "eval", "exec", "exit", "export",
    "false", "getopts", "hash", "kill", "local", "printf", "pwd", "read", "readonly", "return",
    "set", "shift", "source", "test", "time", "times", "trap", "true", "type", "ulimit",
    "umask", "unset", "wait",
}

# Needs that reading the sources and the build logs cannot show: (need, needed by, why). Needed
# by a program: wherever that program is needed; or by a file, for the script that installs
# what that file needs.
HIDDEN_NEEDS = [
    ("xauth", "xvfb-run", "xvfb-run calls it; xvfb only recommends it"),
    ("gio", "xdg-open", "xdg-open hands a file to gio on the GNOME desktop the tests set up"),
    ("python3", "scripts/test-windows.sh", "every compile of the core runs through "
     "cmake/check_core_includes.py"),
    ("python3", "tests/fuzz/run.sh", "every compile of the core runs through "
     "cmake/check_core_includes.py"),
    ("dpkg-shlibdeps", "scripts/package.sh", "cpack's DEB generator finds dependencies with it"),
    ("file", "scripts/package.sh", "cpack's DEB generator looks at the files it packs with it"),
    ("/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a", "tests/fuzz/run.sh",
     "clang links it into the fuzz targets for -fsanitize=fuzzer"),
    ("/usr/lib/python3/dist-packages/pyatspi/__init__.py", "tests/accessibility/atspi_test.py",
     "the accessibility test reads the window through pyatspi, which starts the AT-SPI bus"),
]

# Whose call of install-deps.sh installs what a file or a build needs. A script not listed
# here installs for itself when it calls install-deps.sh; everything else runs under ./test.sh.
INSTALLED_BY = [
    ("build/dev", "test.sh"),
    ("build/release", "run.sh"),
    ("build/fuzz", "tests/fuzz/run.sh"),
    ("build/windows", "scripts/test-windows.sh"),
    ("tests/fuzz/", "tests/fuzz/run.sh"),
    ("cmake/mingw-w64", "scripts/test-windows.sh"),
    ("tests/win/", "scripts/test-windows.sh"),
    ("bench/", "scripts/bench.sh"),
    ("packaging/", "scripts/package.sh"),
]
BUILDS = [prefix for prefix, _ in INSTALLED_BY if prefix.startswith("build/")]


def read(name):
    path = os.path.join(ROOT, name)
    return open(path, encoding="utf-8", errors="replace").read() if os.path.isfile(path) else ""


def run(*args):
    return subprocess.run(args, capture_output=True, text=True).stdout


# ---------------------------------------------------------------------------------------------
# What install-deps.sh installs, and for whom.

def named_packages():
    """{group: {package, ...}} as scripts/install-deps.sh lists them."""
    found = re.findall(r"^\s*(\w+)\)\s*packages\+=\(([^)]*)\)", read("scripts/install-deps.sh"),
                       re.M)
    return {group: set(packages.split()) for group, packages in found}


def installing_script(where):
    for prefix, script in INSTALLED_BY:
        if where.startswith(prefix):
            return script
    return where if asked_groups(where) else "test.sh"


def asked_groups(script):
    """The groups that `script` has install-deps.sh install."""
    calls = re.findall(r"^\s*scripts/install-deps\.sh +([\w ]+)", read(script), re.M)
    return {group for call in calls for group in call.split()}


# ---------------------------------------------------------------------------------------------
# The packages on this machine.

def split_depends(field):
    """[[name, alternative, ...], ...] from a Depends field."""
    groups = []
    for group in filter(None, (g.strip() for g in field.split(","))):
        names = [re.sub(r"[\s(\[].*$", "", alt.strip()).split(":")[0] for alt in group.split("|")]
        groups.append([n for n in names if n])
    return groups


class Packages:
    def __init__(self):
        self.depends, self.provides, self.base = {}, {}, {"apt"}
        fields = "${Package}\t${db:Status-Status}\t${Priority}\t${Essential}\t${Pre-Depends}\t" \
                 "${Depends}\t${Provides}\n"
        for line in run("dpkg-query", "-W", "-f", fields).splitlines():
            name, status, priority, essential, pre, depends, provides = line.split("\t")
            if status != "installed":
                continue
            self.depends.setdefault(name, []).extend(split_depends(pre) + split_depends(depends))
            for virtual in split_depends(provides):
                self.provides.setdefault(virtual[0], set()).add(name)
            if priority == "required" or essential == "yes":
                self.base.add(name)

    def closure(self, roots):
        """What apt installs for `roots`, recommends left out, as far as this machine shows."""
        seen, todo = set(), [r for r in roots if r in self.depends]
        while todo:
            name = todo.pop()
            if name in seen:
                continue
            seen.add(name)
            for alternatives in self.depends[name]:
                chosen = next((a for a in alternatives if a in self.depends), None)
                providers = sorted(self.provides.get(alternatives[0], ()))
                todo.extend([chosen] if chosen else providers[:1])
        return seen


def link_chain(path):
    """`path` and every name its symbolic links lead through, each also under its other name
    on a merged /usr, where dpkg may know it."""
    chain = [path]
    while os.path.islink(chain[-1]) and len(chain) < 40:
        target = os.readlink(chain[-1])
        chain.append(os.path.normpath(os.path.join(os.path.dirname(chain[-1]), target)))
    chain.append(os.path.realpath(path))
    names = []
    for p in chain:
        names.append(p)
        if re.match(r"/usr/(s?bin|lib|lib64)/", p):
            names.append(p[len("/usr"):])
        elif re.match(r"/(s?bin|lib|lib64)/", p):
            names.append("/usr" + p)
    return names


def owners(paths):
    """{need: package}: the first package along the need's links that installed it, so that
    /usr/bin/c++ belongs to g++, which sets that link up, not to g++-12 behind it."""
    chains = {path: link_chain(path) for path in paths}
    names = sorted({p for chain in chains.values() for p in chain})
    known = {}
    for start in range(0, len(names), 500):
        for line in run("dpkg-query", "-S", *names[start:start + 500]).splitlines():
            packages, _, path = line.partition(": ")
            if not line.startswith("diversion "):
                known[path] = packages.split(",")[0].strip().split(":")[0]
    return {path: next((known[p] for p in chain if p in known), None)
            for path, chain in chains.items()}


# ---------------------------------------------------------------------------------------------
# What the project needs.

WORD = re.compile(r"(?<![\w$@{.%/\\-])[A-Za-z][\w.+-]*[\w+](?![\w=])"
                  r"|(?<![\w.-])" + SYSTEM_PATH + r"[^\s\"'();:*$]+")
QUOTED = re.compile(r"\"((?:[^\"\\\n]|\\.)*)\"|'([^'\n]*)'")
# Where a command starts in a command line: at its start, or after one of the shell's
# separators.
COMMAND_START = re.compile(r"(?:^|[|;&(`]|\$\()\s*(?:exec\s+|sudo\s+)?([^\s;|&)]+)")


def commands_in(text):
    """The programs that the command lines in `text` start, and the system paths it names."""
    found = {m for m in COMMAND_START.findall(text) if WORD.fullmatch(m)}
    return found | {w for w in WORD.findall(text) if w.startswith("/")}


# The program of an argument vector written out: {"tar", "-cf", ...}, ["git", "-C", ...],
# run("ninja", ...), which("convert").
ARGV = re.compile(r"[{\[(]\s*\"([\w.+-]+)\"\s*[,)}\]]")


def words(name):
    """The words of a file that may call a program. In a shell script or a CMake file, every
    word of its code outside quotes and the commands inside them (not the prose of a message,
    but the commands it sets in backquotes);
    in C++ and Python, the commands of those of its strings that are command lines, and the
    programs of its argument vectors; and the program after a #!."""
    text = read(name)
    shebang = re.match(r"#!\s*(\S+)(?:\s+(\S+))?", text)
    found = set(filter(None, shebang.groups())) if shebang else set()
    program = name.endswith((".cpp", ".h", ".py"))
    for quoted in QUOTED.finditer(text):
        literal = quoted.group(1) or quoted.group(2) or ""
        if not program or re.search(r"[\s|;&]", literal.strip()):
            found |= commands_in(literal)
    if program:
        found |= set(ARGV.findall(text))
    else:
        code = QUOTED.sub(" ", re.sub(r"(^|\s)#.*$", "", text, flags=re.M))
        code = re.sub(r"\bfor\s+\w+\s+in\b", " ", code)  # a loop's variable
        found |= set(WORD.findall(code))
    return found


def sources():
    """The project's files that can call programs."""
    listed = subprocess.run(["git", "-C", ROOT, "ls-files"], capture_output=True, text=True)
    if listed.returncode == 0:
        files = listed.stdout.split()
    else:
        files = [os.path.relpath(os.path.join(d, f), ROOT) for d, _, fs in os.walk(ROOT)
                 if not re.search(r"/(build|\.git)(/|$)", d) for f in fs]
    scripts = (".sh", ".py", ".cmake", "CMakeLists.txt", "run.sh", "test.sh", ".ci/run")
    # install-deps.sh names packages, and what it runs comes with every Debian system, but for
    # sudo, which it needs only where it cannot install anything itself. This file names
    # programs as data.
    skipped = ("scripts/install-deps.sh", "tests/install/deps_test.py")
    return sorted(f for f in files if f not in skipped and f.endswith(scripts) or (
        f.startswith(("tests/", "bench/")) and f.endswith((".cpp", ".h"))
        and not f.startswith("tests/win/")))  # those run under Wine, with Windows programs


def find_program(word):
    for directory in SYSTEM_DIRS:
        path = os.path.join(directory, word)
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    return None


def build_files(build):
    """Files from outside the source tree that a build read: cmake, ninja and the compilers
    (CMakeCache.txt), CMake modules and libraries (build.ninja), headers (ninja's log)."""
    cache = read(os.path.join(build, "CMakeCache.txt"))
    text = "\n".join(re.findall(r"^CMAKE_(?:COMMAND|MAKE_PROGRAM|\w*_COMPILER):\w+=(.*)$", cache,
                                re.M))
    text += read(os.path.join(build, "build.ninja"))
    text += run("ninja", "-C", os.path.join(ROOT, build), "-t", "deps")
    paths = re.findall(r"(?<![\w.-])(" + SYSTEM_PATH + r"[^\s:$\"'|;]+)", text)
    return {os.path.normpath(p) for p in paths if os.path.isfile(p)}


def needs():
    """{path: {script: where}}: a program or file needed, each script whose call of
    install-deps.sh must install it, and the file or build there that needs it (or why); and
    the hidden needs that are not on this machine at all."""
    found, absent = {}, []

    def need(path, where, script):
        found.setdefault(path, {}).setdefault(script, where)

    for name in sources():
        for word in words(name):
            path = word if word.startswith("/") else (
                None if word in SHELL_BUILTINS else find_program(word))
            if path and os.path.exists(path):
                need(path, name, installing_script(name))
    for hidden, needed_by, why in HIDDEN_NEEDS:
        paths = glob.glob(hidden) if hidden.startswith("/") else [find_program(hidden)]
        scripts = [installing_script(needed_by)] if "/" in needed_by else list(
            found.get(find_program(needed_by), ()))
        for script in scripts:
            for path in filter(None, paths):
                need(path, why, script)
            if not any(paths):
                absent.append("%s needs %s (%s), which is not on this machine" % (
                    script, hidden, why))
    for build in BUILDS:
        if os.path.isfile(os.path.join(ROOT, build, "build.ninja")):
            for path in build_files(build):
                need(path, build, installing_script(build))
    return found, absent


def check(complete):
    groups = named_packages()
    packages = Packages()
    found, absent = needs()
    owner = owners(list(found))

    def uncovered(without=("", "")):
        """{(package, script): [use, ...]}: what a script needs that its call of
        install-deps.sh does not install, with package `without[1]` taken out of group
        `without[0]`."""
        installs, missing = {}, {}
        for path, users in sorted(found.items()):
            for script, where in sorted(users.items()):
                if script not in installs:
                    named = set().union(*(groups.get(g, set()) - ({without[1]} if g == without[0]
                                                                   else set())
                                          for g in asked_groups(script)))
                    installs[script] = packages.closure(named | packages.base)
                package = owner.get(path)
                if package not in installs[script]:
                    missing.setdefault((package, script), []).append("%s (%s)" % (path, where))
        return missing

    # Before the end of ./test.sh, a later script may not have installed its needs yet.
    problems = list(absent) if complete else []
    missing = uncovered()
    for (package, script), uses in sorted(missing.items(), key=str):
        more = " and %d more" % (len(uses) - 1) if len(uses) > 1 else ""
        if package is None:
            problems.append("%s needs %s%s, which no Debian package installed" % (
                script, uses[0], more))
        else:
            problems.append("%s needs package %s, which its call of scripts/install-deps.sh "
                            "does not install: %s%s" % (script, package, uses[0], more))
    if complete:
        unbuilt = [b for b in BUILDS if not os.path.isfile(os.path.join(ROOT, b, "build.ninja"))]
        if unbuilt:
            problems.append("--complete needs every build; missing: " + ", ".join(unbuilt))
        # Each package named must matter: taking it out must leave something uncovered.
        for group, names in sorted(groups.items()):
            for name in sorted(names):
                if uncovered((group, name)).keys() <= missing.keys():
                    problems.append("taking %s out of group %s of scripts/install-deps.sh would "
                                    "change nothing: nothing needs it, or another package of "
                                    "the scripts that ask for the group, or every Debian "
                                    "system, brings it" % (name, group))
    return found, problems


def main(argv):
    found, problems = check("--complete" in argv)
    for problem in problems:
        print("deps_test: " + problem, file=sys.stderr)
    print("deps_test: %d programs and files needed, %s" % (
        len(found), "%d not installed as they should be" % len(problems) if problems else "all "
        "installed by scripts/install-deps.sh"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
