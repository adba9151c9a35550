#!/usr/bin/env python3
"""Runs the examples of README.md and doc/vornenv.1 with the built vornenv.

    examples.py VORNENV REPOSITORY

The examples are found by reading the two documents, so a new one is run as
soon as it is written:

- a block that starts `$ COMMAND` shows the command's output: it is run and
  its output must be the text shown, line for line;
- a block of commands (README ```sh and unlabelled blocks, the manual page's
  .nf/.fi blocks): each command must exit 0 and write nothing to stderr;
- a ```ini block is a description file: `vornenv check` must accept it;
- what is deliberately not run is listed below with the reason.
Any other block fails the test, so no example is left out unnoticed.
"""

import contextlib
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

# The README shows the repository checked out here; no other text is changed
# before comparing.
SHOWN_ROOT = "/home/me/vornenv"

# Commands not run, by how they start.
NOT_RUN = {
    "cmake ": "builds the project (quick start, cross and benchmark builds)",
    "scripts/test-all": "runs every test, this one included",
    "WINEPREFIX=": "runs the Windows build's tests under Wine",
    "build/bench/": "a benchmark, run on demand",
    "bench/compare.sh": "installs other programs and measures for minutes",
    "vornenv [": "the usage synopsis, not a command",
}
# Blocks not run, by their language.
NOT_RUN_LANG = {
    "cmake": "a consuming project's build file, not a command",
    "cpp": "a fragment of a program using the library, not a command",
    "c": "the C interface's example: package_test compiles and runs it",
    # This test runs on POSIX builds only, where neither shell is.
    "powershell": "PowerShell is not run on POSIX",
    "bat": "cmd is not run on POSIX",
}
COMMAND_LANGS = ("", "sh")
INVOKES_VORNENV = re.compile(r"(^|[\s;|&(])(build/cli/)?vornenv\s")
INI_FILE = re.compile(r"[^\s\"'()<>|;]*\.ini\b")


def readme_blocks(path):
    blocks, current = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().splitlines(), 1):
            if line.startswith("```"):
                if current is None:
                    current = ("README.md", number + 1, line[3:].strip(), [])
                else:
                    blocks.append(current)
                    current = None
            elif current is not None:
                current[3].append(line)
    if current is not None:
        sys.exit(f"README.md:{current[1] - 1}: code block never closed")
    return blocks


def unroff(line, where):
    escapes = {"-": "-", "&": "", "e": "\\"}
    # An escape not known here would reach the shell as written: stop instead.
    bad = [e for e in re.findall(r"\\(.)", line) if e not in escapes]
    if bad:
        sys.exit(f"{where}: roff escape \\{bad[0]} not understood by this test")
    return re.sub(r"\\(.)", lambda m: escapes[m.group(1)], line)


def man_blocks(path):
    blocks, current = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().splitlines(), 1):
            if line == ".nf":
                current = ("doc/vornenv.1", number + 1, "sh", [])
            elif line == ".fi" and current is not None:
                blocks.append(current)
                current = None
            elif current is not None:
                current[3].append(unroff(line, f"doc/vornenv.1:{number}"))
    return blocks


