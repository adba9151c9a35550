#!/usr/bin/env python3
"""Merges the tables of several runs of bench/compare.sh into one of medians.

    median.py TABLE.md TABLE.md TABLE.md

The tables must come from the same script (same rows, same words); each
number in a cell becomes the median of that number over the runs, written
as the first run wrote it.  A goal's result is taken afresh by majority,
which for one threshold and an odd number of runs is the result of the
median; a tie is shown as such.
"""

import re
import statistics
import sys

NUMBER = re.compile(r"\d{1,3}(?:,\d{3})+(?:\.\d+)?|\d+(?:\.\d+)?")


def parse(path):
    head, rows = [], []
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("| ") and not line.startswith("| # "):
            rows.append([c.strip() for c in line.strip("|").split(" | ")])
        elif line.startswith("Machine:"):
            head.append(line)
    return head, rows


def mediancell(cells):
    shapes = {NUMBER.sub("#", c) for c in cells}
    if len(shapes) != 1:
        sys.exit("median.py: cells differ in their words: %r" % (cells,))
    numbers = [NUMBER.findall(c) for c in cells]
    out, pos = [], 0
    first = cells[0]
    for i, m in enumerate(NUMBER.finditer(first)):
        values = [float(n[i].replace(",", "")) for n in numbers]
        digits = len(m.group().split(".")[1]) if "." in m.group() else 0
        grouping = "," if "," in m.group() or statistics.median(values) >= 1000 else ""
        text = "{:{}.{}f}".format(statistics.median(values), grouping, digits)
        out.append(first[pos:m.start()] + text)
        pos = m.end()
    out.append(first[pos:])
    return "".join(out)


def main(paths):
    tables = [parse(p) for p in paths]
    nrows = {len(rows) for _, rows in tables}
    if len(nrows) != 1:
        sys.exit("median.py: the tables have different rows")
    print("Medians of %d runs." % len(paths))
    for head, _ in tables:
        for line in head:
            print("- " + line)
    print("")
    print("| # | Job | Measure | vornenv | Anchors (same run) | Ratio | Goal | Result |")
    print("|---|---|---|---|---|---|---|---|")
    met = missed = 0
    for cells in zip(*(rows for _, rows in tables)):
        merged = [mediancell(list(col)) for col in list(zip(*cells))[:-1]]
        verdicts = [c[-1] for c in cells]
        if all(v in ("met", "missed") for v in verdicts):
            k = verdicts.count("met")
            if k * 2 == len(verdicts):  # an even count can tie: say so
                result = "split (%d of %d met)" % (k, len(verdicts))
            else:
                result = "met" if k * 2 > len(verdicts) else "missed"
        else:
            result = verdicts[0] if len(set(verdicts)) == 1 else "/".join(verdicts)
        met += result == "met"
        missed += result == "missed"
        print("| " + " | ".join(merged + [result]) + " |")
    print("")
    print("Goals met: %d, missed: %d." % (met, missed))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: median.py TABLE.md...")
    main(sys.argv[1:])
