#!/usr/bin/env python3
# Listens on the accessibility bus to every event a screen reader listens
# to, so that a program's accessibility bridge sends them as it would with a
# screen reader running. Used by scroll_cpu.sh (BUS=leser).
# Usage: zugang_hoerer.py PID  (ends once the process PID has gone)
import os
import sys

import pyatspi
from gi.repository import GLib

programm = int(sys.argv[1])


def ereignis(_):
    pass


def noch_da():
    try:
        os.kill(programm, 0)
        return True
    except OSError:
        pyatspi.Registry.stop()
        return False


for art in ("object:", "window:", "focus:", "document:"):
    pyatspi.Registry.registerEventListener(ereignis, art)
GLib.timeout_add_seconds(2, noch_da)
pyatspi.Registry.start()
