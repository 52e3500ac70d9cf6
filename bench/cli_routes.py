#!/usr/bin/env python3
"""Wall time of `kovrin-cli --feeds DIR routes GIVE GET` against `kovrin-cli --feeds DIR offers GIVE GET` over the
same 100,000-row feeds, measured in the same run with the runs alternating. Goal: routes at most twice offers.

usage: bench/cli_routes.py [--build DIR] [--runs N] [--rows N]

Each run is timed as cli_offers.py times it: from just before a posix_spawn straight from this interpreter to
the child's exit."""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from cli_offers import spawn_wall  # noqa: E402

GIVE, GET = "Bitcoin BTC", "Сбербанк RUB"
RATIO_GOAL = 2


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--rows", type=int, default=100000)
    args = parser.parse_args()
    cli = os.path.abspath(os.path.join(args.build, "tools", "kovrin-cli", "kovrin-cli"))
    service = os.path.join(args.build, "tools", "demo-service", "kovrin-demo-service")
    with tempfile.TemporaryDirectory(prefix="kovrin-bench-") as feeds:
        subprocess.run([service, "--write-feeds", feeds, "--rates-rows", str(args.rows)], check=True)
        programs = {"offers": [cli, "--feeds", feeds, "offers", GIVE, GET, "--format", "csv"],
                    "routes": [cli, "--feeds", feeds, "routes", GIVE, GET, "--format", "csv"]}
        walls = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, command in programs.items():
                walls[name].append(spawn_wall(command)[0])
    offers, routes = (statistics.median(walls[name]) for name in ("offers", "routes"))
    print(f"feeds: {args.rows} rates rows, pair {GIVE} -> {GET}, {args.runs} runs each, alternating")
    print(f"kovrin-cli offers     median wall {offers:7.1f} ms")
    print(f"kovrin-cli routes     median wall {routes:7.1f} ms")
    ok = routes <= RATIO_GOAL * offers
    print(f"ratio routes/offers: {routes / offers:.2f}x; goal (at most {RATIO_GOAL}x): {'met' if ok else 'NOT met'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
