#!/usr/bin/env python3
"""Turns the raw results of bench/compare.sh into one Markdown table.

    report.py RESULTS FIXTURES

RESULTS holds hyperfine's JSON (time-TAG-rN.json, pooled over the rounds),
instructions.txt and rss.txt ("name file value" lines), Google Benchmark's
JSON (pathlist.json, filepath.json, expand.json) and machine.txt; FIXTURES
holds the description files, whose sizes turn times into throughput.
Every figure printed comes from those files; a missing one shows as "n/a".
"""

import glob
import json
import os
import statistics
import sys

MIB = 1 << 20


def main(res, fix):
    times = pooled_times(res)
    instr = read_triples(os.path.join(res, "instructions.txt"))
    rss = read_triples(os.path.join(res, "rss.txt"))
    machine = dict(
        line.rstrip("\n").split("=", 1)
        for line in open(os.path.join(res, "machine.txt"))
        if "=" in line
    )
    rows = []

    def row(goal, job, measure, ours, anchors, ratio, target, result):
        rows.append((goal, job, measure, ours, anchors, ratio, target, result))

    # 1. Reading and storing.
    files = sorted(
        (f for f in os.listdir(fix) if f.startswith("gen-") and f.endswith(".ini")),
        key=lambda f: (int(f.split("-")[1][:-2]), f.endswith("crlf.ini")),
    )
    readers = [("inih-store", "inih+map"), ("simpleini", "SimpleIni"),
               ("inih-null", "inih, no-op"), ("linescan", "floor")]
    empty_instr = {name: instr.get((name, "empty.ini")) for name, _ in [("vornenv", "")] + readers}
    for f in files:
        tag = f[:-4]
        size = os.path.getsize(os.path.join(fix, f))
        mb = int(tag.split("-")[1][:-2])
        job = "check %d MiB %s" % (mb, tag.split("-")[2].upper())

        # Throughput, MB/s (10^6 bytes per second), from the median wall time.
        tput = {}
        for name in ["vornenv"] + [n for n, _ in readers]:
            t = times.get((tag, name))
            tput[name] = size / t / 1e6 if t else None
        ratio = div(tput["vornenv"], tput["inih-store"])
        row(1, job, "MB/s", fmt(tput["vornenv"]),
            anchorlist(readers, tput, fmt), times_fmt(ratio, "inih+map"),
            "≥ 2×", verdict(ratio, lambda r: r >= 2))

        # Instructions per byte, the empty file's count taken off.
        ipb = {}
        for name in ["vornenv"] + [n for n, _ in readers]:
            n, e = instr.get((name, f)), empty_instr.get(name)
            ipb[name] = (n - e) / size if n is not None and e is not None else None
        # The anchors go through callgrind on the 1 and 10 MiB files only.
        row(1, job, "instructions/byte", fmt(ipb["vornenv"], 1),
            anchorlist(readers, ipb, lambda v: fmt(v, 1)) if mb < 100 else "not run at 100 MiB",
            times_fmt(div(ipb["vornenv"], ipb["inih-store"]), "inih+map"),
            "≤ 20", verdict(ipb["vornenv"], lambda v: v <= 20))

        # Peak memory as a multiple of the file size; the goal is set for
        # the largest file, where the process's own base no longer counts.
        # 2.5×: an entry's two strings beside the text are the interface's
        # floor.
        mem = {}
        for name in ["vornenv"] + [n for n, _ in readers]:
            kb = rss.get((name, f))
            mem[name] = kb * 1024 / size if kb is not None else None
        big = mb >= 100
        row(1, job, "peak RSS ÷ file size",
            fmt(mem["vornenv"], 2) + "× (%s MiB)" % fmt(kbmib(rss.get(("vornenv", f))), 1),
            anchorlist(readers[:2], mem, lambda v: fmt(v, 2) + "×"), "",
            "≤ 2.5×" if big else "(at 100 MiB)",
            verdict(mem["vornenv"], lambda v: v <= 2.5) if big else "—")

    # 2. Apply and start.
    job = "run: 100 variables + 20 dirs, then `true`"
    ours = times.get(("apply", "vornenv"))
    base = times.get(("apply", "c-baseline"))
    ratio = div(ours, base)
    row(2, job, "ms", fmt(ms(ours), 2), "C baseline " + fmt(ms(base), 2),
        times_fmt(ratio, "C"), "≤ 1.5×", verdict(ratio, lambda r: r <= 1.5))
    for peer in ["direnv", "python-dotenv", "environment-modules", "lmod"]:
        t = times.get(("apply", peer))
        if t is None:
            row(2, job, "ms", fmt(ms(ours), 2), peer + " not run", "", "≥ 20× faster", "n/a")
            continue
        speedup = div(t, ours)
        row(2, job, "ms", fmt(ms(ours), 2), "%s %s" % (peer, fmt(ms(t), 1)),
            "%s× faster" % fmt(speedup, 1), "≥ 20× faster",
            verdict(speedup, lambda r: r >= 20))
    ni, nb = instr.get(("vornenv-run", "fixture.ini")), instr.get(("c-baseline", "fixture.cenv"))
    row(2, job, "instructions before exec", fmtint(ni), "C baseline " + fmtint(nb),
        times_fmt(div(ni, nb), "C"), "", "—")
    # The same tool linked dynamically: a build option, not the shipped tool.
    dy = times.get(("apply", "vornenv-dynamic"))
    lmod = times.get(("apply", "lmod"))
    row(2, job + ", vornenv linked dynamically", "ms", fmt(ms(dy), 2),
        "C baseline %s; lmod %s" % (fmt(ms(base), 2), fmt(ms(lmod), 1)),
        "%s× C; %s× faster than lmod" % (fmt(div(dy, base), 2), fmt(div(lmod, dy), 1)),
        "", "—")
    nbf = instr.get(("vornenv-before-run", "fixture.ini"))
    if nbf is not None:
        change = div(ni, nbf)
        row(2, job, "instructions before exec, beside the build before", fmtint(ni),
            "before " + fmtint(nbf), fmt(change, 3) + "× before", "≤ 1.05× before",
            verdict(change, lambda r: r <= 1.05))
    nd = instr.get(("vornenv-dynamic-run", "fixture.ini"))
    row(2, job + ", vornenv linked dynamically", "instructions before exec", fmtint(nd),
        "C baseline " + fmtint(nb), times_fmt(div(nd, nb), "C"), "", "—")

    # 5a. The hook's command at a prompt where nothing changed: under 2 ms,
    # and at most half of direnv's.
    job = "`vornenv prompt` itself, nothing changed"
    ours, peer = times.get(("prompt", "vornenv-prompt")), times.get(("prompt", "direnv-export"))
    row("5a", job, "ms", fmt(ms(ours), 2),
        "direnv export bash " + fmt(ms(peer), 2) if peer is not None else "direnv not run",
        "%s× faster" % fmt(div(peer, ours), 1) if peer is not None else "",
        "< 2 ms, ≤ ½ direnv",
        verdict(ms(ours), lambda v: v < 2 and (peer is None or 2 * v <= ms(peer))))

    # 5b. A whole prompt with the hook installed, nothing changed, per shell:
    # under 0.1 ms, at least 20× faster than direnv's hook.
    hook = {}
    path = os.path.join(res, "hook.txt")
    if os.path.exists(path):
        for line in open(path):
            f = line.split()
            if len(f) == 4 and f[2] != "n/a":
                hook[(f[0], f[1])] = float(f[2]) / 1000
    for shell in ("bash", "zsh", "fish"):
        ours = hook.get(("vornenv", shell))
        direnv, mise, true = (hook.get((t, shell)) for t in ("direnv", "mise", "true"))
        anchors = "; ".join("%s %s" % (label, fmt(v, 2)) for label, v in
                            (("direnv's hook", direnv), ("mise's hook", mise),
                             ("/bin/true", true)) if v is not None)
        row("5b", "hook in %s: a prompt, nothing changed (median)" % shell, "ms",
            fmt(ours, 3), anchors or "n/a",
            "%s× faster than direnv" % fmt(div(direnv, ours), 1) if direnv else "",
            "< 0.1 ms, ≥ 20× faster than direnv",
            verdict(ours, lambda v: v < 0.1 and (direnv is None or direnv >= 20 * v)))

    # 3. Path lists.
    pl = gbench_medians(os.path.join(res, "pathlist.json"))
    ours, ref = pl.get("bm_builder_pathlist"), pl.get("bm_set_reference")
    ratio = div(ours, ref)
    row(3, "1,000 dirs in front of a 10,000-entry PATH", "ms", fmt(ours, 2),
        "std::set<std::string> " + fmt(ref, 2), times_fmt(ratio, "set"), "≤ 1×",
        verdict(ratio, lambda r: r <= 1))
    parts = [("read+store the 1,000 entries", "bm_builder_plain"),
             ("1,000 direxists", "bm_direxists"),
             ("split+merge the 10,000", "bm_split_merge")]
    row(3, "… of which", "ms", "; ".join("%s %s" % (label, fmt(pl.get(key), 2)) for label, key in parts),
        "", "", "", "—")
    fp = gbench_medians(os.path.join(res, "filepath.json"))
    for label, ours_key, ref_key in [("sort 10,000 paths", "bm_filepath_sort", "bm_string_sort"),
                                     ("set-insert 10,000 paths", "bm_filepath_set", "bm_string_set")]:
        row(3, label, "ms", fmt(fp.get(ours_key), 2),
            "std::string " + fmt(fp.get(ref_key), 2),
            times_fmt(div(fp.get(ours_key), fp.get(ref_key)), "string"), "", "—")

    # 4. Expansion.
    ex = gbench_medians(os.path.join(res, "expand.json"))
    for label, key in [("100,000-deep chain", "bm_deep_chain/100000"),
                       ("10,000 references to 10 variables", "bm_many_references/10"),
                       ("10,000 references to 10,000 variables", "bm_many_references/10000")]:
        v = ex.get(key)
        row(4, label, "ms", fmt(v, 2), "", "", "< 100 ms", verdict(v, lambda x: x < 100))

    # 6. Odd shapes: peak memory of check and run as a multiple of the file,
    # this build beside the one before (--before).
    for key, label, goal in [
            ("typical", "typical file, sections of 50 to 150 entries", 2.5),
            ("empty", "empty sections", 12),
            ("one-entry", "sections of one entry", 16),
            ("one-section", "one section of numbered entries", 10)]:
        f = "shape-%s.ini" % key
        path = os.path.join(fix, f)
        if not os.path.exists(path):
            continue
        size = os.path.getsize(path)
        for cmd in ["check", "run"]:
            kb = rss.get(("vornenv-" + cmd, f))
            if kb is None:
                continue
            ours = kb * 1024 / size
            anchors = []
            before = rss.get(("vornenv-before-" + cmd, f))
            if before is not None:
                anchors.append("before " + fmt(before * 1024 / size, 1) + "×")
            ref = rss.get(("simpleini", f))
            if ref is not None:
                anchors.append("SimpleIni " + fmt(ref * 1024 / size, 1) + "×")
            row("6", "%s: %s (%s MiB)" % (cmd, label, fmt(size / 1048576, 1)),
                "peak RSS ÷ file size", fmt(ours, 2) + "× (%s MiB)" % fmt(kbmib(kb), 1),
                "; ".join(anchors), "", "≤ %s×" % fmt(goal, 1), verdict(ours, lambda v: v <= goal))

    rows.sort(key=lambda r: str(r[0]))  # stable: each goal's rows stay in order
    out = []
    out.append("Machine: %s cores, %s, %s memory; load %s at the start, %s at the end; "
               "commit %s; %s hyperfine rounds, medians of the pooled runs."
               % (machine.get("nproc"), machine.get("cpu"), machine.get("memory"),
                  machine.get("load_start"), machine.get("load_end"), machine.get("commit"),
                  machine.get("rounds")))
    out.append("")
    out.append("| # | Job | Measure | vornenv | Anchors (same run) | Ratio | Goal | Result |")
    out.append("|---|---|---|---|---|---|---|---|")
    for r in rows:
        out.append("| " + " | ".join(str(c) for c in r) + " |")
    met = sum(1 for r in rows if r[7] == "met")
    missed = sum(1 for r in rows if r[7] == "missed")
    out.append("")
    out.append("Goals met: %d, missed: %d." % (met, missed))
    print("\n".join(out))


