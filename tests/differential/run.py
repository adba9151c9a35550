#!/usr/bin/env python3
"""Runs description files through the native vornenv and the Windows one
(under Wine) and fails on any difference that the README does not document.

    run.py --native EXE --windows EXE --work FOLDER [--seed N] [--count N]
           [--jobs N] [FILE...]

Each file goes through `check`, `show --format json` and `export --format
json` on both sides, from FOLDER/files, with the same variables set and no
system library directories.  Before comparing, each side's output is brought
to one form, undoing only what the README documents as a difference between
the platforms; each normaliser below names the README passage it follows.
Any other difference fails the run, naming the file and both outputs.

The files are those that generate.py writes for the seed, and FILE... (the
fuzz seeds and regressions, the bundled example).
"""

import argparse
import concurrent.futures
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
COMMANDS = [["check"], ["show", "--format", "json"], ["export", "--format", "json"]]
PRESET = {"DIFF_SET": "set value", "DIFF_SPACE": "a b", "DIFF_TEXT": "\u0395\u03bb\u03ad\u03bd\u03b7"}
LIMIT = "longer than an environment variable can hold!"


def environment(extra):
    # No HOME: Wine keeps it from the Windows process.
    env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8"}
    env.update(PRESET)
    env.update(extra)
    return env


def run(argv, cwd, env):
    # Files, not pipes: Wine's own processes that stay behind would hold a
    # pipe open, and reading it to its end would never end.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(argv, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=err, timeout=120).returncode
        out.seek(0)
        err.seek(0)
        return status, out.read(), err.read()


class side:
    """One platform's vornenv, and what its outputs say in the native form."""

    def __init__(self, argv, env, files):
        self.argv = argv
        self.env = env
        self.files = files
        self.basepath = []  # PATH's elements before any file

    def call(self, args, name):
        argv = self.argv + ["--system-dirs", ""] + args + [name]
        result = run(argv, self.files, self.env)
        # vornenv never fails without a word: a run that did is the emulator
        # losing a start now and then, and is run again, once.
        if result[0] != 0 and not result[1] and not result[2]:
            result = run(argv, self.files, self.env)
        return result


class windowsside(side):
    def __init__(self, argv, env, files):
        super().__init__(argv, env, files)
        # The folder as Windows names it: Wine maps the Unix root to Z:.
        self.prefix = "Z:" + files.replace("/", "\\")

    def text(self, s):
        # Wine names the Unix root Z:, with the platform's separator.
        return s.replace(self.prefix, files_placeholder)

    def check(self, text):
        """README, "One file, one meaning", 2: a path that starts with
        one separator is on the current drive, so check calls it relative and
        looks for it there; on POSIX it is absolute.  Read before the other
        normalisers, while the single backslash still tells it apart from a
        share."""
        out = []
        skiphint = False
        for line in text.split("\n"):
            if skiphint and ": hint: start it from a variable" in line:
                skiphint = False
                continue
            skiphint = False
            if re.search(r": warning: the directory '\\[^\\]", line) and "[relative-directory]" in line:
                skiphint = True
                continue
            # Where the message shows the directory whole, as an absolute one
            # would be, POSIX adds no hint that repeats it.
            looked = re.search(r": hint: looked for the directory '(\\[^\\][^']*)'", line)
            if looked and out and "--> %s invalid entry found!" % looked.group(1).replace("\\", "/") in out[-1]:
                continue
            out.append(line)
        warnings = sum(1 for line in out if ": warning: " in line)
        summary = "ok" if warnings == 0 else "ok, %d warning%s" % (warnings, "" if warnings == 1 else "s")
        return re.sub(r": ok(, \d+ warnings?)?$", ": " + summary, "\n".join(out), flags=re.M)


class nativeside(side):
    def check(self, text):
        return text

    def text(self, s):
        return s.replace(self.files, files_placeholder)


def slashes(s):
    """A converted path with both separators as one, and a run of them as
    one: README, "One file, one meaning", 1 (a converted path takes the
    platform's separator) and 2 (a share keeps its "\\\\server" root on
    Windows, where POSIX reads "//" as "/").  Only for what shows a converted
    path, never for values as such."""
    return re.sub("/+", "/", s.replace("\\", "/"))


# The messages that quote a converted path: the path is the first group.
CONVERTED = [
    r"(?<=looked for the directory ')[^']*",
    r"(?<=: warning: the directory ')[^']*(?=' is relative)",
    r"(?<=: hint: ')[^']*(?=' exists, but is no directory)",
    r"(?<=: error: )[^\n]*(?= entrytofilepath - expanded envvar to invalid path!)",
]


def messagepaths(text):
    for pattern in CONVERTED:
        text = re.sub(pattern, lambda m: slashes(m.group(0)), text)
    return text


files_placeholder = "<FILES>"


def pathlist(s, value, sep):
    """A PATH value as its elements in the native form, the elements the
    process started with left out (README, "One file, one meaning", 1: PATH is
    split and joined with ';' on Windows and ':' elsewhere)."""
    if value is None:
        return None
    elements = value.split(sep)
    if s.basepath and elements[-len(s.basepath):] == s.basepath:
        elements = elements[: -len(s.basepath)]
    return [slashes(s.text(e)) for e in elements]


