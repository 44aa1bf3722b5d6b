#!/usr/bin/env python3
"""The whole program against peer terminals, on a private Xvfb.

Each Telnet client (ours, PuTTY) connects to a one-shot loopback feeder that
sends a workload and then IAC DO TIMING-MARK; the clock stops at the client's
answer, which it sends only after consuming everything before it. xterm and
pterm run `cat` of the UTF-8 twin of the same text; their clock stops at their
answer to a cursor-position request written after it. Every figure of one run
comes from the same machine at the same time, so the ratios are what counts.

Over SSH, a private sshd on 127.0.0.1 (bench/sshhost.py) runs the same timed
`cat` for every login: our program connects with -S at the xterm level (the
classic one never answers the request), pterm runs OpenSSH's ssh.

The probes flood our window with plain text: keys are injected with XTest and
timestamped by the feeder when they arrive, X damage events count the paints,
resident memory is sampled; then single echoed bytes arrive while idle and the
delay to their first paint is taken, keys are typed one by one and timed to
the paint of their echo, and a host writes steadily, slower than we read, while
each terminal's share of a core is taken. Every terminal keeps 20,000 lines of
scroll-back there: memory is taken idle and once the flood has filled it, and
ours also once its log window holds 50,000 lines. A table of them ends the run.

  bench/terminals.py [--build DIR] [--size MiB] [--geometry 80x24,132x43]
                     [--workloads ascii,korean,sgr,redraw] [--peers putty,pterm,xterm]
                     [--flood MiB] [--keys N] [--paced SECONDS] [--typing N] [--no-probes]
                     [--peer-font ours|default] [--wrap "perf record -g"] [--no-ssh]
  bench/terminals.py --smoke     a tiny run of ours only: everything starts and answers
"""
import argparse
import ctypes
import os
import select
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import sshhost  # noqa: E402
from sshhost import family  # noqa: E402

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
DM = 242
TIMING_MARK = 6
PING = bytes([IAC, DO, TIMING_MARK])
WAIT = 30.0  # seconds for anything to start or answer
# The workloads a UTF-8 host writes: ours is told so, as the peers are.
UTF8_WORKLOADS = ("utf8", "utf8mix")
# The face our default profile falls back to, at the pixel size it gets.
OUR_FACE, OUR_POINTS = "NanumGothicCoding", 12
# Lines of scroll-back every terminal keeps: the timed workloads keep the
# default; the probes measure memory with a working day's scroll-back.
SCROLLBACK = 1000
PROBE_SCROLLBACK = 20000
LOG_LINES = 50000
# Our toolbar's log button, from the window's top left: no window manager
# runs on the private display, so the window has no frame.
LOG_BUTTON = (423, 13)


def log(*args):
    print(*args, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- X through ctypes


class X:
    """The few Xlib, XTest and XDamage calls the probes need."""

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.tst = ctypes.CDLL("libXtst.so.6")
        self.dmg = ctypes.CDLL("libXdamage.so.1")
        L, T, D = self.lib, self.tst, self.dmg
        vp, ul = ctypes.c_void_p, ctypes.c_ulong
        L.XOpenDisplay.restype = vp
        L.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for f in (L.XConnectionNumber, L.XPending, L.XFlush, L.XCloseDisplay):
            f.argtypes = [vp]
        L.XSync.argtypes = [vp, ctypes.c_int]
        L.XNextEvent.argtypes = [vp, ctypes.c_char_p]
        L.XStringToKeysym.restype = ul
        L.XStringToKeysym.argtypes = [ctypes.c_char_p]
        L.XKeysymToKeycode.restype = ctypes.c_ubyte
        L.XKeysymToKeycode.argtypes = [vp, ul]
        T.XTestFakeKeyEvent.argtypes = [vp, ctypes.c_uint, ctypes.c_int, ul]
        D.XDamageQueryExtension.argtypes = [vp, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int)]
        D.XDamageCreate.restype = ul
        D.XDamageCreate.argtypes = [vp, ul, ctypes.c_int]
        D.XDamageDestroy.argtypes = [vp, ul]
        # A window that went away under a request is no reason to exit.
        self.on_error = ctypes.CFUNCTYPE(ctypes.c_int, vp, vp)(lambda d, e: 0)
        L.XSetErrorHandler.argtypes = [ctypes.c_void_p]
        L.XSetErrorHandler(ctypes.cast(self.on_error, ctypes.c_void_p))
        # Nor is a lost server: the probe fails, the run ends in order.
        self.on_io_error = ctypes.CFUNCTYPE(ctypes.c_int, vp)(self._lost)
        L.XSetIOErrorHandler.argtypes = [ctypes.c_void_p]
        L.XSetIOErrorHandler(ctypes.cast(self.on_io_error, ctypes.c_void_p))
        self.dpy = L.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        base, err = ctypes.c_int(), ctypes.c_int()
        if not D.XDamageQueryExtension(self.dpy, ctypes.byref(base), ctypes.byref(err)):
            raise RuntimeError("the X server has no DAMAGE extension")
        self.damage_event = base.value  # XDamageNotify is 0
        self.event = ctypes.create_string_buffer(192)
        self.damage = None
        self.fd = L.XConnectionNumber(self.dpy)

    @staticmethod
    def _lost(_):
        # Xlib exits the process when this returns: take our X server along.
        if XVFB:
            XVFB.terminate()
        os._exit(3)

    def watch(self, window):
        """Damage rectangles of window from now on (raw: one event per drawing)."""
        self.damage = self.dmg.XDamageCreate(self.dpy, window, 0)
        self.lib.XSync(self.dpy, 0)

    def unwatch(self):
        if self.damage:
            self.dmg.XDamageDestroy(self.dpy, self.damage)
            self.lib.XSync(self.dpy, 0)
            self.damage = None

    def damages(self):
        """The damage rectangles (x, y, w, h) that have arrived."""
        out = []
        while self.lib.XPending(self.dpy):
            self.lib.XNextEvent(self.dpy, self.event)
            kind = struct.unpack_from("<i", self.event.raw, 0)[0]
            if kind == self.damage_event:
                out.append(struct.unpack_from("<hhHH", self.event.raw, 64))
        return out

    def key(self, name):
        code = self.lib.XKeysymToKeycode(self.dpy, self.lib.XStringToKeysym(name.encode()))
        self.tst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        self.tst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        self.lib.XFlush(self.dpy)


