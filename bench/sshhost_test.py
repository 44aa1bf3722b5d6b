#!/usr/bin/env python3
"""The benchmark's private sshd, without X or our program: a timed login sends
the whole workload and takes the answer, and stop() leaves neither a daemon nor
a session behind, even one that is still waiting. Exits 77 without sshd or ssh.
"""
import os
import pty
import shutil
import signal
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True
import sshhost  # noqa: E402
import terminals  # noqa: E402


def client(host, home, answer):
    """OpenSSH's ssh on a pty; a reader counts what arrives and, if answer,
    replies to the cursor-position request like a terminal."""
    pid, fd = pty.fork()
    if pid == 0:
        os.environ.pop("SSH_AUTH_SOCK", None)
        os.environ["HOME"] = home  # nothing of anyone's ~/.ssh
        os.execvp("ssh", host.ssh_argv())
    got = [0]

    def read():
        tail = b""
        while True:
            try:
                data = os.read(fd, 65536)
            except OSError:
                return
            if not data:
                return
            got[0] += len(data)
            if answer and b"\x1b[6n" in tail + data:
                os.write(fd, b"\x1b[1;1R")
            tail = data[-3:]

    threading.Thread(target=read, daemon=True).start()
    return pid, fd, got


class Proc:
    """run_job's view of a client: running until reaped."""

    def __init__(self, pid):
        self.pid, self.returncode = pid, None

    def poll(self):
        if self.returncode is None:
            done, status = os.waitpid(self.pid, os.WNOHANG)
            if done:
                self.returncode = status
        return self.returncode


def gone(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] in "ZX"
    except OSError:
        return True


def wait_for(done, seconds=10):
    end = time.monotonic() + seconds
    while not done() and time.monotonic() < end:
        time.sleep(0.02)
    return done()


def main():
    if not sshhost.available() or not shutil.which("ssh"):
        print("SKIP: sshd or ssh is missing (apt-get install openssh-server openssh-client)")
        return 77
    tmp = tempfile.mkdtemp(prefix="brevanix-sshhost-")
    home = tempfile.mkdtemp(dir=tmp)
    host = sshhost.SshdHost(tmp, terminals.TIMED_CAT)
    failures = []
    try:
        host.start()
        # A name the job file must quote.
        text = os.path.join(tmp, "it's a text")
        with open(text, "wb") as f:
            f.write(b"0123456789abcdef\r\n" * 20000)
        job = host.new_job(text)
        pid, fd, got = client(host, home, answer=True)
        proc = Proc(pid)
        seconds = host.run_job(job, proc, timeout=30)
        if not 0 < seconds < 30 or got[0] < os.path.getsize(text):
            failures.append("timed login: %.3f s, %d of %d bytes" % (
                seconds, got[0], os.path.getsize(text)))
        end(proc)
        os.close(fd)

        # A session that waits for its go while the host stops.
        job = host.new_job(text)
        pid, fd, _ = client(host, home, answer=False)
        proc = Proc(pid)
        go = open_when_read(job[0], proc)
        sessions = sshhost.family(host.proc.pid)[1:]
        port = host.port
        host.stop()
        if go is None or not sessions:
            failures.append("the second login never waited for its go")
        # A SIGKILL lands when the kernel next runs the process: wait for it.
        if not wait_for(lambda: all(map(gone, sessions))):
            failures.append("sessions left after stop(): %s" % sessions)
        if sshhost._listening(port):
            failures.append("still listening on %d after stop()" % port)
        if not wait_for(lambda: proc.poll() is not None):
            failures.append("the client was not disconnected")
        end(proc)
        if go is not None:
            os.close(go)
        os.close(fd)
    finally:
        host.stop()
        log = host.log()
        shutil.rmtree(tmp, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    if failures:
        print("sshd's log ends:\n" + log[-1500:])
    return 1 if failures else 0


def open_when_read(fifo, proc):
    """The fifo's write end once the login waits on it (held open, no go
    written, so it goes on waiting); None if it never does."""
    end = time.monotonic() + sshhost.WAIT
    while proc.poll() is None and time.monotonic() < end:
        try:
            return os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
        except OSError:
            time.sleep(0.02)
    return None


def end(proc):
    if proc.poll() is None:
        os.kill(proc.pid, signal.SIGKILL)
        os.waitpid(proc.pid, 0)


if __name__ == "__main__":
    sys.exit(main())
