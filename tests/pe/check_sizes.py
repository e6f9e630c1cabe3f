#!/usr/bin/env python3
"""Do the delivered files fit their size budget?

Each program or library (.exe, .dll) may be at most --file-budget bytes (256 KiB), and all
the files of one architecture's delivery together at most --total-budget bytes (1 MiB).
Prints every file's size; fails naming each file or total over its budget.

usage: check_sizes.py [--file-budget N] [--total-budget N] FILE_OR_DIRECTORY...
(a directory counts every file below it)
"""
import argparse
import os
import sys


def files_of(paths):
    for path in paths:
        if os.path.isdir(path):
            for root, _, names in os.walk(path):
                for name in sorted(names):
                    yield os.path.join(root, name)
        else:
            yield path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--file-budget", type=int, default=256 * 1024)
    parser.add_argument("--total-budget", type=int, default=1024 * 1024)
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()

    faults = []
    total = 0
    for path in files_of(args.paths):
        if not os.path.isfile(path):
            faults.append(f"{path}: missing")
            continue
        size = os.path.getsize(path)
        total += size
        binary = path.lower().endswith((".exe", ".dll"))
        print(f"{size:>9,}  {os.path.basename(path)}" + (f"  (budget {args.file_budget:,})" if binary else ""))
        if binary and size > args.file_budget:
            faults.append(f"{os.path.basename(path)}: {size:,} bytes, over its budget of {args.file_budget:,}")
    print(f"{total:>9,}  in all (budget {args.total_budget:,})")
    if total > args.total_budget:
        faults.append(f"all files: {total:,} bytes, over the budget of {args.total_budget:,}")
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
