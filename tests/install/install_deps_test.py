"""scripts/install-deps.sh against stand-ins for apt-get and dpkg-query: it waits, and says so,
while another package manager holds the lock, and stops at once on any other failure.

Run from the repository root:  python3 -m unittest tests/install/install_deps_test.py
"""

import os
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LOCKED = ("E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 "
          "(unattended-upgr)\nE: Unable to acquire the dpkg frontend lock "
          "(/var/lib/dpkg/lock-frontend), is another process using it?\n")
LISTS_LOCKED = "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 77 (apt-get)\n"

# apt-get: answers each call with the next line of answers.txt ("ok", "locked", "lists", "broken"),
# the last one for every call after; logs its arguments.
APT_GET = """#!/bin/sh
echo "$*" >> "$STUBS/calls.txt"
n=$(wc -l < "$STUBS/calls.txt")
answer=$(sed -n "${n}p" "$STUBS/answers.txt")
[ -n "$answer" ] || answer=$(tail -n 1 "$STUBS/answers.txt")
case "$answer" in
  ok) exit 0 ;;
  locked) printf '%s' "$LOCKED" >&2; exit 100 ;;
  lists) printf '%s' "$LISTS_LOCKED" >&2; exit 100 ;;
  broken) echo "E: Unable to locate package no-such-package" >&2; exit 100 ;;
esac
"""


class LockTest(unittest.TestCase):
    def run_install(self, answers, wait=60):
        with tempfile.TemporaryDirectory() as stubs:
            def stub(name, text):
                path = os.path.join(stubs, name)
                with open(path, "w") as f:
                    f.write(text)
                os.chmod(path, 0o755)
            stub("apt-get", APT_GET)
            stub("dpkg-query", "#!/bin/sh\nexit 1\n")            # nothing is installed
            stub("sudo", '#!/bin/sh\nexec "$@"\n')
            stub("sleep", "#!/bin/sh\n")                         # no real waiting in tests
            with open(os.path.join(stubs, "answers.txt"), "w") as f:
                f.write("\n".join(answers) + "\n")
            open(os.path.join(stubs, "calls.txt"), "w").close()
            env = dict(os.environ, PATH=stubs + ":" + os.environ["PATH"], STUBS=stubs,
                       LOCKED=LOCKED, LISTS_LOCKED=LISTS_LOCKED, VOK_APT_LOCK_WAIT=str(wait))
            result = subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh"), "build"],
                                    env=env, capture_output=True, text=True, timeout=60)
            with open(os.path.join(stubs, "calls.txt")) as f:
                calls = [line.split()[0] for line in f.read().split("\n") if line]
        return result, calls

    def test_lock_held_by_another_package_manager(self):
        waiting = "install-deps: waiting for another package manager to finish"
        rows = [
            # name, apt-get's answers, status, calls of apt-get, what it says
            ("free", ["ok"], 0, ["update", "install"], []),
            ("lists locked, then free", ["lists", "lists", "ok"], 0,
             ["update", "update", "update", "install"], [waiting + " (process 77 (apt-get))"]),
            ("dpkg locked at install", ["ok", "locked", "ok"], 0, ["update", "install", "install"],
             [waiting + " (process 4242 (unattended-upgr))"]),
            ("never freed", ["locked"], 1, ["update"] * 3,
             [waiting, "still holds the lock after 10 s; giving up"]),
            ("another failure", ["ok", "broken"], 1, ["update", "install"],
             ["Unable to locate package"]),
        ]
        for name, answers, status, calls, said in rows:
            with self.subTest(name):
                result, made = self.run_install(answers, wait=10)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertEqual(made, calls)
                for text in said:
                    self.assertIn(text, result.stderr)
                # Said once however long it waits, and only when it waits.
                self.assertEqual(result.stderr.count(waiting), int(any(waiting in t for t in said)))

if __name__ == "__main__":
    unittest.main()