def pooled_times(res):
    """(tag, name) -> median wall time in seconds over every round's runs."""
    pools = {}
    for path in glob.glob(os.path.join(res, "time-*-r*.json")):
        tag = os.path.basename(path)[len("time-"):].rsplit("-r", 1)[0]
        for result in json.load(open(path))["results"]:
            pools.setdefault((tag, result["command"]), []).extend(result["times"])
    return {k: statistics.median(v) for k, v in pools.items()}


def read_triples(path):
    out = {}
    if os.path.exists(path):
        for line in open(path):
            parts = line.split()
            if len(parts) == 3 and parts[2].isdigit():
                out[(parts[0], parts[1])] = int(parts[2])
    return out


def gbench_medians(path):
    """benchmark name -> median real time in milliseconds."""
    out = {}
    if not os.path.exists(path):
        return out
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            out[b["run_name"]] = b["real_time"] * scale
    return out


def ms(seconds):
    return seconds * 1e3 if seconds is not None else None


def kbmib(kb):
    return kb / 1024 if kb is not None else None


def div(a, b):
    return a / b if a is not None and b else None


def fmt(v, digits=0):
    if v is None:
        return "n/a"
    if digits == 0:
        return "{:,.0f}".format(v)
    return "{:,.{}f}".format(v, digits)


def fmtint(v):
    return "{:,}".format(v) if v is not None else "n/a"


def times_fmt(r, what):
    return "n/a" if r is None else "%s× %s" % (fmt(r, 2), what)


def anchorlist(readers, values, f):
    return ", ".join("%s %s" % (label, f(values.get(name))) for name, label in readers)


def verdict(v, ok):
    if v is None:
        return "n/a"
    return "met" if ok(v) else "missed"


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: report.py RESULTS FIXTURES")
    main(sys.argv[1], sys.argv[2])
