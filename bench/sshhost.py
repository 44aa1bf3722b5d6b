"""A private SSH host for the benchmark: Debian's OpenSSH sshd on 127.0.0.1.

Its host key, client key, configuration, known_hosts line and log live in a
temporary folder of its own; neither /etc/ssh nor anyone's ~/.ssh is read or
written by the server, and the clients are pointed at the folder's files.
Every login runs one timed job: the job file names what to write, the
result file and a fifo that says go; the job's script is the caller's (it
writes the text, asks for the cursor position and times the answer).
Logins are by key only, as the user this process runs as.
"""
import ctypes
import errno
import os
import pwd
import shlex
import signal
import socket
import subprocess
import tempfile
import time

SSHD, KEYGEN = "/usr/sbin/sshd", "/usr/bin/ssh-keygen"
# sshd insists on its privilege-separation folder when run as root.
PRIVSEP = "/run/sshd"
WAIT = 30.0
PR_SET_PDEATHSIG = 1


def available():
    return os.access(SSHD, os.X_OK) and os.access(KEYGEN, os.X_OK)


def _listening(port):
    """Whether something listens on 127.0.0.1:port, from /proc/net/tcp."""
    want = "0100007F:%04X" % port
    with open("/proc/net/tcp") as f:
        next(f)
        return any(line.split()[1] == want and line.split()[3] == "0A" for line in f)


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def family(pid):
    """pid and its descendants (a program may run under a wrapper)."""
    children = {}
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
            children.setdefault(parent, []).append(int(entry))
        except (ValueError, OSError, IndexError):
            pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo += children.get(p, [])
    return out


