#!/usr/bin/env python3
"""Records what real full-screen programs write to an xterm.

Each scenario runs one program in a pseudo-terminal of 80x24 with TERM=xterm
in the ko_KR.CP949 locale, types its keys as the xterm level sends them and,
after each key, waits until the program falls silent and marks a checkpoint.
The output goes to captures/NAME.bin; captures/NAME.txt lists the
checkpoints, one "OFFSET NAME" a line. The replay tests feed the bytes to our
interpreter and to libvterm and compare the screens at every checkpoint, so
they need none of these programs. Run it again only to renew the captures:

    tests/replay/capture.py [NAME...]

Needs nano, htop, vim, less, dialog, mc, tmux, vttest and the locale
(localedef -f CP949 -i ko_KR ko_KR.CP949).
"""
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import struct
import sys
import tempfile
import termios
import time

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "captures")
ROWS, COLS = 24, 80
LOCALE = "ko_KR.CP949"

ESC = "\x1b"
# Keys as the xterm level sends them; cursor keys follow DECCKM.
KEYS = {
    "F1": ESC + "OP", "F2": ESC + "OQ", "F3": ESC + "OR", "F4": ESC + "OS",
    "F5": ESC + "[15~", "F6": ESC + "[17~", "F7": ESC + "[18~", "F8": ESC + "[19~",
    "F9": ESC + "[20~", "F10": ESC + "[21~", "Enter": "\r", "Esc": ESC, "Tab": "\t",
    "BS": "\x08", "PgDn": ESC + "[6~", "PgUp": ESC + "[5~", "Del": ESC + "[3~",
}
ARROWS = {"Up": "A", "Down": "B", "Right": "C", "Left": "D", "Home": "H", "End": "F"}

# Korean text in code page 949, as the host's files hold it.
KOREAN = "안녕하세요, 한글 파일입니다.\n둘째 줄: 터미널 시험\n셋째 줄\n".encode("cp949")


def korean_file(d, name="hangul.txt", lines=60):
    with open(os.path.join(d, name), "wb") as f:
        f.write(KOREAN)
        for i in range(lines):
            f.write(f"{i + 4:3d} 번째 줄 - line {i + 4}\n".encode("cp949"))
    return name


