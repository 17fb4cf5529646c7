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
#   rows.py walk PATTERN LAST
#                           presses Tab until the focus goes from an object
#                           whose name matches the regular expression LAST to
#                           one whose name does not match PATTERN (120 presses
#                           at most), then Shift+Tab until it is back where it
#                           began; prints the names the focus went to with
#                           Tab, one a line, then "--", then those it went to
#                           with Shift+Tab
import re
import subprocess
import sys
import time

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


def focused_name():
    import pyatspi
    for node in x11.nodes(active_only=True):
        try:
            if node.getRole() != pyatspi.ROLE_FRAME and node.getState().contains(pyatspi.STATE_FOCUSED):
                return node.name or ('<' + node.getRoleName() + '>')
        except Exception:
            continue
    return '<none>'


def focused():
    print(focused_name())
    return 0


class FocusEvents:
    # The names of the objects that took the focus, as the bus tells them:
    # no walk over the whole tree at each step.
    def __init__(self):
        import pyatspi
        from gi.repository import GLib
        self.context = GLib.MainContext.default()
        self.seen = []
        pyatspi.Registry.registerEventListener(self.heard, 'object:state-changed:focused')

    def heard(self, event):
        if event.detail1 != 1:
            return
        try:
            self.seen.append(event.source.name or ('<' + event.source.getRoleName() + '>'))
        except Exception:
            pass

    def pump(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if not self.context.iteration(False):
                time.sleep(0.01)

    def step(self, key):
        # The focus is where the last event put it once no more come (a
        # control may hand the focus on at once: a list to its first row).
        told = len(self.seen)
        subprocess.run(['xdotool', 'key', key], check=True)
        deadline = time.monotonic() + 3
        while len(self.seen) == told and time.monotonic() < deadline:
            self.pump(0.02)
        while True:
            told = len(self.seen)
            self.pump(0.3)
            if len(self.seen) == told:
                break
        return self.seen[-1] if self.seen else '<none>'


def walk(pattern, last):
    inside, last = re.compile(pattern), re.compile(last)
    events = FocusEvents()
    forward = [focused_name()]
    while len(forward) < 120:
        forward.append(events.step('Tab'))
        if last.search(forward[-2]) and not inside.search(forward[-1]):
            break
    back = [forward[-1]]
    while back[-1] != forward[0] and len(back) <= len(forward):
        back.append(events.step('shift+Tab'))
    print('\n'.join(forward))
    print('--')
    print('\n'.join(back))
    return 0


if __name__ == '__main__':
    if sys.argv[1] == 'lines':
        sys.exit(lines(sys.argv[2]))
    if sys.argv[1] == 'focused':
        sys.exit(focused())
    if sys.argv[1] == 'walk':
        sys.exit(walk(sys.argv[2], sys.argv[3]))
    sys.exit(2)
