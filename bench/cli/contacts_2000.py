#!/usr/bin/env python3
"""Whole-process wall time of `zepim-cli contacts` for a user with 2000 contacts.

Starts zep-devserver on a free loopback port with a generated users file (one owner whose
contact list holds 2000 other users, none of them logged on), then runs zepim-cli contacts
repeatedly (connect, VERSION, LOGON with its challenge, LIST CONTACTS, 100 SUBSCRIBE batches,
sorted output) and prints the median, minimum and maximum.

  bench/cli/contacts_2000.py [--build DIR] [--runs N] [--contacts N]
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time


def main():
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(top, "build"))
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--contacts", type=int, default=2000)
    args = parser.parse_args()
    cli = os.path.join(args.build, "bin", "zepim-cli")
    server_binary = os.path.join(args.build, "devserver", "zep-devserver")
    for path in (cli, server_binary):
        if not os.access(path, os.X_OK):
            sys.exit(f"missing {path}: build the project first")

    users = [{"id": 1, "email": "owner@example.com", "name": "Owner", "password": "owner-pw",
              "contacts": [f"user{i:05d}@example.com" for i in range(args.contacts)]}]
    for i in range(args.contacts):
        users.append({"id": i + 2, "email": f"user{i:05d}@example.com",
                      "name": f"User {args.contacts - i:05d}", "password": "x",
                      "location": "Building 7, floor 3", "work_tel": "+44 20 7946 0000"})
    with tempfile.TemporaryDirectory() as scratch:
        users_file = os.path.join(scratch, "users.json")
        with open(users_file, "w") as out:
            json.dump({"users": users}, out)
        server = subprocess.Popen([server_binary, "--port", "0", "--tls-port", "0", "--users",
                                   users_file], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  text=True)
        try:
            line = server.stdout.readline()
            match = re.search(r"listening on (\S+):(\d+) tls (\d+)", line)
            if not match:
                sys.exit(f"zep-devserver did not start: {line}")
            host, port = match.group(1), match.group(2)
            env = dict(os.environ, ZEPIM_PASSWORD="owner-pw")
            command = [cli, "--server", host, "--port", port, "--email", "owner@example.com",
                       "contacts"]
            times = []
            for _ in range(args.runs):
                start = time.perf_counter()
                result = subprocess.run(command, env=env, capture_output=True, text=True)
                times.append((time.perf_counter() - start) * 1000.0)
                if result.returncode != 0:
                    sys.exit(f"zepim-cli failed: {result.stderr}")
                lines = result.stdout.splitlines()
                if len(lines) != args.contacts:
                    sys.exit(f"expected {args.contacts} lines, got {len(lines)}")
            print(f"zepim-cli contacts, {args.contacts} contacts, {args.runs} runs: "
                  f"median {statistics.median(times):.1f} ms "
                  f"(min {min(times):.1f}, max {max(times):.1f})")
        finally:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    main()
