#!/usr/bin/env python3
"""Runs a Windows test program under wine with COM2 a pseudo-terminal.

usage: wine_ports.py WINE EXE [ARGS...]     ($WINEPREFIX set)
COM1-COM4 point away in the test prefix; for the program's run COM2 is a
pseudo-terminal whose far end reads and never answers. Wine takes the
mapping from its registry at each start of the prefix, so both the entry and
the link change, and both are put back at the end; the test runs alone.
"""
import os
import pty
import subprocess
import sys
import threading

wine, program = sys.argv[1], sys.argv[2:]
prefix = os.environ["WINEPREFIX"]
link = os.path.join(prefix, "dosdevices", "com2")
away = os.readlink(link)
master, slave = pty.openpty()


def point_com2(path):
    subprocess.run([wine, "reg.exe", "add", r"HKLM\Software\Wine\Ports", "/v", "COM2", "/d", path, "/f"],
                   stdout=subprocess.DEVNULL, check=True)
    os.unlink(link)
    os.symlink(path, link)


def drain():
    try:
        while os.read(master, 256):
            pass
    except OSError:
        pass


threading.Thread(target=drain, daemon=True).start()
point_com2(os.ttyname(slave))
try:
    status = subprocess.run([wine] + program).returncode
finally:
    point_com2(away)
sys.exit(status)