def _die_with_parent():
    # A benchmark killed outright leaves no daemon behind.
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class SshdHost:
    def __init__(self, tmp, job_script):
        self.dir = tempfile.mkdtemp(prefix="sshd-", dir=tmp)
        if any(c in self.dir for c in " \t\"'%\\#"):
            raise RuntimeError("sshd_config cannot name " + self.dir + ": set TMPDIR plainly")
        self.user = pwd.getpwuid(os.geteuid()).pw_name
        self.key = self._path("id_ed25519")
        self.known_hosts = self._path("known_hosts")
        self.proc, self.port, self.jobs = None, 0, 0
        with open(self._path("timed.sh"), "w") as f:
            f.write(job_script)
        # The login's command: the current job's paths, then its script.
        with open(self._path("session.sh"), "w") as f:
            f.write(". %s\nexec bash %s \"$FILE\" \"$RESULT\" \"$GO\"\n" % (
                shlex.quote(self._path("job")), shlex.quote(self._path("timed.sh"))))

    def _path(self, name):
        return os.path.join(self.dir, name)

    def _keygen(self, path):
        subprocess.run([KEYGEN, "-q", "-t", "ed25519", "-N", "", "-C", "brevanix-bench", "-f",
                        path], check=True, stdin=subprocess.DEVNULL, capture_output=True)
        with open(path + ".pub") as f:
            return " ".join(f.read().split()[:2])

    def _config(self):
        lines = ["ListenAddress 127.0.0.1", "Port %d" % self.port,
                 "HostKey " + self._path("host_ed25519_key"),
                 "PidFile " + self._path("sshd.pid"),
                 "AuthorizedKeysFile " + self._path("authorized_keys"),
                 "StrictModes no", "PubkeyAuthentication yes", "UsePAM no",
                 "PasswordAuthentication no", "KbdInteractiveAuthentication no",
                 "ForceCommand bash " + self._path("session.sh"),
                 # The key exchange names the cipher each client took.
                 "LogLevel DEBUG1"]
        lines += ["%s no" % k for k in (
            "PermitEmptyPasswords", "X11Forwarding", "AllowAgentForwarding",
            "AllowTcpForwarding", "PermitTunnel", "PermitUserEnvironment", "PrintMotd",
            "PrintLastLog", "UseDNS")]
        if os.geteuid() == 0:
            lines.append("PermitRootLogin yes")
        with open(self._path("sshd_config"), "w") as f:
            f.write("\n".join(lines) + "\n")

    def start(self):
        if os.geteuid() == 0 and not os.path.isdir(PRIVSEP):
            os.makedirs(PRIVSEP, exist_ok=True)
            os.chmod(PRIVSEP, 0o755)  # past the umask: sshd refuses a folder others may write
        host_key = self._keygen(self._path("host_ed25519_key"))
        with open(self._path("authorized_keys"), "w") as f:
            f.write(self._keygen(self.key) + "\n")
        env = {k: v for k, v in os.environ.items() if not k.startswith(("LD_PRELOAD", "SSH_"))}
        for _ in range(3):
            self.port = _free_port()
            self._config()
            with open(self._path("sshd.log"), "ab") as log:
                self.proc = subprocess.Popen([SSHD, "-D", "-e", "-f", self._path("sshd_config")],
                                             stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                             env=env, preexec_fn=_die_with_parent)
            end = time.monotonic() + WAIT
            while self.proc.poll() is None and time.monotonic() < end:
                if self._pid_file() == self.proc.pid and _listening(self.port):
                    with open(self.known_hosts, "w") as f:
                        f.write("[127.0.0.1]:%d %s\n" % (self.port, host_key))
                    return
                time.sleep(0.02)
            self.stop()
            # Another program took the port between our look and sshd's bind.
            if "Address already in use" not in self.log():
                break
        raise RuntimeError("sshd did not start; its log:\n" + self.log()[-2000:])

    def _pid_file(self):
        try:
            with open(self._path("sshd.pid")) as f:
                return int(f.read().strip() or 0)
        except (OSError, ValueError):
            return 0

    def log(self):
        try:
            with open(self._path("sshd.log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def ciphers(self):
        """The ciphers the key exchanges chose, server to client, in order."""
        return [line.split("cipher:")[1].split()[0] for line in self.log().splitlines()
                if "kex: server->client cipher:" in line]

    def stop(self):
        """Ends the sessions left, then the daemon."""
        if not self.proc:
            return
        if self.proc.poll() is None:
            for pid in family(self.proc.pid)[1:]:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        self.proc.wait()
        self.proc = None

    # ------------------------------------------------------------ one timed login

    def client_files(self, home):
        """home/.ssh with the client key and the host's known_hosts line (for us)."""
        ssh = os.path.join(home, ".ssh")
        os.makedirs(ssh, mode=0o700, exist_ok=True)
        for src, name in ((self.key, "id_ed25519"), (self.key + ".pub", "id_ed25519.pub"),
                          (self.known_hosts, "known_hosts")):
            with open(src, "rb") as f, open(os.path.join(ssh, name), "wb") as out:
                out.write(f.read())
            os.chmod(os.path.join(ssh, name), 0o600)

    def ssh_argv(self):
        """OpenSSH's client to this host with its files alone, never a question."""
        return ["ssh", "-tt", "-F", "none", "-e", "none", "-i", self.key, "-p", str(self.port),
                "-o", "UserKnownHostsFile=" + self.known_hosts,
                "-o", "GlobalKnownHostsFile=/dev/null", "-o", "StrictHostKeyChecking=yes",
                "-o", "IdentitiesOnly=yes", "-o", "IdentityAgent=none", "-o", "BatchMode=yes",
                "%s@127.0.0.1" % self.user]

    def new_job(self, path):
        """The next login writes path: its fifo and result file, in a folder of its own."""
        self.jobs += 1
        folder = self._path("job%d" % self.jobs)
        os.mkdir(folder)
        go, result = os.path.join(folder, "go"), os.path.join(folder, "result")
        os.mkfifo(go)
        with open(self._path("job"), "w") as f:
            f.write("FILE=%s\nRESULT=%s\nGO=%s\n" % tuple(map(shlex.quote, (path, result, go))))
        return go, result

    def run_job(self, job, client, timeout=900):
        """Says go once the login waits for it; the seconds its script measured."""
        go, result = job
        end = time.monotonic() + WAIT
        while True:
            try:
                fd = os.open(go, os.O_WRONLY | os.O_NONBLOCK)
                break
            except OSError as e:
                if e.errno != errno.ENXIO:
                    raise
            if client.poll() is not None or time.monotonic() > end:
                raise RuntimeError("no SSH session started (the client %s); sshd's log ends:\n%s"
                                   % ("is still running" if client.poll() is None else
                                      "exited with %s" % client.returncode, self.log()[-1500:]))
            time.sleep(0.02)
        os.write(fd, b"go\n")
        os.close(fd)
        end = time.monotonic() + timeout
        while not os.path.exists(result):
            if client.poll() is not None or time.monotonic() > end:
                raise RuntimeError("the SSH session gave no result")
            time.sleep(0.02)
        with open(result) as f:
            t0, t1 = map(float, f.read().split())
        return t1 - t0