def xdotool(display, *args):
    r = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                       capture_output=True, text=True, timeout=WAIT)
    return r.stdout.split() if r.returncode == 0 else []


def window_of(display, pid):
    """The visible top-level window of process pid or a child of it, waiting for it."""
    end = time.monotonic() + WAIT
    while time.monotonic() < end:
        for p in family(pid):
            found = xdotool(display, "search", "--onlyvisible", "--pid", str(p))
            if found:
                return int(found[0])
        check_xvfb()
        time.sleep(0.05)
    raise RuntimeError("no window of process %d" % pid)


XVFB = None
XVFB_LOG = tempfile.TemporaryFile()


def start_xvfb():
    """A private X server on a free display above those xvfb-run -a takes."""
    global XVFB
    for n in range(150, 250):
        if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            continue
        r, w = os.pipe()
        proc = subprocess.Popen(["Xvfb", ":%d" % n, "-displayfd", str(w), "-screen", "0",
                                 "1920x1200x24", "-nolisten", "tcp", "-dpi", "96", "-noreset"],
                                pass_fds=[w], stdout=subprocess.DEVNULL,
                                stderr=XVFB_LOG)
        os.close(w)
        ready, _, _ = select.select([r], [], [], WAIT)
        if ready and os.read(r, 16).strip() == str(n).encode():
            # Left open: the server may write its number again, and dies of a
            # closed pipe.
            XVFB = proc
            return proc, ":%d" % n
        os.close(r)
        stop(proc)
    raise RuntimeError("Xvfb did not start")


def check_xvfb():
    if XVFB and XVFB.poll() is not None:
        XVFB_LOG.seek(0)
        raise RuntimeError("our Xvfb has gone (exit status %s): %s" % (
            XVFB.returncode, XVFB_LOG.read().decode(errors="replace")[-2000:]))


# ---------------------------------------------------------------- the feeder


