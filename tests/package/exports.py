#!/usr/bin/env python3
"""Holds the .def file to the library's exported C functions: every C name
the library exports is listed, and every name listed is exported.

    exports.py DEF LIBRARY TOOL

TOOL is nm for a shared object, objdump for a DLL (its export table).
C++ names (mangled, _Z...) are not the .def file's business.
"""

import re
import subprocess
import sys

deffile, library, tool = sys.argv[1:4]

listed, inexports = set(), False
with open(deffile, encoding="ascii") as f:
    for line in f:
        line = line.split(";", 1)[0].strip()
        if line == "EXPORTS":
            inexports = True
        elif line and inexports:
            listed.add(line.split()[0])

if library.endswith(".dll"):
    text = subprocess.run([tool, "-p", library], check=True, capture_output=True,
                          text=True).stdout
    table = text.split("[Ordinal/Name Pointer] Table", 1)[1]
    names = re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", table, re.M)
else:
    text = subprocess.run([tool, "-D", "--defined-only", library], check=True,
                          capture_output=True, text=True).stdout
    names = [m.group(1) for m in re.finditer(r"^\S+ [TW] (\S+)$", text, re.M)]
exported = {n for n in names if not n.startswith("_Z")}

if not listed:
    sys.exit(f"{deffile}: no names under EXPORTS")
missing, unlisted = sorted(listed - exported), sorted(exported - listed)
for name in missing:
    print(f"{deffile}: {name} is listed but {library} does not export it")
for name in unlisted:
    print(f"{deffile}: {library} exports {name}, which is not listed")
print(f"{len(exported)} C functions exported, {len(listed)} listed")
sys.exit(1 if missing or unlisted else 0)
