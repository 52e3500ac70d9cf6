#!/usr/bin/env python3
"""Times RegexMatchAll (Google Benchmark) and Python's re.finditer on the same generated rates body, written to a
file that the benchmark reads.

Usage: bench/compare_regex.py BUILD_DIR [BASELINE_BUILD_DIR]   (each holds bench/regex_bench)
Prints the medians of 10 runs and their ratio; with a baseline build, its RegexMatchAll on the same file too.
"""
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

# The same generator as bench/RatesBody.h, so the file matches the body the benchmark makes by itself.
CODES = ["wmz", "wmr", "wme", "yandex rub", "qiwi rub", "sberbank rub", "tinkoff rub", "alfa-bank rub", "btc",
         "eth", "ltc", "usdt trc20", "usdt erc20", "perfect usd", "payeer usd", "payeer rub", "advcash usd",
         "visa rub", "mastercard usd", "cash usd", "cash rub", "monero", "ripple"]
RATES_PATTERN = r"([0-9]+);([a-z0-9\.\- ]+);([a-z0-9\.\- ]+);([0-9\.]+);([0-9\.]+);([0-9\.]+)"
RUNS = 10


def make_body(lines):
    n = len(CODES)
    out = []
    for i in range(lines):
        pair = i % (n * (n - 1))
        src, dst = pair // (n - 1), pair % (n - 1)
        if dst >= src:
            dst += 1
        ident = 1 + (i * 7919) % 400
        get = 1 + (i % 9973) * 0.0137
        reserve = (i * 7877) % 100000000 + 0.78
        out.append("%d;%s;%s;1;%.4f;%.2f\n" % (ident, CODES[src], CODES[dst], get, reserve))
    return "".join(out)


def bench_median_ms(build_dir, body_path):
    program = os.path.join(build_dir, "bench", "regex_bench")
    env = dict(os.environ, KOVRIN_REGEX_BODY=body_path)
    result = subprocess.run(
        [program, "--benchmark_filter=^BM_RegexMatchAllRatesFreshHeap$", "--benchmark_repetitions=%d" % RUNS,
         "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
        env=env, check=True, capture_output=True, text=True)
    for entry in json.loads(result.stdout)["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry["time_unit"]]
            return entry["real_time"] * scale, entry["cpu_time"] * scale
    raise RuntimeError("no median in the benchmark output")


def python_median_ms(text):
    pattern = re.compile(RATES_PATTERN, re.IGNORECASE | re.MULTILINE)
    wall, cpu, rows = [], [], 0
    for _ in range(RUNS):
        w0, c0 = time.perf_counter(), time.process_time()
        table = [m.groups() for m in pattern.finditer(text)]
        cpu.append((time.process_time() - c0) * 1e3)
        wall.append((time.perf_counter() - w0) * 1e3)
        rows = len(table)
    return statistics.median(wall), statistics.median(cpu), rows


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    body = make_body(100000)
    with tempfile.NamedTemporaryFile("wb", suffix=".txt", delete=False) as handle:
        handle.write(body.encode("utf-8"))
        body_path = handle.name
    try:
        cpp_wall, cpp_cpu = bench_median_ms(sys.argv[1], body_path)
        py_wall, py_cpu, rows = python_median_ms(body)
        baseline = bench_median_ms(sys.argv[2], body_path) if len(sys.argv) == 3 else None
    finally:
        os.unlink(body_path)
    print("body: %d bytes, %d rows" % (len(body.encode("utf-8")), rows))
    print("RegexMatchAll     median of %d: %8.2f ms wall, %8.2f ms CPU" % (RUNS, cpp_wall, cpp_cpu))
    print("Python re.finditer median of %d: %8.2f ms wall, %8.2f ms CPU" % (RUNS, py_wall, py_cpu))
    print("ratio Python / RegexMatchAll: %.1fx wall, %.1fx CPU" % (py_wall / cpp_wall, py_cpu / cpp_cpu))
    if baseline:
        print("RegexMatchAll, baseline build, median of %d: %8.2f ms wall, %8.2f ms CPU" % (RUNS, *baseline))


if __name__ == "__main__":
    main()
