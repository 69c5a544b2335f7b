#!/usr/bin/env python3
# What a screen reader finds in every window: runs the window gallery
# (argument 1) in its hold mode, which keeps each window open until this
# script has walked its tree on the accessibility bus (AT-SPI), and fails on
# a control one can reach or press without a name, a drop-down list named
# after one of its entries, a spin box whose value is not the number it
# shows, a logo that is no link and a list line that does not say its status.
import os, subprocess, sys, tempfile, time
import pyatspi as R

CONTROLS = {R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_CHECK_BOX, R.ROLE_RADIO_BUTTON, R.ROLE_COMBO_BOX,
            R.ROLE_SPIN_BUTTON, R.ROLE_TEXT, R.ROLE_LIST, R.ROLE_TABLE, R.ROLE_TREE, R.ROLE_MENU_ITEM, R.ROLE_MENU,
            R.ROLE_PAGE_TAB, R.ROLE_LINK}
# Named by their text: an empty cell is no nameless control.
ITEMS = {R.ROLE_TABLE_CELL, R.ROLE_LIST_ITEM, R.ROLE_TREE_ITEM, R.ROLE_COLUMN_HEADER, R.ROLE_SEPARATOR}
# Qt's own file dialogs name their lists after the entry shown (Qt on Linux).
QT_DIALOGS = {"openpicture", "openphone", "folderpicker", "save"}


def safe(f, default=None):
    try:
        return f()
    except Exception:
        return default


def text_of(node):
    return safe(lambda: node.queryText().getText(0, -1).strip(), "")


def kids(node, limit=400):
    return [c for c in (safe(lambda: node.getChildAtIndex(i)) for i in range(min(safe(lambda: node.childCount, 0), limit))) if c]


def check(window, label):
    problems, stack, names = [], [(window, window.name)], set()
    while stack and len(names) < 4000:
        node, path = stack.pop()
        role, name = node.getRole(), (node.name or "").strip()
        names.add((role, name))
        reachable = role in CONTROLS or safe(lambda: node.getState().contains(R.STATE_FOCUSABLE), False)
        if role not in ITEMS and reachable and not name and (role != R.ROLE_LABEL or text_of(node)):
            problems.append("%s without a name" % path)
        if role == R.ROLE_COMBO_BOX and label not in QT_DIALOGS and name in {i.name for l in kids(node, 2) for i in kids(l)}:
            problems.append("%s is named after one of its entries" % path)
        value, shown = safe(lambda: node.queryValue().currentValue), text_of(node)
        if role == R.ROLE_SPIN_BUTTON and shown.isdigit() and value != float(shown):
            problems.append("%s reports %r while it shows %s" % (path, value, shown))
        stack += [(c, "%s/%s[%s]" % (path, c.getRoleName(), c.name)) for c in kids(node)
                  if safe(lambda: c.getState().contains(R.STATE_SHOWING), False)]
    wants = [(R.ROLE_LINK, "Ugrás a Pelmar honlapjára"), (R.ROLE_TABLE_CELL, "első.jpg, megfelelő")]
    problems += ["no %s named %r" % w for w in wants if label == "main" and w not in names]
    return ["%s: %s" % (label, p) for p in problems]


hold, problems, read, start = tempfile.mkdtemp(prefix="pelmar-a11y-"), [], [], time.monotonic()
proc = subprocess.Popen([sys.argv[1]], env=dict(os.environ, PELMAR_GALLERY_HOLD=hold, QT_QPA_PLATFORM="xcb",
                                                  QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
while proc.poll() is None and time.monotonic() - start < 240:
    ready = sorted(f for f in os.listdir(hold) if f.endswith(".ready"))
    if not ready:
        time.sleep(0.05)
        continue
    label, marker = ready[0][:-6], os.path.join(hold, ready[0])
    title, window, tries = open(marker, encoding="utf-8").read(), None, 100
    while not window and tries:
        apps = [a for a in kids(R.Registry.getDesktop(0)) if safe(a.get_process_id) == proc.pid]
        window, tries = next((w for a in apps for w in kids(a) if w.name == title), None), tries - 1
        time.sleep(0 if window else 0.1)
    problems += check(window, label) if window else ["%s: no window %r on the bus" % (label, title)]
    read.append(label)
    os.remove(marker)
if proc.poll() is None:
    problems.append("the gallery did not end within 240 s")
    proc.kill()
if proc.wait() != 0 or len(read) < 10:
    problems.append("the gallery ended with status %d after %d windows" % (proc.returncode, len(read)))
print("read %d windows: %s" % (len(read), " ".join(read)), *("FAILED: " + p for p in problems), sep="\n")
sys.exit(1 if problems else 0)
