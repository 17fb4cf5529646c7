#!/usr/bin/python3
# Small X11 and accessibility helpers of the smoke test:
#   x11.py close WINDOW_ID         asks the window to close, as its close button does
#   x11.py find NAME [ROLE]        prints "x y" of the centre of the first
#                                  accessible object of the application named NAME
#   x11.py shown NAME [ROLE]       as find, for an object that is visible and
#                                  whose centre lies on the screen
#   x11.py place PREFIX ROLE       prints "INDEX COUNT": the place among its
#                                  parent's children, and their number, of the
#                                  first accessible object of role ROLE whose
#                                  name starts with PREFIX (as a reader says
#                                  "row INDEX + 1 of COUNT")
#   x11.py described PREFIX        prints the name or description, starting with
#                                  PREFIX, of the first accessible object that has one
#   x11.py value NAME              prints the current value of the first
#                                  accessible object named NAME that has one
#   x11.py dump                    prints role and name of every accessible object
#   x11.py window ROLE NAME [CONTROL...]
#                                  succeeds when a window of the application (a
#                                  child of its root) has role ROLE and name NAME
#                                  and holds accessible objects named CONTROL...;
#                                  prints the names of the controls it holds
#   x11.py ink NAME [COUNT]        prints the colour in which the first shown
#                                  object named NAME is drawn on the screen
#                                  (red, blue, white or none), COUNT times a
#                                  quarter of a second apart (once by default)
import sys

DEBUG = False


def close(window_id):
    from Xlib import X, display, protocol
    d = display.Display()
    window = d.create_resource_object('window', window_id)
    protocols = d.intern_atom('WM_PROTOCOLS')
    delete = d.intern_atom('WM_DELETE_WINDOW')
    event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                         data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    # A round trip, not a flush: the server drops what a client that has
    # hung up sent but it had not read yet, and a busy server read the
    # request after the exit that follows a flush (1 close in 4 was lost).
    d.sync()


def children(node):
    # One by one: an object that fails to answer hides only itself.
    try:
        count = node.childCount
    except Exception:
        return []
    found = []
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except Exception as error:
            if DEBUG:
                print('child', index, 'of', node, 'failed:', error)
            continue
        if child is not None:
            found.append(child)
    return found


def nodes(active_only=False):
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.name not in ('tessarin', 'Tessarin', 'Vellumcast'):
            continue
        stack = [app]
        if active_only:
            active = []
            for top in children(app):
                try:
                    if top.getState().contains(pyatspi.STATE_ACTIVE):
                        active.append(top)
                except Exception:
                    continue
            stack = active or stack
        while stack:
            node = stack.pop()
            yield node
            stack.extend(reversed(children(node)))


def find(name, role=None):
    import pyatspi
    for node in nodes():
        try:
            if node.name == name and (role is None or node.getRoleName() == role):
                ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                print(ext.x + ext.width // 2, ext.y + ext.height // 2)
                return 0
        except Exception:
            continue
    return 1


def shown(name, role=None):
    # A name ending in a comma is the start of a row's name ("Voce 200,"):
    # the row itself, whether the length after it is known yet or not.
    import pyatspi
    from Xlib import display
    screen = display.Display().screen()
    for node in nodes():
        try:
            named = node.name.startswith(name) if name.endswith(',') else node.name == name
            if not named or (role is not None and node.getRoleName() != role) \
                    or not node.getState().contains(pyatspi.STATE_VISIBLE):
                continue
            ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            x, y = ext.x + ext.width // 2, ext.y + ext.height // 2
            if 0 <= x < screen.width_in_pixels and 0 <= y < screen.height_in_pixels:
                print(x, y)
                return 0
        except Exception:
            continue
    return 1


def place(prefix, role):
    for node in nodes():
        try:
            if node.name.startswith(prefix) and node.getRoleName() == role:
                print(node.getIndexInParent(), node.parent.childCount)
                return 0
        except Exception:
            continue
    return 1


def described(prefix):
    for node in nodes():
        try:
            for text in (node.name, node.description):
                if text and text.startswith(prefix):
                    print(text)
                    return 0
        except Exception:
            continue
    return 1


def value(name):
    for node in nodes():
        try:
            if node.name == name:
                print(node.queryValue().currentValue)
                return 0
        except Exception:
            continue
    return 1


def dump():
    global DEBUG
    DEBUG = True
    for node in nodes():
        try:
            print(node.getRoleName(), repr(node.name))
        except Exception as error:
            print('?', error)
    return 0


def window(role, name, controls):
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.name not in ('tessarin', 'Tessarin', 'Vellumcast'):
            continue
        for top in app:
            try:
                if top is None or top.getRoleName() != role or top.name != name:
                    continue
                names = []
                stack = children(top)
                while stack:
                    node = stack.pop()
                    if node is None:
                        continue
                    if node.name and node.getState().contains(pyatspi.STATE_VISIBLE) \
                            and node.getRoleName() in ('push button', 'toggle button', 'check box', 'radio button',
                                                       'slider', 'text', 'combo box', 'list item', 'spin button'):
                        names.append(node.name)
                    stack.extend(children(node))
                if all(control in names for control in controls):
                    print(' | '.join(sorted(set(names))))
                    return 0
            except Exception:
                continue
    return 1


def ink(name, count=1):
    # The bright pixels of the object's box on the screen (the interface's
    # backgrounds are dark), each counted as the colour it is closest to.
    import time
    import pyatspi
    from Xlib import X, display
    for node in nodes():
        try:
            if node.name != name or not node.getState().contains(pyatspi.STATE_VISIBLE):
                continue
            ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        except Exception:
            continue
        if ext.width <= 0 or ext.height <= 0:
            continue
        root = display.Display().screen().root
        seen = []
        for sample in range(count):
            if sample:
                time.sleep(0.25)
            data = root.get_image(ext.x, ext.y, ext.width, ext.height, X.ZPixmap, 0xffffffff).data
            counts = {'red': 0, 'blue': 0, 'white': 0}
            for i in range(0, len(data) - 3, 4):
                b, g, r = data[i], data[i + 1], data[i + 2]
                if max(r, g, b) < 160:
                    continue
                if r - b > 100:
                    counts['red'] += 1
                elif b - r > 100:
                    counts['blue'] += 1
                elif min(r, g, b) > 190:
                    counts['white'] += 1
            best = max(counts, key=counts.get)
            seen.append(best if counts[best] > 0 else 'none')
        print(' '.join(seen))
        return 0
    return 1


if __name__ == '__main__':
    if sys.argv[1] == 'close':
        close(int(sys.argv[2], 0))
        sys.exit(0)
    if sys.argv[1] == 'find':
        sys.exit(find(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None))
    if sys.argv[1] == 'shown':
        sys.exit(shown(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None))
    if sys.argv[1] == 'value':
        sys.exit(value(sys.argv[2]))
    if sys.argv[1] == 'dump':
        sys.exit(dump())
    if sys.argv[1] == 'window':
        sys.exit(window(sys.argv[2], sys.argv[3], sys.argv[4:]))
    if sys.argv[1] == 'ink':
        sys.exit(ink(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 1))
    if sys.argv[1] == 'place':
        sys.exit(place(sys.argv[2], sys.argv[3]))
    if sys.argv[1] == 'described':
        sys.exit(described(sys.argv[2]))
    sys.exit(2)
