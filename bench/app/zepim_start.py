#!/usr/bin/env python3
"""Start-to-logged-on time and resident memory of zepim against zep-devserver on loopback.

    bench/app/zepim_start.py [--build BUILD] [--runs N] [--platform offscreen|xcb] [--no-history]

Each run starts zepim with a fresh settings file (saved password, automatic logon), measures
the time from process start until the program logs "Logged on as ..." (written right after
the logged-on view is in place), then reads VmRSS from /proc and ends the program with SIGTERM.
"""
import argparse
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def start_devserver(binary):
    proc = subprocess.Popen([binary, "--port", "0", "--tls-port", "0"], stdout=subprocess.PIPE,
                            text=True)
    line = proc.stdout.readline()
    m = re.search(r"listening on (\S+):(\d+) tls (\d+)", line)
    if not m:
        proc.kill()
        sys.exit(f"zep-devserver did not start: {line!r}")
    return proc, int(m.group(2))


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def one_run(zepim, port, platform, history, data):
    with tempfile.TemporaryDirectory() as home:
        conf_dir = os.path.join(home, "config", "Corvane")
        os.makedirs(conf_dir)
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        with open(os.path.join(conf_dir, "ZEP Instant Messenger.conf"), "w") as f:
            f.write(f"[General]\nserver=127.0.0.1\nport={port}\nemail=anna@example.com\n"
                    "password=anna123\nsavepassword=1\nautologon=1\nversion=18.1.4389\n"
                    f"keephistory={1 if history else 0}\n")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_RUNTIME_DIR=runtime, XDG_STATE_HOME=os.path.join(home, "state"),
                   XDG_DATA_HOME=data,
                   QT_QPA_PLATFORM=platform, ZEPIM_LOG_MASK="4")
        log = os.path.join(home, "state", "zepim", "ZEPIM.LOG")
        start = time.monotonic()
        proc = subprocess.Popen([zepim], env=env, stderr=subprocess.DEVNULL)
        elapsed = None
        while time.monotonic() - start < 10:
            try:
                with open(log, "rb") as f:
                    if b"Logged on as" in f.read():
                        elapsed = time.monotonic() - start
                        break
            except FileNotFoundError:
                pass
            time.sleep(0.002)
        rss_at_logon = rss_kib(proc.pid) if elapsed else 0
        time.sleep(0.5)  # let it settle: the view is painted, nothing else is pending
        rss_settled = rss_kib(proc.pid) if elapsed else 0
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=10)
        if elapsed is None:
            sys.exit("zepim did not log on within 10 s")
        return elapsed * 1000, rss_at_logon / 1024, rss_settled / 1024


def main():
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(top, "build"))
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--platform", default="offscreen")
    ap.add_argument("--no-history", dest="history", action="store_false",
                    help="start with the conversation history turned off")
    args = ap.parse_args()
    server, port = start_devserver(os.path.join(args.build, "devserver", "zep-devserver"))
    # The settings are new each run; the conversation history stays, as on a user's second start.
    data = tempfile.TemporaryDirectory()
    try:
        results = [one_run(os.path.join(args.build, "bin", "zepim"), port, args.platform,
                           args.history, data.name) for _ in range(args.runs)]
    finally:
        data.cleanup()
        server.terminate()
        server.wait()
    times = sorted(r[0] for r in results)
    rss = sorted(r[2] for r in results)
    print(f"start to logged-on view ({args.platform}, {args.runs} runs): median {statistics.median(times):.0f} ms"
          f" (min {times[0]:.0f}, max {times[-1]:.0f})")
    print(f"resident memory after logon: median {statistics.median(rss):.1f} MiB"
          f" (min {rss[0]:.1f}, max {rss[-1]:.1f}; at the moment of logon"
          f" {statistics.median(r[1] for r in results):.1f})")


if __name__ == "__main__":
    main()
