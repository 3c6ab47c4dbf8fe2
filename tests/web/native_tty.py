#!/usr/bin/env python3
"""native_tty.py PROGRAM FOLDER < LINES: runs a native console program on a
terminal (a pseudo-terminal without echo or output translation) in FOLDER,
types LINES and then the end of input, and prints what the program printed."""
import os
import pty
import sys
import termios

program, folder = sys.argv[1], sys.argv[2]
lines = sys.stdin.buffer.read()
pid, fd = pty.fork()
if pid == 0:
    os.chdir(folder)
    os.execv(program, [program])
attrs = termios.tcgetattr(fd)
attrs[1] &= ~termios.OPOST
attrs[3] &= ~(termios.ECHO | termios.ECHONL)
termios.tcsetattr(fd, termios.TCSANOW, attrs)
os.write(fd, lines + b"\x04")
out = bytearray()
while True:
    try:
        chunk = os.read(fd, 65536)
    except OSError:
        break
    if not chunk:
        break
    out += chunk
os.waitpid(pid, 0)
sys.stdout.buffer.write(out)
