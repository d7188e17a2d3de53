#!/usr/bin/env python3
"""Listens on the accessibility bus for the events of the application named
on the command line that carry a text: name and description changes and
announcements. Prints one line per event, "event | role | text", for the
given number of seconds, then ends. A line "listening" on standard error
says when the listener is in place.
Usage: zugang_hoeren.py <application name> <seconds>"""
import sys

import pyatspi
from gi.repository import GLib

ARTEN = [
    "object:property-change:accessible-name",
    "object:property-change:accessible-description",
    "object:announcement",
]


def main():
    gesucht = sys.argv[1]
    sekunden = float(sys.argv[2])

    def gehoert(ereignis):
        try:
            app = ereignis.source.getApplication()
            if app is None or app.name != gesucht:
                return
            rolle = ereignis.source.getRoleName()
            if ereignis.type.startswith("object:announcement"):
                text = str(ereignis.any_data)
            elif "description" in ereignis.type:
                text = ereignis.source.description or ""
            else:
                text = ereignis.source.name or ""
        except Exception:
            return
        text = text.replace("\n", " / ")
        print(f"{ereignis.type} | {rolle} | {text}", flush=True)

    for art in ARTEN:
        pyatspi.Registry.registerEventListener(gehoert, art)
    GLib.timeout_add(int(sekunden * 1000), lambda: pyatspi.Registry.stop() or False)
    print("listening", file=sys.stderr, flush=True)
    pyatspi.Registry.start()
    return 0


sys.exit(main())
