#!/usr/bin/env python3
"""Plain-Python baseline for bench/cli_offers.py: reads the feed files with one regular expression per feed and
applies the same offer rule in float arithmetic. Prints one CSV line per offer."""
import re
import sys

RATES = re.compile(r"([0-9]+);([a-z0-9\.\- ]+);([a-z0-9\.\- ]+);([0-9\.]+);([0-9\.]+);([0-9\.]+)", re.I | re.M)
NAMES = re.compile(r"([a-z0-9\.\- ]+);([^;]+);([^\n]+)", re.I | re.M)
EXCHANGERS = re.compile(r"([0-9]+);([^;]+);([0-9]*);([0-9]*)", re.I | re.M)


def number(text, default):
    try:
        return float(text)
    except ValueError:
        return default


def read(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", "replace")


def main():
    folder, give_name, get_name, give_amount, get_amount = sys.argv[1:6]
    give_amount = number(give_amount, 0) if give_amount else 0
    get_amount = number(get_amount, 0) if get_amount else 0
    src = dst = ""
    for code, name, _ in NAMES.findall(read(folder + "/names.txt")):
        if name == give_name:
            src = code
        if name == get_name:
            dst = code
    exchangers = {}
    for eid, name, bl, shown in EXCHANGERS.findall(read(folder + "/exchangers.txt")):
        exchangers.setdefault(eid, (int(eid), name.encode("cp1251", "replace")[:20].decode("cp1251", "replace"),
                                    int(bl) if shown and bl else None))
    offers = []
    for eid, s, d, give, get, reserve in RATES.findall(read(folder + "/rates.txt")):
        if s != src or d != dst:
            continue
        give, get, reserve = number(give, 1), number(get, 1), number(reserve, 0)
        if give == 0 or get == 0:
            continue
        rate = give / get
        if give_amount > 0:
            give, get = give_amount, give_amount / rate
            if reserve < get:
                continue
        if get_amount > 0:
            get, give = get_amount, get_amount * rate
            if reserve < get_amount:
                continue
        exchanger = exchangers.get(eid)
        if exchanger is None:
            continue
        offers.append((exchanger[0], exchanger[1], round(give, 4), round(get, 4), round(reserve, 2), exchanger[2]))
    if get_amount > 0 or give_amount <= 0:
        offers.sort(key=lambda o: o[2])
    else:
        offers.sort(key=lambda o: -o[3])
    out = ["EID,Exchanger,SrcRate,DstRate,Reserve,BL"]
    for o in offers:
        out.append("%d,%s,%.15g,%.15g,%.15g,%s" % (o[0], o[1], o[2], o[3], o[4], "" if o[5] is None else o[5]))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