def canonical(s, cmd, status, out, err, sep):
    """The outcome in one form for both platforms."""
    text = (out + err).decode("utf-8", "surrogateescape")
    if cmd[0] == "check" or status != 0:
        return {"status": status, "text": messagepaths(s.text(s.check(text)))}
    doc = json.loads(out.decode("utf-8", "surrogateescape"))

    def value(name, v):
        if isinstance(v, str):
            return pathlist(s, v, sep) if name.upper() == "PATH" else s.text(v)
        return v

    if cmd[0] == "export":
        # README, "One file, one meaning", 3: names compare as Windows
        # compares them, so the order of names differing in case is the
        # platform's.
        return {"status": 0, "changes": sorted((k, value(k, v)) for k, v in doc.items())}
    for f in doc["files"]:
        for sec in f["sections"]:
            paths = sec["kind"] in ("executable paths", "library paths")
            for e in sec["entries"]:
                e["value"] = slashes(s.text(e["value"])) if paths else s.text(e["value"])
    changes = sorted(
        (c["name"], value(c["name"], c["before"]) if c["name"].upper() != "PATH" else None,
         value(c["name"], c["after"]))
        for c in doc["changes"]
    )
    return {"status": 0, "files": doc["files"], "changes": changes}


def documented(name, native, windows):
    """Whether a difference is one that the README documents for files of
    this name's tags (generate.py)."""
    tags = set(os.path.basename(name).split(".")[0].split("-")[1:])
    wtext = windows.get("text", "")
    ntext = native.get("text", "")
    # README, "One file, one meaning", 3: names are compared as Windows
    # compares them, letter case folded.
    if "case" in tags:
        return True
    # README, "One file, one meaning", 4: the longest value is 32,766
    # characters on Windows, 131,072 bytes on Linux, so a file that reaches
    # it on both reaches it at other places.
    if LIMIT in wtext and LIMIT in ntext:
        return True
    # Where only one side reaches it, that is Windows, whose bound is lower.
    if "long" in tags and LIMIT in wtext:
        return True
    # README, "One file, one meaning", 5: a text that the code page
    # (UTF-8 for the host) cannot represent fails there; Linux keeps bytes.
    if "bytes" in tags and windows.get("status") == 1 and (
        "cannot represent" in wtext or "invalid entry found!" in wtext
    ):
        line = failedline(wtext)
        return line is not None and not utf8(filelines(name)[line - 1])
    return False


def failedline(text):
    m = re.search(r"^[^:\n]*:(\d+): error: ", text, re.M)
    return int(m.group(1)) if m else None


def utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def filelines(name):
    with open(name, "rb") as f:
        return f.read().split(b"\n")


def compare(files, native, windows, names, jobs):
    divergences = []

    def one(name, cmd):
        n = native.call(cmd, name)
        w = windows.call(cmd, name)
        cn = canonical(native, cmd, *n, ":")
        cw = canonical(windows, cmd, *w, ";")
        if cn != cw and not documented(os.path.join(files, name), cn, cw):
            return (name, cmd, cn, cw)
        return None

    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = [pool.submit(one, n, c) for n in names for c in COMMANDS]
        for f in futures:
            d = f.result()
            if d is not None:
                divergences.append(d)
    return divergences


def shorten(obj):
    text = json.dumps(obj, ensure_ascii=False)
    return text if len(text) < 2000 else text[:2000] + "..."


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--native", required=True)
    ap.add_argument("--windows", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--seed", type=int, default=20261209)
    ap.add_argument("--count", type=int, default=150)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("extra", nargs="*")
    a = ap.parse_args()

    start = time.time()
    files = os.path.abspath(os.path.join(a.work, "files"))
    shutil.rmtree(files, ignore_errors=True)
    os.makedirs(files)
    subprocess.run([sys.executable, os.path.join(HERE, "generate.py"), str(a.seed), str(a.count), files],
                   check=True)
    names = sorted(n for n in os.listdir(files) if n.endswith(".ini"))
    for i, path in enumerate(a.extra):
        # Under a name of their own; no tag: they must read the same.
        target = "extra%03d.ini" % i
        shutil.copyfile(path, os.path.join(files, target))
        names.append(target)

    prefix = os.path.abspath(os.path.join(a.work, "wineprefix"))
    wineenv = {"WINEPREFIX": os.environ.get("WINEPREFIX", prefix), "WINEDEBUG": "-all"}
    native = nativeside([os.path.abspath(a.native)], environment({}), files)
    windows = windowsside(["wine", os.path.abspath(a.windows)], environment(wineenv), files)
    if not os.path.exists(os.path.join(wineenv["WINEPREFIX"], "system.reg")):
        run(["wineboot", "-i"], files, windows.env)
    # One wineserver for the whole run, instead of one each start.
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=windows.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for s, probe in ((native, [os.path.abspath(a.native)]), (windows, windows.argv)):
            status, out, err = run(probe + ["expand", "$(PATH)"], files, s.env)
            sep = ";" if s is windows else ":"
            s.basepath = out.decode("utf-8", "surrogateescape").strip().split(sep)
        divergences = compare(files, native, windows, names, a.jobs)
    finally:
        subprocess.run(["wineserver", "-k"], env=windows.env)
        server.wait()
    seconds = time.time() - start
    print("differential: %d files, %d runs a side, %d divergences, %.0f s"
          % (len(names), len(names) * len(COMMANDS), len(divergences), seconds))
    for name, cmd, cn, cw in divergences:
        print("== %s: vornenv %s" % (name, " ".join(cmd)))
        print("   native:  " + shorten(cn))
        print("   windows: " + shorten(cw))
    return 1 if divergences else 0


if __name__ == "__main__":
    sys.exit(main())
