#!/usr/bin/env python3
"""Would these PE files load on the oldest Windows their build supports?

Reads each file's header and import table (objdump -p) and fails on:
- an operating-system or subsystem version other than the pinned one (5.0 for i686:
  Windows 2000; 5.2 for x86_64: XP x64 / Server 2003);
- an import from a DLL that has no export list here, or a function that DLL does not
  export on that system: for x86_64 the Server 2003 x64 list, for i686 the XP list less
  what Windows 2000 lacks (nt5/README.md says where every list comes from);
- an import by ordinal, except comctl32's ordinals of the Windows 2000 era;
- a code file (--code) with no imports at all: the dump was not understood.

usage: check_imports.py --arch i686|x86_64 --objdump OBJDUMP [--code FILE...] [--resources FILE...]
"""
import argparse
import os
import re
import subprocess
import sys

LISTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "nt5")
PINNED = {"i686": (5, 0), "x86_64": (5, 2)}
FORMAT = {"i686": "pei-i386", "x86_64": "pei-x86-64"}
SYSTEM = {"i686": "Windows 2000 / XP", "x86_64": "XP x64 / Server 2003 x64"}


def read_list(path):
    if not os.path.exists(path):
        return None
    with open(path, encoding="ascii") as f:
        return {line.strip() for line in f if line.strip()}


def exports(arch, dll, cache={}):
    """The names `dll` exports on the oldest system of `arch`, or None without a list."""
    key = (arch, dll)
    if key not in cache:
        names = read_list(os.path.join(LISTS, arch, dll + ".txt"))
        if names is not None and arch == "i686":
            names -= read_list(os.path.join(LISTS, "i686-win2000-deny", dll + ".txt")) or set()
        cache[key] = names
    return cache[key]


def comctl32_ordinals():
    with open(os.path.join(LISTS, "comctl32-ordinals.txt"), encoding="ascii") as f:
        return {int(line.split()[0]) for line in f if line.strip()}


def parse(dump):
    """Header versions, file format and the imports as (dll, name or None, ordinal)."""
    fields = dict(re.findall(r"^(M(?:aj|in)or(?:OSystem|Subsystem)Version)\s+(\d+)", dump, re.M))
    fmt = re.search(r"file format (\S+)", dump)
    imports = []
    dll = None
    in_imports = False
    for line in dump.splitlines():
        if line.startswith("The Import Tables"):
            in_imports = True
            continue
        if in_imports and re.match(r"^(The |PE File Base|Exception Handling)", line):
            in_imports = False
        if not in_imports:
            continue
        m = re.match(r"^\tDLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower().removesuffix(".dll")
            continue
        # "\t<hint-name rva>\t <hint> <name>", or "<none>" as the name of an ordinal import.
        m = re.match(r"^\t([0-9a-fA-F]+)\s+(\d+)\s+(\S+)", line)
        if m and dll:
            if m.group(3) == "<none>":
                imports.append((dll, None, int(m.group(1)[-4:], 16)))
            else:
                imports.append((dll, m.group(3), None))
    version = lambda kind: (int(fields.get("Major" + kind, -1)), int(fields.get("Minor" + kind, -1)))
    return version("OSystemVersion"), version("SubsystemVersion"), fmt.group(1) if fmt else "", imports


def check(arch, objdump, path, code):
    name = os.path.basename(path)
    result = subprocess.run([objdump, "-p", path], capture_output=True, text=True)
    if result.returncode != 0:
        return [f"{name}: objdump failed: {result.stderr.strip()}"]
    os_version, subsystem, fmt, imports = parse(result.stdout)
    problems = []
    if fmt != FORMAT[arch]:
        problems.append(f"{name}: file format {fmt or 'unknown'}, expected {FORMAT[arch]}")
    for what, got in (("operating-system", os_version), ("subsystem", subsystem)):
        if got != PINNED[arch]:
            problems.append(f"{name}: {what} version {got[0]}.{got[1]}, pinned at {PINNED[arch][0]}.{PINNED[arch][1]}")
    if code and not imports:
        problems.append(f"{name}: no imports read from its import table")
    for dll, function, ordinal in imports:
        names = exports(arch, dll)
        if names is None:
            problems.append(f"{name}: imports from {dll}.dll, which has no export list")
        elif function is None:
            if dll != "comctl32" or ordinal not in comctl32_ordinals():
                problems.append(f"{name}: {dll}.dll ordinal {ordinal} is not known on {SYSTEM[arch]}")
        elif function not in names:
            problems.append(f"{name}: {dll}.dll!{function} is missing on {SYSTEM[arch]}")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=sorted(PINNED), required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--code", nargs="*", default=[])
    parser.add_argument("--resources", nargs="*", default=[])
    args = parser.parse_args()
    problems = []
    for path in args.code:
        problems += check(args.arch, args.objdump, path, True)
    for path in args.resources:
        problems += check(args.arch, args.objdump, path, False)
    for problem in problems:
        print(problem)
    count = len(args.code) + len(args.resources)
    print(f"{count} files checked against {SYSTEM[args.arch]}: {len(problems)} problems")
    return 1 if problems or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
