#!/usr/bin/env python3
"""The add-contact wizard's search over a directory of 20 000 users.

Starts zep-devserver on a free loopback port with a generated users file (one owner and 20 000
other users), then runs bench_wizard (offscreen) for a search that matches every user and for
one that matches a hundred, and prints its lines.

  bench/view/wizard_20000.py [--build DIR] [--runs N] [--users N]
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile


def main():
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(top, "build"))
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--users", type=int, default=20000)
    args = parser.parse_args()
    bench = os.path.join(args.build, "bench", "view", "bench_wizard")
    server_binary = os.path.join(args.build, "devserver", "zep-devserver")
    for path in (bench, server_binary):
        if not os.access(path, os.X_OK):
            sys.exit(f"missing {path}: build the project first")

    users = [{"id": 1, "email": "owner@example.com", "name": "Owner", "password": "owner-pw"}]
    for i in range(args.users):
        users.append({"id": i + 2, "email": f"user{i:05d}@example.com",
                      "name": f"User {args.users - i:05d}", "password": "x",
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
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            for search in ("user", "user001"):
                result = subprocess.run([bench, match.group(2), "owner@example.com", "owner-pw",
                                         search, str(args.runs)], env=env, capture_output=True,
                                        text=True)
                if result.returncode != 0:
                    sys.exit(f"bench_wizard failed: {result.stderr}")
                print(result.stdout.strip())
        finally:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    main()
