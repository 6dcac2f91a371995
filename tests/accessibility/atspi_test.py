"""The real window on a virtual display, as a screen reader (through AT-SPI) and a keyboard user
meet it: every control that takes the focus has a name, the names of controls.tsv, and each job,
Create, View, Unpack and the donation link, goes from start to end by key presses alone.

  dbus-run-session -- /usr/bin/python3 atspi_test.py BIN_DIR
BIN_DIR holds vokruzeru and VOKMaker2.exe. The test starts its own virtual display, on a number
the X server picks itself, and presses keys there with xdotool, as on a keyboard.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

import pyatspi

warnings.filterwarnings("ignore", category=DeprecationWarning, module="pyatspi")

HERE = os.path.dirname(os.path.abspath(__file__))
ROLES = {"button": "push button", "text": "text", "list": "list"}


def expected_controls():
    """[(control, AT-SPI role, name, description)] from controls.tsv."""
    rows = []
    with open(os.path.join(HERE, "controls.tsv"), encoding="utf-8") as table:
        for line in table:
            if line.strip() and not line.startswith("#"):
                control, role, name, description = line.rstrip("\n").split("\t")
                rows.append((control, ROLES[role], name, "" if description == "-" else description))
    return rows


def wait_for(condition, what, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        result = condition()
        if result:
            return result
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "60", *keys], check=True, timeout=10)
    time.sleep(0.2)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "15", text], check=True, timeout=30)


def descendants(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child)


class Window(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        read, write = os.pipe()
        cls.display = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                        "1280x1024x24", "-nolisten", "tcp"], pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as number:
            os.environ["DISPLAY"] = ":" + number.readline().strip()
        cls.dir = tempfile.mkdtemp(prefix="vok-atspi-")
        program = os.path.join(cls.dir, "program")
        os.makedirs(os.path.join(cls.dir, "fakebin"))
        os.makedirs(program)
        for name in ("vokruzeru", "VOKMaker2.exe"):
            shutil.copy2(os.path.join(sys.argv[1], name), program)
        # The desktop's opener of links, which notes the page it was asked to open.
        cls.opened = os.path.join(cls.dir, "opened.txt")
        opener = os.path.join(cls.dir, "fakebin", "xdg-open")
        with open(opener, "w", encoding="utf-8") as script:
            script.write('#!/bin/sh\nprintf %%s "$1" > "%s"\n' % cls.opened)
        os.chmod(opener, 0o755)
        environment = dict(os.environ, HOME=cls.dir, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=cls.dir,
                           PATH=os.path.join(cls.dir, "fakebin") + ":" + os.environ["PATH"])
        cls.process = subprocess.Popen([os.path.join(program, "vokruzeru")], env=environment)
        cls.app = wait_for(cls.find_app, "the program on the accessibility bus")
        cls.window = wait_for(cls.main_window, "the main window")
        cls.xid = subprocess.run(["xdotool", "search", "--sync", "--name", "^VOK/TEMO Vozare$"],
                                 check=True, capture_output=True, text=True).stdout.split()[0]
        cls.give_keyboard()

    @classmethod
    def tearDownClass(cls):
        cls.process.kill()
        cls.process.wait()
        cls.display.terminate()
        cls.display.wait()
        shutil.rmtree(cls.dir, ignore_errors=True)

    @classmethod
    def give_keyboard(cls):
        """Gives the main window the keyboard, as a window manager does when it shows and when
        a dialog of it closes; the virtual display has none."""
        subprocess.run(["xdotool", "windowfocus", "--sync", cls.xid], check=True, timeout=10)
        time.sleep(0.2)

    @classmethod
    def find_app(cls):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "vokruzeru":
                return app
        return None

    @classmethod
    def main_window(cls):
        for i in range(cls.app.childCount):
            window = cls.app.getChildAtIndex(i)
            if any(c.getRoleName() == "page tab list" for c in descendants(window)):
                return window
        return None

    def controls(self):
        return list(descendants(self.window))

    def node(self, role, name):
        for node in self.controls():
            if node.getRoleName() == role and node.name == name:
                return node
        raise AssertionError("no %s named %r" % (role, name))

    def focused(self):
        """The control with the keyboard focus. Its parts are left out: Qt calls a tab bar's
        selected tab focused, and a list's current item, even when the focus has moved on."""
        for node in descendants(self.app):
            state = node.getState()
            if state.contains(pyatspi.STATE_FOCUSED) and state.contains(pyatspi.STATE_SHOWING) \
                    and node.getRoleName() not in ("page tab", "list item"):
                return node
        return None

    def focused_name(self):
        node = self.focused()
        return node.name if node else None

    def tab_to(self, name):
        """Presses Tab until the button called `name` has the focus."""
        for _ in range(20):
            node = self.focused()
            if node and node.getRoleName() == "push button" and node.name == name:
                return
            key("Tab")
        self.fail("Tab never reached %r" % name)

    def choose(self, path):
        """Types `path` into the file or folder dialog that the focused button opens."""
        app_windows = self.app.childCount
        key("space")
        wait_for(lambda: self.app.childCount > app_windows, "the dialog")
        time.sleep(0.5)
        type_text(path)
        key("Return")
        wait_for(lambda: self.app.childCount == app_windows, "the dialog to close")
        self.give_keyboard()

    def run_ends(self, button):
        """Waits until the run that `button` started is over (the button is enabled again), and
        gives the keyboard back from the run's console window, as one would."""
        node = self.node("push button", button)
        wait_for(lambda: node.getState().contains(pyatspi.STATE_ENABLED), "the run's end")
        self.give_keyboard()

    def text_of(self, name):
        text = self.node("text", name).queryText()
        return text.getText(0, text.characterCount)

    def test_every_focusable_control_is_named(self):
        expected = expected_controls()
        for _tab in range(3):
            for node in self.controls():
                state = node.getState()
                if state.contains(pyatspi.STATE_FOCUSABLE) and \
                        state.contains(pyatspi.STATE_SHOWING):
                    self.assertNotIn(node.name, ("", "..."), node.getRoleName())
            key("ctrl+Page_Down")
        described = [(n.getRoleName(), n.name, n.description) for n in self.controls()]
        for control, role, name, description in expected:
            self.assertEqual(described.count((role, name, description)), 1, control)
        labels = {n.name: n for n in self.controls() if n.getRoleName() == "label"}
        for control, role, name, _ in expected:
            if role == "text":
                relations = self.node(role, name).getRelationSet()
                targets = [r.getTarget(0) for r in relations
                           if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
                self.assertEqual(targets, [labels[name]], control)

    def test_every_job_by_keys_alone(self):
        source = os.path.join(self.dir, "files")
        os.makedirs(os.path.join(source, "sub"))
        for name in ("a.txt", "b.txt", os.path.join("sub", "c.txt")):
            with open(os.path.join(source, name), "w", encoding="utf-8") as f:
                f.write(name * 10)
        archive = os.path.join(self.dir, "packed.temo")
        destination = os.path.join(self.dir, "out")
        os.makedirs(destination)

        # Create: Ctrl+Shift+Tab from the View tab round to the Create tab, its first control.
        key("ctrl+shift+Tab")
        self.assertEqual(self.focused_name(), "Choose the folder to pack")
        self.choose(source)
        self.assertEqual(self.text_of("Source (Directory containing your files)"), source)
        self.tab_to("Choose the archive to create")
        self.choose(archive)
        self.tab_to("Create")
        key("Return")
        wait_for(lambda: os.path.exists(archive), "the archive")
        self.run_ends("Create")

        # View: Ctrl+Tab round to the View tab.
        key("ctrl+Tab")
        self.assertEqual(self.focused_name(), "Select the VOK/TEMO file to view")
        self.tab_to("Choose the archive to view")
        self.choose(archive)
        files = self.node("list", "Files in the archive")
        wait_for(lambda: files.childCount == 3, "three files in the list")
        self.assertEqual(self.window.name, "3 in VOK File.")

        # Unpack: Ctrl+PageDown to the Unpack tab.
        key("ctrl+Page_Down")
        self.assertEqual(self.focused_name(), "Source (VOK/TEMO file to extract)")
        self.tab_to("Choose the archive to extract")
        self.choose(archive)
        self.tab_to("Choose the destination folder")
        self.choose(destination)
        self.tab_to("Extract")
        key("space")
        wait_for(lambda: os.path.exists(os.path.join(destination, "sub", "c.txt")),
                 "the unpacked files")
        self.run_ends("Extract")

        # The donation link.
        self.tab_to("Make a Donation")
        key("Return")
        wait_for(lambda: os.path.exists(self.opened), "the donation page")
        with open(self.opened, encoding="utf-8") as page:
            self.assertIn("/xclick/business=", page.read())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
