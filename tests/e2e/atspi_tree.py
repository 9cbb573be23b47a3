#!/usr/bin/python3
"""Prints a window's accessibility tree as a screen reader reads it over AT-SPI.

Usage: atspi_tree.py PID TITLE_REGEX
       atspi_tree.py --events PID SECONDS READY_FILE

One line per object, indented two blanks a level:
    role | name | states | description
with the states that a screen reader announces for an item. Exit 0 with the
tree; 2 when the window is not (yet) there; 3 when pyatspi is missing.

With --events, what a screen reader hears for SECONDS: one line per change of
an object's name or description, and per focus, as
    event | role | name | description
READY_FILE is made once it listens.
"""
import re
import sys

try:
    import pyatspi
except ImportError:
    print("pyatspi is not installed")
    sys.exit(3)

# The states a screen reader speaks for the controls we check.
STATES = {
    pyatspi.STATE_SELECTED: "selected",
    pyatspi.STATE_FOCUSED: "focused",
    pyatspi.STATE_CHECKED: "checked",
}
# No more children of one object than this: a long list says how many it has.
MAX_CHILDREN = 400


def describe(obj):
    states = obj.getState()
    marks = ",".join(word for state, word in STATES.items() if states.contains(state))
    description = (obj.description or "").replace("\n", " ")
    return f"{obj.getRoleName()} | {obj.name or ''} | {marks} | {description}"


def walk(obj, depth, out):
    out.append("  " * depth + describe(obj))
    count = obj.childCount
    if count > MAX_CHILDREN:
        out.append("  " * (depth + 1) + f"... {count} children")
        count = MAX_CHILDREN
    for i in range(count):
        child = obj.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out)


def listen(pid, seconds, ready):
    from gi.repository import GLib

    def heard(event):
        try:
            if event.source.get_process_id() == pid:
                print(f"{event.type} | {describe(event.source)}", flush=True)
        except Exception:  # an object gone meanwhile
            pass

    for kind in ("object:property-change:accessible-name", "object:property-change:accessible-description",
                 "object:state-changed:focused"):
        pyatspi.Registry.registerEventListener(heard, kind)
    GLib.timeout_add(300, lambda: open(ready, "w").close())
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    return 0


def main():
    if sys.argv[1] == "--events":
        return listen(int(sys.argv[2]), float(sys.argv[3]), sys.argv[4])
    pid, title = int(sys.argv[1]), re.compile(sys.argv[2])
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.get_process_id() != pid:
            continue
        windows = [w for w in app if w is not None and title.search(w.name or "")]
        if windows:
            out = []
            walk(windows[-1], 0, out)
            print("\n".join(out))
            return 0
    return 2


if __name__ == "__main__":
    sys.exit(main())