class Feeder:
    """One loopback Telnet connection: sends, and reads what the client says.

    Client bytes outside Telnet commands are keys (timestamped); an answer
    to DO TIMING-MARK (WONT, or WILL) is counted."""

    def __init__(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.sock = None
        self.out = []
        self.marks = 0
        self.keys = []
        self.state = 0  # 0 data, 1 IAC, 2 option byte, 3 sub-negotiation, 4 IAC inside it
        self.pending_cmd = 0
        self.x = None
        self.damage = []  # (time, rect)

    def accept(self):
        self.listener.settimeout(WAIT)
        self.sock, _ = self.listener.accept()
        self.listener.close()
        self.sock.setblocking(False)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def close(self):
        if self.sock:
            self.sock.close()
        else:
            self.listener.close()

    def send(self, data):
        self.out.append(memoryview(data))

    def _heard(self, data, now):
        for b in data:
            s = self.state
            if s == 0:
                if b == IAC:
                    self.state = 1
                else:
                    self.keys.append(now)
            elif s == 1:
                if b in (WILL, WONT, DO, DONT):
                    self.pending_cmd, self.state = b, 2
                elif b == SB:
                    self.state = 3
                else:
                    if b == IAC:
                        self.keys.append(now)
                    self.state = 0
            elif s == 2:
                if b == TIMING_MARK and self.pending_cmd in (WILL, WONT):
                    self.marks += 1
                self.state = 0
            elif s == 3:
                self.state = 4 if b == IAC else 3
            else:
                self.state = 0 if b == SE else 3

    def step(self, timeout):
        rd = [self.sock] + ([self.x.fd] if self.x else [])
        wr = [self.sock] if self.out else []
        ready_r, ready_w, _ = select.select(rd, wr, [], max(0.0, timeout))
        now = time.monotonic()
        if self.sock in ready_r:
            try:
                data = self.sock.recv(65536)
            except (BlockingIOError, InterruptedError):
                data = None
            if data == b"":
                raise RuntimeError("the client closed the connection")
            if data:
                self._heard(data, now)
        if self.x:
            for rect in self.x.damages():
                self.damage.append((now, rect))
        if ready_w and self.out:
            try:
                n = self.sock.send(self.out[0][:262144])
            except (BlockingIOError, InterruptedError):
                n = 0
            self.out[0] = self.out[0][n:]
            if not len(self.out[0]):
                self.out.pop(0)

    def run_until(self, done, timeout=WAIT):
        end = time.monotonic() + timeout
        while not done():
            left = end - time.monotonic()
            if left <= 0:
                raise RuntimeError("the client did not answer in time")
            self.step(min(left, 0.05))

    def ping(self, timeout=WAIT):
        """Sends DO TIMING-MARK after what is queued; returns when answered."""
        want = self.marks + 1
        self.send(PING)
        self.run_until(lambda: self.marks >= want, timeout)
        return time.monotonic()


def telnet_data(raw):
    return raw.replace(b"\xff", b"\xff\xff")


# ---------------------------------------------------------------- the programs


class Ours:
    name = "ours"

    def __init__(self, args, tmp):
        self.exe = os.path.join(args.build, "src", "brevanix")
        self.tmp = tmp
        self.wrap = args.wrap.split()

    def available(self):
        return os.access(self.exe, os.X_OK)

    def start(self, display, port, cols, rows, utf8_host=False, ssh=None, session_log=False):
        """Connects by Telnet to port, or with -S to the SshdHost ssh at the xterm level:
        the classic level never answers the cursor-position request that stops the clock.
        Its home, ~/.ssh included, is a folder of its own, so no dialog ever opens."""
        # A copy of the program with its own profile file beside it.
        home = tempfile.mkdtemp(dir=self.tmp)
        exe = os.path.join(home, "brevanix")
        shutil.copy(self.exe, exe)
        profile = "[_DEFAULT]\nCol=%d\nRow=%d\nScrollBuffer=%d\nSoftScroll=0\n" % (
            cols, rows, SCROLLBACK)
        if utf8_host:
            profile += "HostEncoding=UTF-8\n"
        if ssh:
            profile += "XtermLevel=1\n"
            ssh.client_files(home)
        if session_log:
            # The session log as a user would keep it: text, stamped lines.
            profile += "LogFile=%s\nLogTimestamps=1\n" % os.path.join(home, "session.log")
        with open(os.path.join(home, "Brevanix.ini"), "w") as f:
            f.write(profile)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home,
                   XDG_CONFIG_HOME=home, XDG_RUNTIME_DIR=home)
        for v in ("QT_IM_MODULE", "XMODIFIERS", "GTK_IM_MODULE", "SSH_AUTH_SOCK"):
            env.pop(v, None)
        target = (["-S", "%s@127.0.0.1" % ssh.user, str(ssh.port)] if ssh else
                  ["-D", "127.0.0.1", str(port)])
        return subprocess.Popen(self.wrap + [exe] + target, env=env, cwd=home,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Putty:
    name = "putty"

    def __init__(self, args, tmp):
        self.tmp = tmp
        self.font = args.peer_font

    def available(self):
        return shutil.which("putty") is not None

    def start(self, display, port, cols, rows):
        home = putty_home(self.tmp, cols, rows, self.font)
        env = dict(os.environ, DISPLAY=display, HOME=home)
        return subprocess.Popen(["putty", "-telnet", "127.0.0.1", "-P", str(port)], env=env,
                                cwd=home, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def putty_home(tmp, cols, rows, font):
    """A home whose PuTTY default settings (pterm reads them too) set the screen."""
    home = tempfile.mkdtemp(dir=tmp)
    sessions = os.path.join(home, ".putty", "sessions")
    os.makedirs(sessions)
    lines = ["TermWidth=%d" % cols, "TermHeight=%d" % rows, "ScrollbackLines=%d" % SCROLLBACK,
             "LineCodePage=UTF-8", "WarnOnClose=0", "CloseOnExit=0", "LogType=0",
             # Keys go out as typed: the feeder negotiates no echo, after which
             # PuTTY would edit a line locally and send it on Enter.
             "LocalEcho=1", "LocalEdit=1"]
    if font == "ours":
        lines.append("FontName=client:%s %d" % (OUR_FACE, OUR_POINTS))
    with open(os.path.join(sessions, "Default%20Settings"), "w") as f:
        f.write("\n".join(lines) + "\n")
    return home


# Runs inside a terminal: waits for the go, then cat of the file timed from
# its start to the terminal's answer to a cursor-position request after it.
TIMED_CAT = r"""
stty raw -echo
read -r _ < "$3"
t0=$(date +%s.%N)
cat "$1"
printf '\033[6n'
IFS= read -r -d R _
t1=$(date +%s.%N)
echo "$t0 $t1" > "$2.part" && mv "$2.part" "$2"
"""


class CatTerminal:
    """A terminal emulator from Debian that runs a command of ours (xterm, pterm)."""

    def __init__(self, name, args, tmp):
        self.name = name
        self.tmp = tmp
        self.font = args.peer_font

    def available(self):
        return shutil.which(self.name) is not None

    def start(self, display, cols, rows, command, home=None):
        home = home or putty_home(self.tmp, cols, rows, self.font)
        env = dict(os.environ, DISPLAY=display, HOME=home, LC_ALL="C.UTF-8")
        env.pop("SSH_AUTH_SOCK", None)
        argv = [self.name, "-geometry", "%dx%d" % (cols, rows), "-sl", str(SCROLLBACK)]
        if self.name == "xterm":
            argv += ["-u8"] + (["-fa", OUR_FACE, "-fs", str(OUR_POINTS)]
                               if self.font == "ours" else [])
        return subprocess.Popen(argv + ["-e"] + command, env=env, cwd=home,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def run(self, display, path, cols, rows):
        home = putty_home(self.tmp, cols, rows, self.font)
        go = os.path.join(home, "go")
        os.mkfifo(go)
        result = os.path.join(home, "result")
        command = ["bash", "-c", TIMED_CAT, "timed-cat", path, result, go]
        proc = self.start(display, cols, rows, command, home)
        try:
            window_of(display, proc.pid)
            time.sleep(0.5)
            with open(go, "w") as f:
                f.write("go\n")
            end = time.monotonic() + max(WAIT, 600)
            while not os.path.exists(result):
                if time.monotonic() > end or proc.poll() is not None:
                    raise RuntimeError(self.name + " gave no result")
                time.sleep(0.02)
            t0, t1 = map(float, open(result).read().split())
            return t1 - t0
        finally:
            stop(proc)


class RelayTerminal:
    """xterm or pterm as a Telnet client of a feeder, through ptyrelay.py: for
    the probes, which drive every program the same way."""

    def __init__(self, terminal):
        self.terminal = terminal
        self.name = terminal.name
        self.relay = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ptyrelay.py")

    def start(self, display, port, cols, rows):
        return self.terminal.start(display, cols, rows, [sys.executable, self.relay, str(port)])

    def pid(self, proc):
        return proc.pid  # the terminal itself, not the relay it runs


def stop(proc):
    if proc.poll() is None:
        proc.terminate()  # a wrapper (a profiler) gets to write what it has
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
    proc.wait()


# ---------------------------------------------------------------- timing


def accept(feeder, proc):
    try:
        feeder.accept()
    except socket.timeout:
        check_xvfb()
        raise RuntimeError("no connection came (the client %s)" % (
            "is still running" if proc.poll() is None else "exited with %s" % proc.returncode))


def telnet_run(client, display, data, cols, rows, **options):
    """Seconds from the workload's first byte to the client's answer after it."""
    feeder = Feeder()
    proc = client.start(display, feeder.port, cols, rows, **options)
    try:
        accept(feeder, proc)
        window_of(display, proc.pid)
        time.sleep(0.5)
        feeder.ping()
        feeder.send(telnet_data(data))
        t0 = time.monotonic()
        t1 = feeder.ping(timeout=900)
        return t1 - t0
    finally:
        feeder.close()
        stop(proc)


def ssh_run(host, display, path, launch, timeout=900):
    """Seconds from the workload's first byte, written by a login to host, to the
    terminal's answer to the cursor-position request after it."""
    job = host.new_job(path)
    proc = launch()
    try:
        window_of(display, proc.pid)
        time.sleep(0.5)
        return host.run_job(job, proc, timeout)
    finally:
        stop(proc)


def print_head(names, logged=False):
    head = ["workload", "screen"] + ["%s s" % n for n in names] + \
           ["ours/%s" % n for n in names[1:]] + (["logged s", "logged/ours"] if logged else [])
    print(" ".join("%-10s" % h if i < 2 else "%10s" % h for i, h in enumerate(head)))


def print_row(workload, geometry, times, logged=None):
    """Seconds of ours and each peer, then ours as a fraction of each peer's;
    with logged, ours with a session log and its time as a multiple of ours."""
    cells = ["%-10s" % workload, "%-10s" % geometry] + ["%10.3f" % t for t in times] + \
            ["%10.3f" % (times[0] / t) for t in times[1:]]
    if logged is not None:
        cells += ["%10.3f" % logged, "%10.3f" % (logged / times[0])]
    print(" ".join(cells), flush=True)


def ssh_rows(args, display, host, ours, pterm, data_dirs):
    """Our program with -S and pterm running OpenSSH's ssh, to the same sshd."""
    print("\nover SSH to a private sshd (ours with -S at the xterm level%s); Korean in code "
          "page 949 to us%s, \"utf8\" and \"utf8mix\" in UTF-8 to us with HostEncoding=UTF-8" % (
              ", pterm running OpenSSH's ssh" if pterm else "",
              ", UTF-8 to pterm" if pterm else ""))
    clients = [("ours", ".cp949", lambda cols, rows, w: ours.start(
        display, 0, cols, rows, utf8_host=w in UTF8_WORKLOADS, ssh=host))]
    if pterm:
        clients.append(("pterm", ".utf8", lambda cols, rows, w: pterm.start(
            display, cols, rows, host.ssh_argv())))
    print_head([c[0] for c in clients])
    workloads = list(filter(None, args.workloads.split(",")))[:1 if args.smoke else None]
    # A broken SSH path fails the smoke run within its time limit.
    timeout = WAIT if args.smoke else 900
    ciphers = {}
    for geometry, data_dir in data_dirs.items():
        cols, rows = map(int, geometry.split("x"))
        for w in workloads:
            times = []
            for name, suffix, launch in clients:
                times.append(ssh_run(host, display, os.path.join(data_dir, w + suffix),
                                     lambda: launch(cols, rows, w), timeout))
                ciphers.setdefault(name, set()).update(host.ciphers()[-1:])
            print_row(w, geometry, times)
    print("ciphers: " + "; ".join("%s %s" % (n, ", ".join(sorted(c))) for n, c in ciphers.items()))


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def paced_load(feeder, pid, plain, term, rate=1 << 20, block=4096, seconds=3.0):
    """Plain text at rate bytes a second in blocks: our CPU share and paints a second."""
    data = telnet_data(plain)
    feeder.damage.clear()
    cpu0, start = cpu_seconds(pid), time.monotonic()
    sent = 0
    while time.monotonic() < start + seconds:
        due = start + sent / rate
        if time.monotonic() >= due:
            off = sent % (len(data) - block)
            feeder.send(data[off:off + block])
            sent += block
        feeder.step(max(0.0, min(0.002, due - time.monotonic())))
    feeder.ping()
    wall = time.monotonic() - start
    paints = frames([t for t, r in feeder.damage if overlaps(r, term)])
    return (cpu_seconds(pid) - cpu0) / wall, paints / wall


def overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def frames(times, gap=0.002):
    """Damage events closer than gap belong to one paint."""
    n, last = 0, None
    for t in times:
        if last is None or t - last > gap:
            n += 1
        last = t
    return n


def log_window_kib(feeder, display, window, pid):
    """Ours only: opens the log window with its toolbar button, has the host
    write LOG_LINES lines into it (a data mark byte is a line there), and
    gives the resident memory once the pane has taken them; None when the
    window did not open."""
    xdotool(display, "mousemove", "--window", str(window), *map(str, LOG_BUTTON), "click", "1")
    end = time.monotonic() + WAIT
    while not xdotool(display, "search", "--onlyvisible", "--pid", str(pid), "--name", "^Log$"):
        if time.monotonic() > end:
            return None
        time.sleep(0.05)
    marks = telnet_data(bytes([DM]) * LOG_LINES + b"\r\n")
    for off in range(0, len(marks), 4096):
        feeder.send(marks[off:off + 4096])
        feeder.step(0)
    feeder.ping(timeout=300)
    # The pane takes what waits a twentieth of a second later; then it holds.
    samples = []
    while len(samples) < 3 or samples[-1] != samples[-3]:
        feeder.step(0.25)
        samples.append(resident_kib(pid))
    return samples[-1]


def probe(client, display, plain, cols, rows, flood_mib, keys, paced_seconds, typing_keys):
    """Keys during a flood, paints per second, memory, and idle echoes."""
    x = X(display)
    feeder = Feeder()
    feeder.x = x
    started = time.monotonic()
    proc = client.start(display, feeder.port, cols, rows)
    try:
        accept(feeder, proc)
        window = window_of(display, proc.pid)
        # The program, under a wrapper or not; a terminal, not what it runs.
        pid = client.pid(proc) if hasattr(client, "pid") else family(proc.pid)[-1]
        # Start-up: from the start until the window has shown itself and
        # taken the host's first words.
        feeder.send(b"ready\r\n")
        startup = (feeder.ping() - started) * 1000
        xdotool(display, "windowfocus", "--sync", str(window))
        time.sleep(0.5)
        feeder.ping()
        # The flood: plain text over and over, then a mark that says it was taken.
        # It goes on until it is flood_mib long and every key has been pressed.
        block = telnet_data(plain)
        total = int(flood_mib * (1 << 20))
        x.watch(window)
        x.damages()
        feeder.damage.clear()
        memory = []
        before = resident_kib(pid)
        sent_keys = []
        repeats = 0
        want = None
        start = time.monotonic()
        next_key = start + 0.2
        next_sample = start
        while want is None or feeder.marks < want:
            now = time.monotonic()
            if now > start + 900:
                raise RuntimeError("the flood was not taken in time")
            if want is None and len(feeder.out) < 2:
                if repeats * len(block) < total or len(sent_keys) < keys:
                    feeder.send(block)
                    repeats += 1
                else:
                    feeder.send(PING)
                    want = feeder.marks + 1
            if now >= next_sample:
                memory.append((now - start, resident_kib(pid)))
                next_sample = now + 0.25
            if len(sent_keys) < keys and now >= next_key:
                sent_keys.append(time.monotonic())
                x.key("k")
                next_key = now + 0.08 + 0.04 * (len(sent_keys) % 3)
            feeder.step(0.002)
        end = time.monotonic()
        # The terminal is the largest area painted; the status line and the
        # clock beside it do not count.
        term = max((r for _, r in feeder.damage), key=lambda r: r[2] * r[3], default=None)
        if term is None:
            raise RuntimeError("nothing was painted during the flood")
        flood_damage = [t for t, r in feeder.damage if overlaps(r, term)]
        memory.append((end - start, resident_kib(pid)))
        # Keys still on their way when the flood ended.
        try:
            feeder.run_until(lambda: len(feeder.keys) >= len(sent_keys), 5)
        except RuntimeError:
            log("%s: %d of %d keys reached the host" % (client.name, len(feeder.keys),
                                                       len(sent_keys)))
        got = feeder.keys[:len(sent_keys)]
        delays = [(g - s) * 1000 for s, g in zip(sent_keys, got)]
        # Idle echoes: one byte each, well apart; the first paint after it.
        echo = []
        for i in range(20):
            t_idle = time.monotonic() + 0.15
            while time.monotonic() < t_idle:
                feeder.step(0.01)
            feeder.damage.clear()
            feeder.send(b"e")
            sent = time.monotonic()
            feeder.run_until(lambda: any(overlaps(r, term) for _, r in feeder.damage), 5)
            echo.append((next(t for t, r in feeder.damage if overlaps(r, term)) - sent) * 1000)
        # Typing: a key pressed through XTest, echoed by the host when it
        # arrives, until the echo is painted.
        typed = []
        for i in range(typing_keys):
            t_idle = time.monotonic() + 0.1
            while time.monotonic() < t_idle:
                feeder.step(0.01)
            had = len(feeder.keys)
            pressed = time.monotonic()
            x.key("k")
            feeder.run_until(lambda: len(feeder.keys) > had, 5)
            feeder.damage.clear()
            feeder.send(b"k")
            feeder.run_until(lambda: any(overlaps(r, term) for _, r in feeder.damage), 5)
            typed.append((next(t for t, r in feeder.damage if overlaps(r, term)) - pressed) * 1000)
        # A host writing steadily but slower than we read: every block finds
        # the socket drained. The CPU this takes, and the paints.
        paced = paced_load(feeder, pid, plain, term, seconds=paced_seconds)
        logged = log_window_kib(feeder, display, window, pid) if isinstance(client, Ours) else None
        seconds = end - start
        return {
            "paced_cpu": paced[0], "paced_paints": paced[1],
            "seconds": seconds,
            "mib": repeats * len(plain) / (1 << 20),
            "keys": len(delays), "key_median": statistics.median(delays or [0]),
            "key_worst": max(delays or [0]),
            "paints_per_s": frames(flood_damage) / seconds,
            # After the first second the scroll-back is full: from then on flat.
            "rss_first": next(kib for t, kib in memory if t >= 1 or (t, kib) == memory[-1]),
            "rss_max": max(kib for _, kib in memory), "rss_last": memory[-1][1],
            "rss_before": before,
            "echo_median": statistics.median(echo), "echo_worst": max(echo),
            "startup": startup,
            "typed": len(typed), "typed_median": statistics.median(typed or [0]),
            "typed_worst": max(typed or [0]),
            "rss_log": logged,
        }
    finally:
        x.unwatch()
        feeder.close()
        stop(proc)


def print_summary(results):
    """The probes side by side: what a working day costs each terminal."""
    print("\n| terminal | CPU at 1 MiB/s | paints/s | typing median ms | typing worst ms | "
          "idle echo median ms | idle MiB | scroll-back full MiB | log window %d lines MiB | "
          "start-up ms |" % LOG_LINES)
    print("|---|---|---|---|---|---|---|---|---|---|")
    for name, r in results:
        log = "%.1f" % (r["rss_log"] / 1024) if r["rss_log"] else "-"
        print("| %s | %.1f%% | %.0f | %.2f | %.2f | %.2f | %.1f | %.1f | %s | %.0f |" % (
            name, 100 * r["paced_cpu"], r["paced_paints"], r["typed_median"], r["typed_worst"],
            r["echo_median"], r["rss_before"] / 1024, r["rss_last"] / 1024, log, r["startup"]))


# ---------------------------------------------------------------- main


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap.add_argument("--build", default=os.path.join(root, "build"))
    ap.add_argument("--size", type=float, default=16, help="MiB per workload (ours)")
    ap.add_argument("--geometry", default="80x24,132x43")
    ap.add_argument("--workloads", default="ascii,korean,sgr,redraw")
    ap.add_argument("--peers", default="putty,pterm,xterm")
    ap.add_argument("--flood", type=float, default=200, help="MiB of the probes' flood")
    ap.add_argument("--no-probes", action="store_true")
    ap.add_argument("--keys", type=int, default=24, help="keys pressed during the flood")
    ap.add_argument("--paced", type=float, default=3.0, help="seconds of the steady host")
    ap.add_argument("--typing", type=int, default=50, help="keys typed and echoed, one by one")
    ap.add_argument("--peer-font", choices=["ours", "default"], default="ours",
                    help="the peers draw with our face and size, or with their own default")
    ap.add_argument("--ssh", action=argparse.BooleanOptionalAction, default=True,
                    help="also ours and pterm (with OpenSSH's ssh) through a private sshd")
    ap.add_argument("--session-log", action=argparse.BooleanOptionalAction, default=True,
                    help="also ours with a session log (text, time stamps) on every workload")
    ap.add_argument("--smoke", action="store_true")
    ap.add_argument("--wrap", default="", help="a command our program runs under (a profiler)")
    args = ap.parse_args()
    if args.smoke:
        args.size, args.geometry, args.peers, args.flood = 0.25, "80x24", "", 2
        args.keys, args.paced, args.typing = 5, 1.0, 5
    bench = os.path.join(args.build, "bench", "brevanix_bench")
    missing = [t for t in ("Xvfb", "xdotool") if not shutil.which(t)]
    for lib in ("libX11.so.6", "libXtst.so.6", "libXdamage.so.1"):
        try:
            ctypes.CDLL(lib)
        except OSError:
            missing.append(lib)
    if missing:
        print("SKIP: missing %s (scripts/test installs them)" % ", ".join(missing))
        sys.exit(77)
    tmp = tempfile.mkdtemp(prefix="brevanix-terminals-")
    xvfb = host = None
    try:
        xvfb, display = start_xvfb()
        ours = Ours(args, tmp)
        if not ours.available() or not os.access(bench, os.X_OK):
            sys.exit("build first: %s and %s" % (ours.exe, bench))
        peers = []
        for name in filter(None, args.peers.split(",")):
            peer = Putty(args, tmp) if name == "putty" else CatTerminal(name, args, tmp)
            if peer.available():
                peers.append(peer)
            else:
                log("skipped: %s is not installed" % name)
        print("load average before: %s" % open("/proc/loadavg").read().split()[:3])
        print("%g MiB per workload in code page 949%s\n" % (args.size, "; peers take its UTF-8 "
              "twin and draw with %s" % (OUR_FACE if args.peer_font == "ours" else
                                         "their default fonts") if peers else ""))
        print_head(["ours"] + [p.name for p in peers], args.session_log)
        data_dirs = {}
        for geometry in args.geometry.split(","):
            cols, rows = map(int, geometry.split("x"))
            data_dir = data_dirs[geometry] = tempfile.mkdtemp(dir=tmp)
            subprocess.run([bench, "--dump", data_dir, "--size", str(args.size), "--cols",
                            str(cols), "--rows", str(rows)], check=True)
            for w in filter(None, args.workloads.split(",")):
                ours_text = open(os.path.join(data_dir, w + ".cp949"), "rb").read()
                utf8_path = os.path.join(data_dir, w + ".utf8")
                utf8_host = w in UTF8_WORKLOADS
                times = [telnet_run(ours, display, ours_text, cols, rows, utf8_host=utf8_host)]
                logged = telnet_run(ours, display, ours_text, cols, rows, utf8_host=utf8_host,
                                    session_log=True) if args.session_log else None
                for p in peers:
                    if isinstance(p, Putty):
                        times.append(telnet_run(p, display, open(utf8_path, "rb").read(),
                                                cols, rows))
                    else:
                        times.append(p.run(display, utf8_path, cols, rows))
                print_row(w, geometry, times, logged)
        if args.ssh and not sshhost.available():
            log("skipped: the SSH rows (%s is not installed: apt-get install openssh-server)" %
                sshhost.SSHD)
        elif args.ssh:
            host = sshhost.SshdHost(tmp, TIMED_CAT)
            host.start()
            pterm = next((p for p in peers if p.name == "pterm"), None)
            if pterm and not shutil.which("ssh"):
                log("skipped: pterm over SSH (OpenSSH's ssh is not installed)")
                pterm = None
            ssh_rows(args, display, host, ours, pterm, data_dirs)
        if not args.no_probes:
            global SCROLLBACK
            SCROLLBACK = PROBE_SCROLLBACK
            cols, rows = 80, 24
            data_dir = tempfile.mkdtemp(dir=tmp)
            subprocess.run([bench, "--dump", data_dir, "--size", "1", "--cols", str(cols),
                            "--rows", str(rows)], check=True)
            plain = open(os.path.join(data_dir, "ascii.cp949"), "rb").read()
            clients = [ours] + [p if isinstance(p, Putty) else RelayTerminal(p) for p in peers]
            print("\nresponsiveness at %dx%d, a flood of %g MiB of plain lines, %d lines of "
                  "scroll-back:" % (cols, rows, args.flood, SCROLLBACK))
            results = []
            for c in clients:
                r = probe(c, display, plain, cols, rows, args.flood, args.keys, args.paced,
                          args.typing)
                results.append((c.name, r))
                print("%-6s flood %.1f MiB in %.2f s; keys to the host (%d): median %.1f ms, "
                      "worst %.1f ms; %.0f paints/s; idle echo to paint: median %.1f ms, "
                      "worst %.1f ms; resident memory %d KiB before, %d KiB after 1 s, at most "
                      "%d KiB, %d KiB at the end" % (
                          c.name, r["mib"], r["seconds"], r["keys"], r["key_median"],
                          r["key_worst"], r["paints_per_s"], r["echo_median"], r["echo_worst"],
                          r["rss_before"], r["rss_first"], r["rss_max"], r["rss_last"]),
                      flush=True)
                print("%-6s a host writing 1 MiB/s in 4 KiB blocks: %.0f%% of a core, "
                      "%.0f paints/s" % (c.name, 100 * r["paced_cpu"], r["paced_paints"]))
                print("%-6s typing, a key to its echo painted (%d keys): median %.1f ms, "
                      "worst %.1f ms; start to the host's first words taken %.0f ms" % (
                          c.name, r["typed"], r["typed_median"], r["typed_worst"],
                          r["startup"]), flush=True)
            print_summary(results)
        print("\nload average after: %s" % open("/proc/loadavg").read().split()[:3])
    finally:
        if host:
            host.stop()
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
        if args.wrap:
            log("kept for the wrapper's report: " + tmp)
        else:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    main()
