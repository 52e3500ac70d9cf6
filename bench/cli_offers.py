#!/usr/bin/env python3
"""Wall time and peak memory of `kovrin-cli --feeds DIR offers ...` over 100,000-row feeds, against a plain Python
reading of the same files. Goals: the CLI under 150 ms wall and under 64 MB peak RSS.

usage: bench/cli_offers.py [--build DIR] [--runs N] [--rows N]"""
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
WALL_GOAL_MS, RSS_GOAL_MB = 150, 64


def timed(command):
    """Runs command under /usr/bin/time -v; gives (wall seconds as time reports them, the same measured here to the
    microsecond, peak RSS kB, stdout). time's wall clock has 10 ms steps, too coarse alone for a 100 ms program."""
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, check=True)
    precise = time.perf_counter() - start
    report = done.stderr.decode()
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)", report)
    rss = re.search(r"Maximum resident set size \(kbytes\): (\d+)", report)
    seconds = int(wall.group(1) or 0) * 3600 + int(wall.group(2)) * 60 + float(wall.group(3))
    return seconds, precise, int(rss.group(1)), done.stdout


def measure(name, command, runs):
    walls, precise_walls, peaks, output = [], [], [], b""
    for _ in range(runs):
        wall, precise, rss, output = timed(command)
        walls.append(wall * 1000)
        precise_walls.append(precise * 1000)
        peaks.append(rss / 1024)
    wall, precise, rss = statistics.median(walls), statistics.median(precise_walls), statistics.median(peaks)
    print(f"{name:<12} median wall {wall:6.0f} ms (time -v), {precise:7.1f} ms (perf_counter)   "
          f"median peak RSS {rss:6.1f} MB   ({runs} runs)")
    return max(wall, precise), rss, output


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--rows", type=int, default=100000)
    args = parser.parse_args()
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("cli_offers: /usr/bin/time is missing (apt-get install time)")
    cli = os.path.join(args.build, "tools", "kovrin-cli", "kovrin-cli")
    service = os.path.join(args.build, "tools", "demo-service", "kovrin-demo-service")

    with tempfile.TemporaryDirectory(prefix="kovrin-bench-") as feeds:
        subprocess.run([service, "--write-feeds", feeds, "--rates-rows", str(args.rows)], check=True)
        print(f"feeds: {args.rows} rates rows, pair {GIVE} -> {GET}, give amount {GIVE_AMOUNT}")
        cli_wall, cli_rss, cli_out = measure(
            "kovrin-cli", [cli, "--feeds", feeds, "offers", GIVE, GET, "--give-amount", GIVE_AMOUNT,
                           "--format", "csv"], args.runs)
        py_wall, py_rss, py_out = measure(
            "python3", [sys.executable, os.path.join(HERE, "cli_offers_reference.py"), feeds, GIVE, GET,
                        GIVE_AMOUNT, ""], args.runs)

    cli_rows, py_rows = cli_out.count(b"\n") - 1, py_out.count(b"\n") - 1
    print(f"offers: kovrin-cli {cli_rows}, python {py_rows}")
    print(f"ratio python/cli: wall {py_wall / cli_wall:.2f}x, peak RSS {py_rss / cli_rss:.2f}x")
    ok = cli_wall < WALL_GOAL_MS and cli_rss < RSS_GOAL_MB and cli_rows == py_rows
    print(f"goals (cli < {WALL_GOAL_MS} ms, < {RSS_GOAL_MB} MB, same offer count): {'met' if ok else 'NOT met'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
