#!/usr/bin/python3
# Keyboard helpers of the smoke test, over the application's accessibility
# tree (see x11.py):
#   keys.py tab-to NAME [ROW]
#                            presses Tab until the focus is on the lowest shown
#                            object named NAME that can take the focus (of those
#                            inside the object whose name starts with ROW, when
#                            given); fails after 200 presses. A NAME that ends
#                            with "*" matches every name that starts with the
#                            rest
#   keys.py back-to NAME     the same with Shift+Tab
#   keys.py at NAME ROW      prints "x y" of the centre of the lowest shown
#                            object named NAME inside the object whose name
#                            starts with ROW
#   keys.py focused-at       prints "x y" of the centre of the object that holds
#                            the keyboard focus in the active window
#   keys.py schedule SHOW    prints the local hour and minute of each event
#                            stored in the show file SHOW, one per line
#   keys.py items SHOW BLOCK prints the relative path of each item of the
#                            block named BLOCK in the show file SHOW
import json
import subprocess
import sys
import time

import x11


def extents(node):
    import pyatspi
    ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (ext.x, ext.y, ext.width, ext.height)


def inside(node, prefix):
    up = node.parent
    while up is not None:
        try:
            if up.name.startswith(prefix):
                return True
            up = up.parent
        except Exception:
            return False
    return False


def named(node, name):
    if name.endswith('*'):
        return node.name.startswith(name[:-1])
    return node.name == name


def lowest(name, row=None):
    import pyatspi
    found = None
    for node in x11.nodes():
        try:
            if not named(node, name) or (row is not None and not inside(node, row)) \
                    or not node.getState().contains(pyatspi.STATE_FOCUSABLE):
                continue
            box = extents(node)
            if box[2] > 0 and box[3] > 0 and (found is None or box[1] > found[1]):
                found = box
        except Exception:
            continue
    return found


def focused():
    # Only the active window holds the focus: the others are not walked.
    import pyatspi
    for node in x11.nodes(active_only=True):
        try:
            if node.getRole() != pyatspi.ROLE_FRAME and node.getState().contains(pyatspi.STATE_FOCUSED):
                return extents(node)
        except Exception:
            continue
    return None


def tab_to(name, row=None, key='Tab'):
    target = lowest(name, row)
    if target is None:
        print('nothing named ' + name, file=sys.stderr)
        return 1
    before = focused()
    for _ in range(200):
        subprocess.run(['xdotool', 'key', key], check=True)
        # The tree learns of the move a little later: wait for it.
        deadline = time.monotonic() + 3
        now = focused()
        while now == before and time.monotonic() < deadline:
            time.sleep(0.05)
            now = focused()
        if now == target:
            return 0
        before = now
    print(key + ' never reached ' + name, file=sys.stderr)
    return 1


def schedule(show):
    with open(show, encoding='utf-8') as f:
        entries = json.load(f).get('schedule', [])
    for entry in entries:
        local = time.localtime(entry['date'])
        print('%02d:%02d' % (local.tm_hour, local.tm_min))
    return 0


def items(show, block):
    with open(show, encoding='utf-8') as f:
        blocks = json.load(f).get('blocks', [])
    for entry in blocks:
        if entry.get('name') == block:
            for item in entry.get('items', []):
                print(item.get('relativePath', ''))
    return 0


if __name__ == '__main__':
    if sys.argv[1] == 'tab-to':
        sys.exit(tab_to(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None))
    if sys.argv[1] == 'at':
        box = lowest(sys.argv[2], sys.argv[3])
        if box is None:
            sys.exit(1)
        print(box[0] + box[2] // 2, box[1] + box[3] // 2)
        sys.exit(0)
    if sys.argv[1] == 'focused-at':
        box = focused()
        if box is None:
            sys.exit(1)
        print(box[0] + box[2] // 2, box[1] + box[3] // 2)
        sys.exit(0)
    if sys.argv[1] == 'back-to':
        sys.exit(tab_to(sys.argv[2], None, 'shift+Tab'))
    if sys.argv[1] == 'items':
        sys.exit(items(sys.argv[2], sys.argv[3]))
    if sys.argv[1] == 'schedule':
        sys.exit(schedule(sys.argv[2]))
    sys.exit(2)
