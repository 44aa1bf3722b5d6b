#!/usr/bin/env python3
"""Makes a terminal that runs a command (xterm, pterm) a Telnet client of
the benchmark's feeder, so the probes treat it as they treat ours and PuTTY.

Run inside the terminal: ptyrelay.py PORT. Bytes from the feeder go to the
terminal (IAC doubled undone); what the terminal sends (keys) goes back. A
DO TIMING-MARK is answered only once the terminal has answered a
cursor-position request written after everything before it: when it has
taken all of that, as our program answers only after processing it.
"""
import os
import select
import socket
import sys
import termios
import tty

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
TIMING_MARK = 6
CPR_REQUEST = b"\x1b[6n"


def main():
    port = int(sys.argv[1])
    sock = socket.create_connection(("127.0.0.1", port))
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    tty_in, tty_out = sys.stdin.fileno(), sys.stdout.fileno()
    tty.setraw(tty_in)
    attrs = termios.tcgetattr(tty_in)
    attrs[3] &= ~termios.ECHO
    termios.tcsetattr(tty_in, termios.TCSANOW, attrs)
    state, marks_owed, answer = 0, 0, b""
    while True:
        ready, _, _ = select.select([sock, tty_in], [], [])
        if sock in ready:
            data = sock.recv(65536)
            if not data:
                return
            out = bytearray()
            for b in data:
                if state == 0:
                    if b == IAC:
                        state = 1
                    else:
                        out.append(b)
                elif state == 1:
                    if b in (WILL, WONT, DO, DONT):
                        state = 2 if b == DO else 3
                    else:
                        if b == IAC:
                            out.append(b)
                        state = 0
                else:
                    if state == 2 and b == TIMING_MARK:
                        out += CPR_REQUEST
                        marks_owed += 1
                    state = 0
            if out:
                os.write(tty_out, bytes(out))
        if tty_in in ready:
            data = os.read(tty_in, 65536)
            if not data:
                return
            keys = bytearray()
            for b in data:
                if answer or b == 0x1B and marks_owed:
                    answer += bytes([b])
                    if b == ord("R"):  # the cursor-position report ends here
                        answer = b""
                        marks_owed -= 1
                        sock.sendall(bytes([IAC, WONT, TIMING_MARK]))
                else:
                    keys.append(b)
            if keys:
                sock.sendall(bytes(keys).replace(b"\xff", b"\xff\xff"))


if __name__ == "__main__":
    main()
