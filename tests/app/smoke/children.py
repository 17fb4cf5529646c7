#!/usr/bin/python3
# Row helpers of the row events test, over the application's accessibility
# tree (see x11.py):
#   children.py listen FILE   writes every AT-SPI children-changed event of a
#                             list to FILE, one a line, as it comes: "add" or
#                             "remove", then the index; "listening" is its
#                             first line, once it is
#                             registered
#   children.py centre PREFIX prints "x y" of the centre of the first shown
#                             list item whose name starts with PREFIX
import sys

import x11


def listen(path):
    import pyatspi
    out = open(path, 'a', buffering=1, encoding='utf-8')

    def changed(event):
        try:
            if event.source.getRole() != pyatspi.ROLE_LIST:
                return
            kind = 'add' if event.type.endswith('add') else 'remove'
            out.write('%s %d\n' % (kind, event.detail1))
        except Exception:
            pass

    pyatspi.Registry.registerEventListener(changed, 'object:children-changed')
    out.write('listening\n')
    pyatspi.Registry.start()


def centre(prefix):
    import pyatspi
    for node in x11.nodes():
        try:
            if node.getRoleName() == 'list item' and node.name.startswith(prefix) \
                    and node.getState().contains(pyatspi.STATE_SHOWING):
                ext = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                if ext.width > 0 and ext.height > 0:
                    print('%d %d' % (ext.x + ext.width // 2, ext.y + ext.height // 2))
                    return 0
        except Exception:
            continue
    return 1


if __name__ == '__main__':
    if sys.argv[1] == 'listen':
        listen(sys.argv[2])
    elif sys.argv[1] == 'centre':
        sys.exit(centre(sys.argv[2]))
