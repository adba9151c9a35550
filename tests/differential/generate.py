#!/usr/bin/env python3
"""Writes description files that mix what the reader and the sections must
agree on between platforms, from a seed, so that a run can be repeated.

    generate.py SEED COUNT FOLDER

Each file's name begins with the tags of the documented differences between
platforms that it may show (README, "Windows: characters and commands"):

    case   names that differ only in letter case (Windows folds them)
    bytes  bytes that are not UTF-8 (the Windows host's code page refuses them)
    long   a value near the longest a variable holds (32,766 characters on
           Windows, 131,072 bytes on Linux)

The folders that path sections name are made under FOLDER/dirs.
"""

import os
import random
import sys

# Folders that path sections name: plain, with a blank, and outside ASCII.
DIRS = ["d0", "d1", "d2", "two words", "\u0395\u03bb\u03ad\u03bd\u03b7", "\u7528\u6237"]
KNOWN = ["Environment", "Executable Paths", "Library Paths"]
NEAR = ["environment", "Enviroment", "Executable Path", "Settings", "Tools"]
NONASCII = ["caf\u00e9", "\u00dcber", "\u0395\u03bb\u03ad\u03bd\u03b7", "\u7528\u6237", "\U0001f600"]
# Variables the run sets on both sides, exactly so.
PRESET = ["DIFF_SET", "DIFF_SPACE", "DIFF_TEXT"]
LONGEST = 32766


class filewriter:
    """One file: its lines as bytes, and the tags of what it holds."""

    def __init__(self, rng):
        self.rng = rng
        self.lines = []
        self.tags = set()
        self.defined = []  # names set so far, in order
        self.sections = set()

    def name(self):
        r = self.rng.random()
        if r < 0.06:
            self.tags.add("case")
            if self.defined:
                base = self.rng.choice(self.defined)
                return base.swapcase() if base.swapcase() != base else base + "x"
        if r < 0.10:
            return "V_" + self.rng.choice(NONASCII) + str(self.rng.randrange(100))
        if r < 0.12:
            return "bad-name" + str(self.rng.randrange(100))
        return "V%d_%s" % (self.rng.randrange(1000), self.rng.choice("abcXYZ"))

    def reference(self):
        r = self.rng.random()
        if r < 0.35 and self.defined:
            return "$(%s)" % self.rng.choice(self.defined)
        if r < 0.55:
            return "$(%s)" % self.rng.choice(PRESET)
        if r < 0.62:
            return "$(DIFF_UNSET%d)" % self.rng.randrange(5)
        if r < 0.68:
            return "$(VORNENV_DIR)"
        if r < 0.72:
            return "$("  # unterminated: plain text
        return "$"

    def value(self, selfname):
        parts = []
        for _ in range(self.rng.randrange(1, 4)):
            r = self.rng.random()
            if r < 0.35:
                parts.append(self.reference())
            elif r < 0.45:
                parts.append("a;b ; c")  # ';' is text, not a comment
            elif r < 0.52:
                parts.append('"quoted value"')
            elif r < 0.62:
                parts.append(self.rng.choice(NONASCII))
            elif r < 0.66:
                self.tags.add("bytes")
                parts.append(self.rng.choice([b"caf\xe9", b"\xff\xfe", b"\xc3"]))
            elif r < 0.69:
                parts.append("$(%s)" % selfname)  # refers to itself
            elif r < 0.72:
                parts.append("x = y")  # a second '=' makes the line no entry
            else:
                parts.append("text%d" % self.rng.randrange(1000))
        out = b""
        for p in parts:
            out += p if isinstance(p, bytes) else p.encode("utf-8")
        return out

    def longvalue(self):
        self.tags.add("long")
        size = self.rng.choice([LONGEST - 1, LONGEST, LONGEST + 1, 40000, 131073])
        fill = self.rng.choice(["v", "\u00e9", "\U0001f600"])
        # Characters of fill, about size UTF-16 units on Windows.
        per = 2 if fill == "\U0001f600" else 1
        return (fill * max(1, size // per)).encode("utf-8")

    def pathvalue(self):
        r = self.rng.random()
        d = self.rng.choice(DIRS)
        if r < 0.5:
            return ("$(VORNENV_DIR)/dirs/" + d).encode("utf-8")
        if r < 0.7:
            return ("dirs/" + d).encode("utf-8")
        if r < 0.8:
            return b"dirs/missing%d" % self.rng.randrange(10)
        if r < 0.85:
            self.tags.add("bytes")
            return b"dirs/caf\xe9"
        if r < 0.9:
            return b"//server/share/x"  # a share is absolute, and missing
        return ("$(VORNENV_DIR)//dirs/./" + d + "/").encode("utf-8")

    def section(self):
        r = self.rng.random()
        fresh = [k for k in KNOWN if k.encode("utf-8") not in self.sections]
        if r < 0.05 and self.sections:
            name = self.rng.choice(sorted(self.sections))  # a repeated section fails
        elif r < 0.75 and fresh:
            name = self.rng.choice(fresh).encode("utf-8")
        else:
            name = self.rng.choice(NEAR).encode("utf-8")
        self.sections.add(name)
        pad = self.rng.choice([b"", b" ", b"\t"])
        self.lines.append(pad + b"[" + pad + name + pad + b"]")
        entries = self.rng.randrange(0, 6)
        for _ in range(entries):
            self.blank()
            if name in (b"Executable Paths", b"Library Paths"):
                key = "p%d" % self.rng.randrange(50)
                val = self.pathvalue()
            else:
                key = self.name()
                val = self.longvalue() if self.rng.random() < 0.04 else self.value(key)
                if self.rng.random() < 0.01:
                    self.tags.add("long")
                    key = "N" * self.rng.choice([LONGEST, LONGEST + 1])
            sep = self.rng.choice([b"=", b" = ", b"\t=\t", b"= "])
            self.lines.append(key.encode("utf-8") + sep + val)
            if name == b"Environment":
                self.defined.append(key)

    def blank(self):
        r = self.rng.random()
        if r < 0.15:
            self.lines.append(self.rng.choice([b"", b"  ", b"\t", b"; comment", b"  ;x=y", b";"]))
        elif r < 0.17:
            self.lines.append(b"# not a comment")

    def text(self):
        for _ in range(self.rng.randrange(1, 5)):
            self.blank()
            self.section()
        ending = self.rng.choice([b"\n", b"\r\n", None])
        out = b""
        for line in self.lines:
            out += line + (ending if ending is not None else self.rng.choice([b"\n", b"\r\n"]))
        if self.rng.random() < 0.2:
            out = out.rstrip(b"\r\n")  # a last line without its end
        return out


def main():
    seed, count, folder = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    os.makedirs(os.path.join(folder, "dirs"), exist_ok=True)
    for d in DIRS:
        os.makedirs(os.path.join(folder, "dirs", d), exist_ok=True)
    rng = random.Random(seed)
    for i in range(count):
        w = filewriter(rng)
        data = w.text()
        tags = "-".join(sorted(w.tags))
        name = "gen%04d%s.ini" % (i, "-" + tags if tags else "")
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