class doctest:
    def __init__(self, tool, root):
        self.tool, self.root = os.path.abspath(tool), os.path.realpath(root)
        self.counts = {"pass": 0, "FAIL": 0, "skip": 0, "not run": 0}

    def report(self, status, where, what, detail=""):
        self.counts[status] += 1
        print(f"{status:7}  {where}  {what}" + (f": {detail}" if detail else ""))

    @contextlib.contextmanager
    def sandbox(self):
        # A fresh HOME and nothing else from the caller's environment: a CFLAGS
        # or an allowed list of the user's own would change what is shown.
        with tempfile.TemporaryDirectory(prefix="vornenv-doc-") as tmp:
            box = {name: os.path.join(tmp, name) for name in ("home", "data", "bin", "work")}
            os.makedirs(box["home"])
            os.makedirs(box["bin"])
            os.symlink(self.tool, os.path.join(box["bin"], "vornenv"))
            # Where stand-ins for files the examples only name are made, beside
            # a copy of the example's toolchain, which they find by their folder.
            shutil.copytree(os.path.join(self.root, "examples"), box["work"])
            box["env"] = {"PATH": box["bin"] + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"),
                          "HOME": box["home"], "XDG_DATA_HOME": box["data"]}
            yield box

    def run(self, shell, script, cwd, env, merge=False):
        # The quick start's build folder is build/; here the tool is the one tested.
        script = script.replace("build/cli/vornenv", "vornenv")
        p = subprocess.run([shell, "-c", script], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT if merge else subprocess.PIPE,
                           encoding="utf-8", errors="replace", timeout=60)
        return p.returncode, p.stdout, p.stderr or ""

    def transcript(self, where, lines):
        shown = []  # [command, output lines]
        for line in lines:
            if line.startswith("$ "):
                shown.append([line[2:], []])
            else:
                shown[-1][1].append(line)
        for command, expected in shown:
            # Run where the names it gives exist: the root, or a folder of examples/.
            folders = [self.root] + sorted(d for d, _, _ in os.walk(os.path.join(self.root, "examples")))
            files = INI_FILE.findall(command)
            cwd = next((d for d in folders if all(os.path.exists(os.path.join(d, f)) for f in files)), None)
            if cwd is None:
                self.report("FAIL", where, command, "names files that are nowhere under examples/")
                continue
            with self.sandbox() as box:
                # One pipe for both streams, so the lines come in the order the
                # tool writes them, as the README shows them. No status is shown,
                # so none is compared.
                _, out, _ = self.run("sh", command, cwd, box["env"], merge=True)
            out = out.replace(self.root, SHOWN_ROOT).splitlines()
            if out == expected:
                self.report("pass", where, command)
            else:
                diff = difflib.unified_diff(expected, out, "shown", "printed", lineterm="")
                self.report("FAIL", where, command, "output differs\n    " + "\n    ".join(diff))

    def command(self, where, script, prepare=None):
        first = script.splitlines()[0] + (" ..." if "\n" in script else "")
        if "Invoke-Expression" in script:
            return self.report("skip", where, first, NOT_RUN_LANG["powershell"])
        # The shell the line is for: fish's `| source`, the hook's own shell, else sh.
        hook = re.search(r"\b(?:hook|completion) (bash|zsh)\b", script)
        shell = "fish" if re.search(r"\|\s*source\b", script) else hook.group(1) if hook else "sh"
        if not shutil.which(shell):
            return self.report("skip", where, first, f"{shell} is not installed")
        with self.sandbox() as box:
            cwd = self.root
            for name in INI_FILE.findall(script):
                if name.startswith("~/"):
                    standin = os.path.join(box["home"], name[2:])
                elif "*" in name or not os.path.exists(os.path.join(self.root, name)):
                    # Named only as an illustration: the example file stands in.
                    cwd, standin = box["work"], os.path.join(box["work"], name)
                else:
                    continue
                if "*" not in name and not os.path.exists(standin):
                    os.makedirs(os.path.dirname(standin), exist_ok=True)
                    shutil.copy(os.path.join(self.root, "examples", "toolchain.ini"), standin)
            if prepare:
                cwd = prepare(box)
            # set -e: a failing command amid others must not pass unseen; one
            # failing inside eval "$(...)" only shows on stderr, so that must stay empty.
            status, _, err = self.run(shell, script if shell == "fish" else "set -e\n" + script,
                                      cwd, box["env"])
        if status or err:
            detail = f"exit status {status}" + (", and on stderr:\n    " if err else "")
            self.report("FAIL", where, first, detail + err.rstrip().replace("\n", "\n    "))
        else:
            self.report("pass", where, first)

    def commands(self, name, start, lines):
        # A block with a `...` line is one session whose later commands use
        # what the first ones set; in any other block each line stands alone.
        if any(line.strip() == "..." for line in lines):
            units = [(start, "\n".join(":" if line.strip() == "..." else line for line in lines))]
        else:
            units = [(start + i, line) for i, line in enumerate(lines) if line.strip()]
        for number, unit in units:
            where = f"{name}:{number}"
            reason = next((why for prefix, why in NOT_RUN.items() if unit.startswith(prefix)), None)
            if reason:
                self.report("not run", where, unit, reason)
            elif INVOKES_VORNENV.search(unit):
                self.command(where, unit)
            else:
                self.report("FAIL", where, unit, "neither runs vornenv nor is listed as not run")

    def description_file(self, where, lines):
        def prepare(box):
            with open(os.path.join(box["work"], "shown.ini"), "w", encoding="utf-8") as f:
                f.write("\n".join(lines) + "\n")
            # The README's file example keeps its tools in $(HOME)/tools.
            os.makedirs(os.path.join(box["home"], "tools", "bin"))
            return box["work"]
        self.command(where, "vornenv check shown.ini", prepare)

    def block(self, name, start, lang, lines):
        where = f"{name}:{start}"
        if lang in NOT_RUN_LANG:
            self.report("skip" if lang in ("powershell", "bat") else "not run", where, f"```{lang} block",
                        NOT_RUN_LANG[lang])
        elif lang == "ini":
            self.description_file(where, lines)
        elif lang in COMMAND_LANGS and lines and lines[0].startswith("$ "):
            self.transcript(where, lines)
        elif lang in COMMAND_LANGS and lines:
            self.commands(name, start, lines)
        else:
            self.report("FAIL", where, f"```{lang} block", "not known to this test: run it or list it as not run")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: examples.py VORNENV REPOSITORY")
    test = doctest(sys.argv[1], sys.argv[2])
    for block in readme_blocks(os.path.join(test.root, "README.md")) + \
            man_blocks(os.path.join(test.root, "doc", "vornenv.1")):
        test.block(*block)
    print(", ".join(f"{n} {status}" for status, n in test.counts.items()))
    # Finding nothing to run means the documents were not read as intended.
    return 1 if test.counts["FAIL"] or not test.counts["pass"] else 0


if __name__ == "__main__":
    sys.exit(main())
