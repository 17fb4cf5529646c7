#!/usr/bin/python3
# Small X11 and accessibility helpers of the smoke test:
#   x11.py close WINDOW_ID         asks the window to close, as its close button does
#   x11.py find NAME [ROLE]        prints "x y" of the centre of the first
#                                  accessible object of the application named NAME
#   x11.py described PREFIX        prints the name or description, starting with
#                                  PREFIX, of the first accessible object that has one
import sys


def close(window_id):
    from Xlib import X, display, protocol
    d = display.Display()
    window = d.create_resource_object('window', window_id)
    protocols = d.intern_atom('WM_PROTOCOLS')
    delete = d.intern_atom('WM_DELETE_WINDOW')
    event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                         data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    d.flush()


def nodes():
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.name not in ('tessarin', 'Tessarin', 'Vellumcast'):
            continue
        stack = [app]
        while stack:
            node = stack.pop()
            try:
                yield node
                stack.extend(child for child in node if child is not None)
            except Exception:
                continue


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


if __name__ == '__main__':
    if sys.argv[1] == 'close':
        close(int(sys.argv[2], 0))
        sys.exit(0)
    if sys.argv[1] == 'find':
        sys.exit(find(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None))
    if sys.argv[1] == 'described':
        sys.exit(described(sys.argv[2]))
    sys.exit(2)
