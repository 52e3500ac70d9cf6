#!/usr/bin/env python3
"""Wall time and peak memory of `kovrin-cli --feeds DIR offers ...` over 100,000-row feeds, against a plain Python
reading of the same files. Goals: the CLI at least 10 times as fast as the Python reading, and under 64 MB peak
RSS.

usage: bench/cli_offers.py [--build DIR] [--runs N] [--rows N] [--baseline-cli PATH]

Each run is timed from just before the spawn to the child's exit, the programs started with posix_spawn
straight from this interpreter, so that neither a fork of it nor a wrapper is counted; the runs of the programs
alternate, so that a change of load touches all alike. Peak RSS comes from separate runs under /usr/bin/time -v
(a child spawned from a big process would be charged that process's pages). The Python reading runs under this
interpreter itself, never a version manager's shim. --baseline-cli names another kovrin-cli (an older build) to
time the same way."""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
GIVE, GET, GIVE_AMOUNT = "Сбербанк RUB", "Bitcoin BTC", "1000000"
RATIO_GOAL, RSS_GOAL_MB = 10, 64


def spawn_wall(command, env=None):
    """Milliseconds from just before the spawn to the exit of one run, and its standard output."""
    read_end, write_end = os.pipe()
    start = time.perf_counter()
    pid = os.posix_spawn(command[0], command, os.environ if env is None else env,
                         file_actions=[(os.POSIX_SPAWN_DUP2, write_end, 1), (os.POSIX_SPAWN_CLOSE, read_end)])
    os.close(write_end)
    chunks = []
    while True:
        chunk = os.read(read_end, 1 << 16)
        if not chunk:
            break
        chunks.append(chunk)
    _, status, _ = os.wait4(pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    os.close(read_end)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{os.path.basename(sys.argv[0])}: {command[0]} failed")
    return elapsed, b"".join(chunks)


def peak_rss_mb(command):
    done = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, check=True)
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", done.stderr.decode()).group(1)) / 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--rows", type=int, default=100000)
    parser.add_argument("--baseline-cli", help="another kovrin-cli to time alongside")
    args = parser.parse_args()
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("cli_offers: /usr/bin/time is missing (apt-get install time)")
    cli = os.path.abspath(os.path.join(args.build, "tools", "kovrin-cli", "kovrin-cli"))
    service = os.path.join(args.build, "tools", "demo-service", "kovrin-demo-service")

    with tempfile.TemporaryDirectory(prefix="kovrin-bench-") as feeds:
        subprocess.run([service, "--write-feeds", feeds, "--rates-rows", str(args.rows)], check=True)
        offers = ["--feeds", feeds, "offers", GIVE, GET, "--give-amount", GIVE_AMOUNT, "--format", "csv"]
        programs = {"kovrin-cli": [cli] + offers,
                    "python3": [sys.executable, os.path.join(HERE, "cli_offers_reference.py"), feeds, GIVE, GET,
                                GIVE_AMOUNT, ""]}
        if args.baseline_cli:
            programs["kovrin-cli-baseline"] = [os.path.abspath(args.baseline_cli)] + offers
        print(f"feeds: {args.rows} rates rows, pair {GIVE} -> {GET}, give amount {GIVE_AMOUNT}; "
              f"python: {sys.executable}")
        walls = {name: [] for name in programs}
        outputs = {}
        for _ in range(args.runs):
            for name, command in programs.items():
                wall, outputs[name] = spawn_wall(command)
                walls[name].append(wall)
        figures = {}
        for name, command in programs.items():
            rss = statistics.median(peak_rss_mb(command) for _ in range(min(args.runs, 5)))
            figures[name] = (statistics.median(walls[name]), rss)
            print(f"{name:<20} median wall {figures[name][0]:7.1f} ms   median peak RSS {rss:6.1f} MB   "
                  f"({args.runs} runs)")

    rows = {name: output.count(b"\n") - 1 for name, output in outputs.items()}
    print("offers: " + ", ".join(f"{name} {count}" for name, count in rows.items()))
    (cli_wall, cli_rss), (py_wall, py_rss) = figures["kovrin-cli"], figures["python3"]
    print(f"ratio python/cli: wall {py_wall / cli_wall:.2f}x, peak RSS {py_rss / cli_rss:.2f}x")
    ok = py_wall / cli_wall >= RATIO_GOAL and cli_rss < RSS_GOAL_MB and len(set(rows.values())) == 1
    print(f"goals (cli at least {RATIO_GOAL}x python, < {RSS_GOAL_MB} MB, same offer count): "
          f"{'met' if ok else 'NOT met'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
