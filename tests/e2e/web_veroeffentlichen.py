#!/usr/bin/env python3
"""Publishes a snapshot for the end-to-end test as a broadcaster does:
broadcast.json and its minisign signature (made by the minisign tool, the
header repeated in the trusted comment), each renamed into place.
Arguments: FOLDER SECRET_KEY PUBLIC_KEY TEXT VALID_SECONDS"""
import json
import os
import subprocess
import sys
import time

ordner, geheim, oeffentlich, text, gueltig = sys.argv[1:6]
with open(oeffentlich) as f:
    schluessel = f.readline().split()[-1].upper()
jetzt = int(time.time())
version = int(time.time() * 1000)
zeit = lambda s: time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(s))
kopf = {"format": 1, "version": version, "veroeffentlicht": zeit(jetzt),
        "ablauf": zeit(jetzt + int(gueltig)), "schluessel": schluessel}
inhalt = dict(kopf)
inhalt["einstellungen"] = {"remoteEinstellungen": 0}
inhalt["notizen"] = [{"ID": 1, "inhalt": text, "Rhythmus": 0}]
kommentar = "pinwick-broadcast format:1 version:%d published:%s expires:%s key:%s" % (
    version, kopf["veroeffentlicht"], kopf["ablauf"], schluessel)
neu = os.path.join(ordner, ".neu.json")
with open(neu, "w") as f:
    json.dump(inhalt, f)
subprocess.run(["minisign", "-S", "-s", geheim, "-m", neu, "-x", neu + ".minisig", "-t", kommentar],
               check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
os.rename(neu, os.path.join(ordner, "broadcast.json"))
os.rename(neu + ".minisig", os.path.join(ordner, "broadcast.json.minisig"))
print(version)