class Session:
    """One program on a pseudo-terminal, answering the queries an xterm answers."""

    def __init__(self, argv, cwd, env_extra=None):
        self.out = bytearray()
        self.marks = []
        self.app_cursor = False
        env = {
            "TERM": "xterm", "LANG": LOCALE, "LC_ALL": LOCALE, "HOME": cwd,
            "PATH": "/usr/local/bin:/usr/bin:/bin", "SHELL": "/bin/sh",
            "COLUMNS": str(COLS), "LINES": str(ROWS), "TZ": "UTC",
        }
        env.update(env_extra or {})
        pid, fd = pty.fork()
        if pid == 0:
            os.chdir(cwd)
            os.execvpe(argv[0], argv, env)
        self.pid, self.fd = pid, fd
        fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLS, 0, 0))
        os.kill(pid, signal.SIGWINCH)

    def answer(self, chunk):
        text = chunk.decode("latin-1")
        for m in re.finditer(r"\x1b\[\?1([hl])", text):
            self.app_cursor = m.group(1) == "h"
        if re.search(r"\x1b\[0?c", text):
            os.write(self.fd, b"\x1b[?1;2c")
        if "\x1b[>c" in text or "\x1b[>0c" in text:
            os.write(self.fd, b"\x1b[>0;10;1c")
        if "\x1b[5n" in text:
            os.write(self.fd, b"\x1b[0n")

    def pump(self, quiet=0.4, limit=8.0):
        """Reads until the program has been silent for `quiet` seconds."""
        end = time.time() + limit
        last = time.time()
        while time.time() < end:
            r, _, _ = select.select([self.fd], [], [], 0.05)
            if r:
                try:
                    chunk = os.read(self.fd, 65536)
                except OSError:
                    return False
                if not chunk:
                    return False
                self.out += chunk
                self.answer(chunk)
                last = time.time()
            elif time.time() - last >= quiet:
                return True
        return True

    def mark(self, name):
        self.marks.append((len(self.out), name))

    def key(self, name, quiet=0.4):
        if name in ARROWS:
            seq = ESC + ("O" if self.app_cursor else "[") + ARROWS[name]
        else:
            seq = KEYS.get(name, name)
        os.write(self.fd, seq.encode("cp949"))
        self.pump(quiet)

    def finish(self):
        self.pump(0.5, 5)
        try:
            os.kill(self.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            os.waitpid(self.pid, 0)
        except ChildProcessError:
            pass
        os.close(self.fd)


def script(s, steps, first_quiet=1.0):
    """steps: (key, checkpoint name or None); the start is checkpoint 'start'."""
    s.pump(first_quiet)
    s.mark("start")
    for key, name in steps:
        s.key(key)
        if name:
            s.mark(name)


def nano(d):
    f = korean_file(d, "memo.txt", 30)
    s = Session(["nano", "-I", f], d)
    script(s, [("Down", None), ("End", "line-end"), (" 추가", "typed"),
               ("PgDn", "page-down"), ("\x0f", "write-prompt"), ("Enter", "written"),
               ("\x18", "exit")])
    return s


def htop(d):
    s = Session(["htop", "-d", "10"], d)
    script(s, [("F2", "setup"), ("Esc", "back"), ("F5", "tree"), ("q", "quit")],
           first_quiet=1.5)
    return s


def vim(d):
    f = korean_file(d)
    s = Session(["vim", "-N", "-u", "NONE", "-i", "NONE", "--noplugin", f], d)
    script(s, [(":syntax on\r", None), (":set number ruler\r", "numbered"), ("j", None),
               ("dd", "deleted"), ("o한글 입력 시험\x1b", "inserted"), ("\x06", "page"),
               (":q!\r", "quit")])
    return s


def less(d):
    f = korean_file(d, "long.txt", 80)
    # less knows no code page 949; latin1 passes its bytes through as text.
    s = Session(["less", f], d, {"LESSCHARSET": "latin1"})
    script(s, [(" ", "page2"), ("/line 40\r", "search"), ("G", "end"), ("q", "quit")])
    return s


def dialog(d):
    argv = ["dialog", "--title", "메뉴", "--menu", "하나를 고르세요", "15", "50", "5",
            "1", "첫째", "2", "둘째", "3", "셋째", "4", "넷째", "5", "다섯째", "6", "여섯째"]
    argv = [a.encode("cp949") for a in argv]
    s = Session(argv, d)
    script(s, [("Down", "second"), ("Down", None), ("Down", None), ("Down", None),
               ("Down", "scrolled"), ("Tab", "buttons"), ("Enter", "chosen")])
    return s


def mc(d):
    korean_file(d)
    os.makedirs(os.path.join(d, "subdir"), exist_ok=True)
    s = Session(["mc", "-u"], d)
    script(s, [("Down", "down"), ("Tab", "other-panel"), ("F9", "menu"), ("Esc", None),
               ("Esc", "menu-closed"), ("F10", "quit-asked"), ("Enter", "quit")],
           first_quiet=2.0)
    return s


def tmux(d):
    sock = os.path.join(d, "tmux.sock")
    s = Session(["tmux", "-f", "/dev/null", "-S", sock, "new-session", "sh"], d,
                {"PS1": "$ "})
    script(s, [("\x02%", "split"), ("echo 한글\r", "typed"), ("\x02\"", "split-again"),
               ("exit\r", None), ("exit\r", None), ("exit\r", "closed")], first_quiet=1.5)
    return s


def vttest(d):
    # The character sets (their DEL), the VT102 editing screens at 80 columns
    # and written for 132 on 80, and tabs at the last column. The staggered
    # screens of double-width lines stay unmarked: libvterm draws those lines
    # double, we do not.
    s = Session(["vttest"], d)
    menu8 = ["accordion-80", "accordion-done-80", "insert-mode-80", "delete-char-80",
             "staggered-80", None, "insert-char-80", "accordion-132", "accordion-done-132",
             "insert-mode-132", "delete-char-132", "staggered-132", None, "insert-char-132",
             "menu"]
    script(s, [("3\r", "charsets"), ("Enter", None), ("8\r", menu8[0])]
           + [("Enter", name) for name in menu8[1:]]
           + [("11\r", None), ("5\r", None), ("4\r", "tab-at-last-column"), ("Enter", None),
              ("0\r", None), ("0\r", None), ("0\r", None)])
    return s


SCENARIOS = {"nano": nano, "htop": htop, "vim": vim, "less": less, "dialog": dialog,
             "mc": mc, "tmux": tmux, "vttest": vttest}


def main(names):
    os.makedirs(OUT, exist_ok=True)
    for name in names or SCENARIOS:
        d = tempfile.mkdtemp(prefix="capture-")
        try:
            s = SCENARIOS[name](d)
            s.finish()
        finally:
            shutil.rmtree(d, ignore_errors=True)
        with open(os.path.join(OUT, name + ".bin"), "wb") as f:
            f.write(s.out)
        with open(os.path.join(OUT, name + ".txt"), "w") as f:
            for off, mark in s.marks:
                f.write(f"{off} {mark}\n")
        print(f"{name}: {len(s.out)} bytes, {len(s.marks)} checkpoints")


if __name__ == "__main__":
    main(sys.argv[1:])
