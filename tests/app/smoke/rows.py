#!/usr/bin/python3
# Row helpers of the rows test, over the application's accessibility tree
# (see x11.py):
#   rows.py lines PREFIX    prints "x y" points 12 pixels apart across the
#                           first shown list item whose name starts with
#                           PREFIX, along the middle of each line of its
#                           controls (buttons, sliders) and along its own
#                           middle, the lowest line first
#   rows.py focused         prints the name of the object that holds the
#                           keyboard focus in the active window
import sys

import x11

STEP = 12


def box(node):
    import pyatspi
    ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return ext.x, ext.y, ext.width, ext.height


def shown_row(prefix):
    import pyatspi
    for node in x11.nodes():
        try:
            if node.getRoleName() == 'list item' and node.name.startswith(prefix) \
                    and node.getState().contains(pyatspi.STATE_VISIBLE):
                x, y, w, h = box(node)
                if w > 0 and h > 0:
                    return node, (x, y, w, h)
        except Exception:
            continue
    return None, None


def lines(prefix):
    node, row = shown_row(prefix)
    if node is None:
        print('no shown row named ' + prefix + '...', file=sys.stderr)
        return 1
    x, y, w, h = row
    middles = {y + h // 2}
    for child in x11.children(node):
        try:
            if child.getRoleName() not in ('push button', 'toggle button', 'check box', 'slider'):
                continue
            cx, cy, cw, ch = box(child)
        except Exception:
            continue
        if cw > 0 and ch > 0 and y <= cy + ch // 2 < y + h:
            middles.add(cy + ch // 2)
    # Controls of one line are centred within a few pixels of each other.
    rows = []
    for middle in sorted(middles, reverse=True):
        if not rows or rows[-1] - middle > 6:
            rows.append(middle)
    for middle in rows:
        for px in range(x + STEP // 2, x + w, STEP):
            print(px, middle)
    return 0


def focused():
    import pyatspi
    for node in x11.nodes(active_only=True):
        try:
            if node.getRole() != pyatspi.ROLE_FRAME and node.getState().contains(pyatspi.STATE_FOCUSED):
                print(node.name or ('<' + node.getRoleName() + '>'))
                return 0
        except Exception:
            continue
    print('<none>')
    return 0


if __name__ == '__main__':
    if sys.argv[1] == 'lines':
        sys.exit(lines(sys.argv[2]))
    if sys.argv[1] == 'focused':
        sys.exit(focused())
    sys.exit(2)
