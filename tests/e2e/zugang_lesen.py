#!/usr/bin/env python3
"""What a screen reader sees of the running ticker over AT-SPI: prints one
line per accessible object of the application named on the command line,
"role | name | description | value", then ends.
Usage: zugang_lesen.py <application name> [seconds to look for it]"""
import sys
import time

import pyatspi


def wert(objekt):
    try:
        return str(objekt.queryValue().currentValue)
    except NotImplementedError:
        return ""
    except Exception:
        return ""


def zeilen(objekt, tiefe=0):
    if tiefe > 12 or objekt is None:
        return
    try:
        name = objekt.name or ""
        beschreibung = (objekt.description or "").replace("\n", " / ")
        rolle = objekt.getRoleName()
    except Exception:
        return
    print(f"{rolle} | {name} | {beschreibung} | {wert(objekt)}")
    for i in range(objekt.childCount):
        try:
            zeilen(objekt.getChildAtIndex(i), tiefe + 1)
        except Exception:
            pass


def main():
    gesucht = sys.argv[1]
    frist = time.time() + (float(sys.argv[2]) if len(sys.argv) > 2 else 15)
    while time.time() < frist:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == gesucht and app.childCount > 0:
                zeilen(app)
                return 0
        time.sleep(0.5)
    print(f"no application {gesucht} on the accessibility bus", file=sys.stderr)
    return 1


sys.exit(main())
