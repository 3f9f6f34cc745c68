"""Uses the running program the way a screen-reader user's tools do, through AT-SPI only: walks
from the application root to the panel opened from the tray, finds the controls by role, name
and label, adds a project, starts tracking, hears the elapsed time change, stops, and reads the
totals row. Prints what it read; exits non-zero on the first thing amiss."""
import re
import sys
import time

import pyatspi
from gi.repository import GLib

PROJECT = "Spoken Project"


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    sys.exit(1)


def role_of(node):
    # Newer at-spi2 (Debian 13's) names a push button "button".
    return "button" if node.getRoleName() == "push button" else node.getRoleName()


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def poll(get, what, tries=200):
    for _ in range(tries):
        value = get()
        if value:
            return value
        time.sleep(0.05)
    fail(what)


def find(root, role, name=None, pattern=None, test=None):
    return poll(lambda: pyatspi.findDescendant(
        root, lambda n: role_of(n) == role and (name is None or n.name == name)
        and (pattern is None or re.fullmatch(pattern, n.name or "")) and (test is None or test(n)) and showing(n)),
        f"no {role} named {name or pattern}")


def child(parent, test):
    return next((c for c in map(parent.getChildAtIndex, range(parent.childCount)) if c is not None and test(c)), None)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "activate"):
            action.doAction(i)
            return
    fail(f"{node.name} cannot be pressed")


def labelled(node, label):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            if any(relation.getTarget(i).name == label for i in range(relation.getNTargets())):
                return True
    return False


def name_changes(action, ticks):
    """The names announced while `action` runs and tracking then ticks `ticks` times."""
    changed = []
    times = set()

    def listener(event):
        if event.type.startswith("object:state-changed:showing") and not event.detail1:
            return
        changed.append((role_of(event.source), event.source.name))
        if role_of(event.source) == "label" and re.fullmatch(r"\d\d:\d\d:\d\d", event.source.name or ""):
            times.add(event.source.name)
            if len(times) >= ticks:
                pyatspi.Registry.stop()

    events = ("object:property-change:accessible-name", "object:state-changed:showing")
    pyatspi.Registry.registerEventListener(listener, *events)
    GLib.idle_add(action)
    GLib.timeout_add(30000, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(listener, *events)
    if len(times) < ticks:
        fail(f"the elapsed time was not announced {ticks} times: {changed}")
    return changed


app = poll(lambda: child(pyatspi.Registry.getDesktop(0), lambda a: a.name == "Tockles"),
           "the program is not on the accessibility bus")
# The panel, reached by walking the root's children as a screen reader does.
window = poll(lambda: child(app, lambda c: c.name == "Tockles" and role_of(c) in ("dialog", "window", "frame")),
              "the open panel is not among the application's children")
print("window", role_of(window), window.name)
focused = find(window, "panel", test=lambda n: n.getState().contains(pyatspi.STATE_FOCUSED))
if not focused.name:
    fail("the focus landed on something without a name")
unnamed = pyatspi.findAllDescendants(window, lambda n: role_of(n) in ("frame", "filler") and not n.name and showing(n))
if unnamed:
    fail(f"unnamed in the panel: {[(role_of(n), n.parent.name, n.getIndexInParent()) for n in unnamed]}")
field = find(window, "text", "New Project...")
add = find(window, "button", "Add")
if add.getState().contains(pyatspi.STATE_ENABLED):
    fail("Add is enabled before anything was typed")
field.queryEditableText().setTextContents(PROJECT)
poll(lambda: add.getState().contains(pyatspi.STATE_ENABLED), "Add stayed disabled")
press(add)
picker = find(window, "combo box", test=lambda n: labelled(n, "Project"))
# Readers take the choice from the name, or from the text where Qt lacks the selection interface.
said = (picker.name, picker.queryText().getText(0, -1))
if said != (PROJECT, PROJECT):
    fail(f"the picker says {said!r}, not the chosen project")
separators = len(pyatspi.findAllDescendants(window, lambda n: role_of(n) == "separator" and showing(n)))
if separators != 3:
    fail(f"{separators} separators")
start = find(window, "button", "Start Tracking")
changes = name_changes(lambda: press(start), ticks=2)
elapsed = find(window, "label", pattern=r"\d\d:\d\d:\d\d", test=lambda n: n.description == "Elapsed time")
if elapsed.name == "00:00:00":
    fail("the elapsed time reads 00:00:00 after two ticks")
print("elapsed", elapsed.name)
# The label and the row change with every tick; the control changed once, when it was pressed,
# and readers that miss its new name hear it as a notification.
control = sum(1 for kind, _ in changes if kind == "button")
others = [c for c in changes if c[0] not in ("label", "button", "filler") and c != ("notification", f"Stop ({PROJECT})")]
if control > 2 or others or ("notification", f"Stop ({PROJECT})") not in changes:
    fail(f"names announced: {changes}")
stop = find(window, "button", f"Stop ({PROJECT})")
press(stop)
find(window, "button", "Start Tracking")
row = find(window, "filler", pattern=re.escape(PROJECT) + r": \d\d:\d\d:\d\d")
print("row", row.name)
print("remove", find(window, "button", "Remove selected project").name)
