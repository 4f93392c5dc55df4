#!/usr/bin/env python3
"""How often a logged-on messenger that has nothing to do wakes up, and what it costs.

    bench/app/idle_wakeups.py [--build BUILD] [--seconds N] [--away]

Starts zep-devserver and zepim (logged on as anna@example.com, window open) on the X display
in DISPLAY (start Xvfb first; without one it runs offscreen and the idle source is the
application's own input). Then measures the whole process (every thread, from /proc) over
two phases of N seconds (default 60): "active", with the pointer moved on the display every
second (xdotool, when there is a display), and "idle", with no input. With --away it then
waits until the server has set the user "Away" (the server's idle time, at least 3 minutes)
and measures a third phase, "away", in which the messenger looks for the user's return.
Prints context switches per second (voluntary and involuntary, all threads) and CPU time as
a share of one core for each phase.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from zepim_start import start_devserver


def switches(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:
            pass  # a thread that ended meanwhile
    return total


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def measure(pid, seconds, wiggle):
    s0, c0, t0 = switches(pid), cpu_seconds(pid), time.monotonic()
    x = 0
    while time.monotonic() - t0 < seconds:
        if wiggle:
            x = (x + 37) % 400
            # Input elsewhere on the screen: the user works in another window.
            subprocess.run(["xdotool", "mousemove", str(800 + x), "700"], check=False)
        time.sleep(1)
    elapsed = time.monotonic() - t0
    return (switches(pid) - s0) / elapsed, (cpu_seconds(pid) - c0) / elapsed * 100


def main():
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(top, "build"))
    ap.add_argument("--seconds", type=int, default=60)
    ap.add_argument("--away", action="store_true")
    args = ap.parse_args()
    zepim = os.path.join(args.build, "bin", "zepim")
    server_binary = os.path.join(args.build, "devserver", "zep-devserver")
    display = os.environ.get("DISPLAY", "")
    wiggle = bool(display) and shutil.which("xdotool") is not None

    server, port = start_devserver(server_binary)
    with tempfile.TemporaryDirectory() as home:
        conf_dir = os.path.join(home, "config", "Corvane")
        os.makedirs(conf_dir)
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        with open(os.path.join(conf_dir, "ZEP Instant Messenger.conf"), "w") as f:
            f.write(f"[General]\nserver=127.0.0.1\nport={port}\nemail=anna@example.com\n"
                    "password=anna123\nsavepassword=1\nautologon=1\nopenmainwnd=1\n"
                    "version=18.1.4389\n")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_RUNTIME_DIR=runtime, XDG_STATE_HOME=os.path.join(home, "state"),
                   ZEPIM_LOG_MASK="4")
        if not display:
            env["QT_QPA_PLATFORM"] = "offscreen"
        log = os.path.join(home, "state", "zepim", "ZEPIM.LOG")
        proc = subprocess.Popen([zepim], env=env, stderr=subprocess.DEVNULL)
        try:
            start = time.monotonic()
            while time.monotonic() - start < 15:
                if os.path.exists(log) and b"Logged on as" in open(log, "rb").read():
                    break
                time.sleep(0.05)
            else:
                sys.exit("zepim did not log on within 15 s")
            time.sleep(3)  # the contact list filled and painted
            print(f"zepim logged on ({'X display ' + display if display else 'offscreen'}, "
                  f"input {'by xdotool' if wiggle else 'none'})")
            phases = [("active", wiggle), ("idle", False)]
            for name, moving in phases:
                rate, cpu = measure(proc.pid, args.seconds, moving)
                print(f"  {name:7s} {rate:5.2f} context switches/s  CPU {cpu:.3f} % of a core "
                      f"over {args.seconds} s")
            if args.away:
                deadline = time.monotonic() + 300
                away = False
                while time.monotonic() < deadline and not away:
                    time.sleep(5)
                    away = b"Away" in open(log, "rb").read()
                if not away:
                    print("  away    the server did not set Away within 5 minutes")
                else:
                    rate, cpu = measure(proc.pid, args.seconds, False)
                    print(f"  away    {rate:5.2f} context switches/s  CPU {cpu:.3f} % of a core "
                          f"over {args.seconds} s")
        finally:
            proc.send_signal(signal.SIGTERM)
            proc.wait(timeout=10)
            server.terminate()
            server.wait(timeout=10)


if __name__ == "__main__":
    main()
