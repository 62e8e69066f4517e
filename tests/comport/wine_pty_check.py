#!/usr/bin/env python3
"""Runs wine_pty_check.exe under wine on a pseudo-terminal mapped as COM9.

usage: wine_pty_check.py WINE EXE
The prefix is $WINEPREFIX. The far end reads the program's line, stays silent
while the program counts its event waits, then answers VELKOR CR.
"""
import os
import pty
import select
import subprocess
import sys
import time

wine, exe = sys.argv[1], sys.argv[2]
master, slave = pty.openpty()
link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "com9")
if os.path.lexists(link):
    os.unlink(link)
os.symlink(os.ttyname(slave), link)


def expect_line(child, text):
    line = child.stdout.readline().strip()
    print(line)
    if line != text:
        print("wine_pty_check.py: expected %r" % text)
        child.kill()
        sys.exit(1)


# A wineserver of our own, its output (object dumps at exit) kept out of ours.
server = os.path.join(os.path.dirname(os.path.realpath(wine)), "wineserver")
if os.path.exists(server):
    subprocess.run([server, "-p5"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

try:
    child = subprocess.Popen([wine, exe, r"\\.\COM9"], stdout=subprocess.PIPE, text=True)
    line = b""
    deadline = time.monotonic() + 20
    while not line.endswith(b"\r") and time.monotonic() < deadline:
        if select.select([master], [], [], 0.2)[0]:
            line += os.read(master, 64)
    if line != b"LL1\r":
        print("wine_pty_check.py: read %r instead of the program's line" % line)
        child.kill()
        sys.exit(1)
    expect_line(child, "idle")
    expect_line(child, "idle done")
    os.write(master, b"VELKOR\r")
    for line in child.stdout:
        print(line.rstrip())
    sys.exit(child.wait(timeout=30))
finally:
    os.unlink(link)
