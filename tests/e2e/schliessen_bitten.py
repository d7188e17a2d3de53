#!/usr/bin/env python3
"""Asks an X window to close the way a window manager or a task list does:
a WM_DELETE_WINDOW message in WM_PROTOCOLS. Usage: schliessen_bitten.py <window id>"""
import ctypes
import ctypes.util
import sys


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


def main():
    fenster = int(sys.argv[1], 0)
    x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.POINTER(XEvent)]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    anzeige = x.XOpenDisplay(None)
    if not anzeige:
        sys.exit("no display")
    ereignis = XEvent()
    ereignis.xclient.type = 33  # ClientMessage
    ereignis.xclient.window = fenster
    ereignis.xclient.message_type = x.XInternAtom(anzeige, b"WM_PROTOCOLS", 0)
    ereignis.xclient.format = 32
    ereignis.xclient.data[0] = x.XInternAtom(anzeige, b"WM_DELETE_WINDOW", 0)
    ereignis.xclient.data[1] = 0  # CurrentTime
    x.XSendEvent(anzeige, fenster, 0, 0, ctypes.byref(ereignis))
    x.XFlush(anzeige)
    x.XCloseDisplay(anzeige)


main()
