#!/usr/bin/env python3
"""Peak resident memory of zepim and zepim-cli against a hostile server, and how each run ends.

    bench/app/hostile_memory.py [--build BUILD] [--mib N] [--only NAME]

A scripted server on loopback answers the greeting, "VERSION", "LOGON" and "GET VARIABLE"
normally, then answers "LIST CONTACTS" (or, for the event cases, sends right after the logon)
with
N MiB (default 64) of one of these:

  empty-reply-lines    "S " lines without text
  one-byte-lines       "S x" lines
  contact-lines        short valid contact lines ("S 123:U:u123%40x")
  empty-event-lines    one event of "A " lines without text

zepim runs offscreen with a saved automatic logon; zepim-cli runs "contacts" (reply cases) or
"watch" (event cases). For each run the figure is the peak resident memory above the same
program's peak on a harmless server (VmHWM for zepim, GNU time's maximum for zepim-cli), and
the end: "disconnected" (the program closed the connection and lives on, or exited with an
error), "still reading" (the program neither failed nor finished within the time limit), or
the signal that killed it.
"""
import argparse
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

CASES = {
    "empty-reply-lines": (b"S \r\n", "reply"),
    "one-byte-lines": (b"S x\r\n", "reply"),
    "contact-lines": (None, "reply"),
    "empty-event-lines": (b"A \r\n", "event"),
}


def payload(case, mib):
    unit, _ = CASES[case]
    size = mib * 1024 * 1024
    if unit is not None:
        return unit * (size // len(unit))
    lines = []
    total = 0
    i = 0
    while total < size:
        line = b"S %d:U:u%d%%40x\r\n" % (i + 1, i)
        lines.append(line)
        total += len(line)
        i += 1
    return b"".join(lines)


class Server:
    """Serves one connection; `body` goes out at the hostile moment (None: a harmless run)."""

    def __init__(self, case, body):
        self.case = case
        self.body = body
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.closed_by_client = threading.Event()
        self.logged_on = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def send(self, conn, data):
        view = memoryview(data)
        while view:
            n = conn.send(view[:1 << 20])
            view = view[n:]

    def run(self):
        conn, _ = self.listener.accept()
        self.listener.close()  # a reconnection is refused
        buffered = b""
        try:
            self.send(conn, b"S 220 ready\r\n")
            while True:
                while b"\r\n.\r\n" not in buffered:
                    chunk = conn.recv(65536)
                    if not chunk:
                        raise ConnectionResetError
                    buffered += chunk
                request, buffered = buffered.split(b"\r\n.\r\n", 1)
                word = request.split(b"\r\n", 1)[0]
                kind = CASES[self.case][1]
                if word == b"VERSION":
                    self.send(conn, b"S 250 4.0\r\nS .\r\n")
                elif word == b"LOGON":
                    self.send(conn, b"S 250-9:Anna:anna%40example.com\r\nS 250 OK\r\nS .\r\n")
                    if kind == "event":
                        self.logged_on.set()
                        if self.body is not None:
                            self.send(conn, b"A NEW MAIL\r\n" + self.body + b"A .\r\n")
                elif word == b"LIST CONTACTS" and kind == "reply":
                    self.logged_on.set()
                    if self.body is not None:
                        self.send(conn, self.body)
                    self.send(conn, b"S 250 OK\r\nS .\r\n")
                elif word == b"KEEPALIVE":
                    self.send(conn, b"S 250 0\r\nS .\r\n")
                else:
                    self.send(conn, b"S 250 OK\r\nS .\r\n")
        except (ConnectionResetError, BrokenPipeError, OSError):
            self.closed_by_client.set()


def peak_hwm(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run_zepim(build, case, body, limit):
    server = Server(case, body)
    with tempfile.TemporaryDirectory() as home:
        conf_dir = os.path.join(home, "config", "Corvane")
        os.makedirs(conf_dir)
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        with open(os.path.join(conf_dir, "ZEP Instant Messenger.conf"), "w") as f:
            f.write(f"[General]\nserver=127.0.0.1\nport={server.port}\nemail=anna@example.com\n"
                    "password=anna123\nsavepassword=1\nautologon=1\nversion=18.1.4389\n")
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=runtime,
                   XDG_STATE_HOME=os.path.join(home, "state"), QT_QPA_PLATFORM="offscreen")
        proc = subprocess.Popen([os.path.join(build, "bin", "zepim")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peak = 0
        end = time.monotonic() + limit
        while time.monotonic() < end and proc.poll() is None:
            peak = max(peak, peak_hwm(proc.pid))
            if server.closed_by_client.is_set() or (body is None and server.logged_on.is_set()):
                time.sleep(1.0)  # long enough for a late abort to show
                peak = max(peak, peak_hwm(proc.pid))
                break
            time.sleep(0.05)
        code = proc.poll()
        if code is None:
            ended = "disconnected, still running" if server.closed_by_client.is_set() else (
                "logged on" if body is None else "took it whole, still connected")
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        else:
            ended = f"killed by {signal.Signals(-code).name}" if code < 0 else f"exit {code}"
        return peak, ended


def run_cli(build, case, body, limit):
    server = Server(case, body)
    # GNU time reports the program's own peak: a child forked from this script would count the
    # script's copy of the payload too.
    command = ["/usr/bin/time", "-f", "peak-kib %M", os.path.join(build, "bin", "zepim-cli"),
               "--server", "127.0.0.1", "--port",
               str(server.port), "--email", "anna@example.com"]
    command += ["contacts"] if CASES[case][1] == "reply" else ["watch", "--seconds", "5"]
    env = dict(os.environ, ZEPIM_PASSWORD="anna123")
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    timer = threading.Timer(limit, proc.kill)
    timer.start()
    _, err = proc.communicate()
    timer.cancel()
    lines = err.decode(errors="replace").strip().splitlines()
    peak = int(lines.pop().split()[-1]) if lines and lines[-1].startswith("peak-kib") else 0
    status = lines.pop() if lines and lines[-1].startswith("Command terminated") else ""
    if lines and lines[-1].startswith("Command exited with non-zero status"):
        lines.pop()
    ended = status.replace("Command terminated by signal", "killed by signal") or (
        f"exit {proc.returncode}")
    if lines and proc.returncode != 0:
        ended += f" ({lines[-1]})"
    return peak, ended


def main():
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(top, "build"))
    ap.add_argument("--mib", type=int, default=64)
    ap.add_argument("--only", choices=sorted(CASES))
    ap.add_argument("--limit", type=float, default=60.0, help="seconds per run")
    args = ap.parse_args()
    for program, run in (("zepim", run_zepim), ("zepim-cli", run_cli)):
        cases = [args.only] if args.only else list(CASES)
        for case in cases:
            base, _ = run(args.build, case, None, args.limit)
            peak, ended = run(args.build, case, payload(case, args.mib), args.limit)
            print(f"{program:9} {case:18} {args.mib} MiB: +{(peak - base) / 1024:.0f} MiB "
                  f"resident (peak {peak / 1024:.0f} MiB), {ended}", flush=True)


if __name__ == "__main__":
    sys.exit(main())
