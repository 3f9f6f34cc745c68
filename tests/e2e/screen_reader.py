"""Uses the running program the way a screen-reader user's tools do, through AT-SPI only:
finds the controls by role and accessible name, adds a project, starts and stops tracking,
and reads the totals row. Prints what it read; exits non-zero on the first thing amiss."""
import re
import sys
import time

import pyatspi

PROJECT = "Spoken Project"


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    sys.exit(1)


def find(root, role, name=None, pattern=None, tries=100):
    for _ in range(tries):
        match = pyatspi.findDescendant(
            root, lambda n: n.getRoleName() == role and (name is None or n.name == name)
            and (pattern is None or re.fullmatch(pattern, n.name or "")) and
            n.getState().contains(pyatspi.STATE_SHOWING))
        if match is not None:
            return match
        time.sleep(0.05)
    fail(f"no {role} named {name or pattern}")


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "activate"):
            action.doAction(i)
            return
    fail(f"{node.name} cannot be pressed")


def application():
    for _ in range(200):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Tockles":
                return app
        time.sleep(0.05)
    fail("the program is not on the accessibility bus")


app = application()
field = find(app, "text", "New Project...")
add = find(app, "push button", "Add")
if add.getState().contains(pyatspi.STATE_ENABLED):
    fail("Add is enabled before anything was typed")
field.queryEditableText().setTextContents(PROJECT)
for _ in range(100):
    if add.getState().contains(pyatspi.STATE_ENABLED):
        break
    time.sleep(0.05)
press(add)
# A combo box speaks as its current choice: the project just added.
find(app, "combo box", PROJECT)
press(find(app, "push button", "Start Tracking"))
time.sleep(0.3)
stop = find(app, "push button", f"Stop ({PROJECT})")
press(stop)
find(app, "push button", "Start Tracking")
row = find(app, "filler", pattern=re.escape(PROJECT) + r": \d\d:\d\d:\d\d")
print("row", row.name)
print("remove", find(app, "push button", "Remove selected project").name)
