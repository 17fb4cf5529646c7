#!/usr/bin/python3
# Writes the text of every AT-SPI announcement event ("object:announcement")
# on the accessibility bus to FILE, one a line, as it comes:
#   announcements.py FILE
# "listening" is its first line, once it is registered.
import sys

import pyatspi

out = open(sys.argv[1], 'a', buffering=1, encoding='utf-8')


def heard(event):
    out.write(str(event.any_data) + '\n')


pyatspi.Registry.registerEventListener(heard, 'object:announcement')
out.write('listening\n')
pyatspi.Registry.start()
