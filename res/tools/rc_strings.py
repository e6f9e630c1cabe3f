#!/usr/bin/python3
"""Reads the STRINGTABLEs of the English and the Japanese resource library sources and
writes them as a C++ table, for builds that have no Windows resources (the simulated
system's LoadStringA answers from it) and for the Windows tests, which compare what
LoadStringA returns with it.

    rc_strings.py --ids resource_ids.h --english ZelSATAResUS.rc --japanese ZelSATARes.rc
                  --output ui_string_table.h

The .rc files are UTF-8. English texts must be ASCII; Japanese texts are written in
code page 932, the bytes LoadStringA gives a program on a Japanese system. Every byte is
written as a \\xNN escape, so the generated file is plain ASCII.

The reader accepts the subset of the resource language that the sources use: numeric
#defines in the id header, and STRINGTABLE blocks of "ID, "text"" entries whose texts
use the escapes \\n, \\t, \\\\, \\" and "". Anything else in a STRINGTABLE is an error, so a
text cannot silently differ from what windres makes of it.
"""

import argparse
import re
import sys


class RcError(Exception):
    pass


def read_ids(path):
    ids = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*#\s*define\s+(\w+)\s+(\d+)\b", line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    return ids


_ESCAPES = {"n": "\n", "t": "\t", "\\": "\\", '"': '"'}


def tokens(text, path):
    """Yields (kind, value, line): kind is 'word', 'string' or 'punct'. Comments and
    preprocessor lines are skipped."""
    i, line, n = 0, 1, len(text)
    at_line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
            at_line_start = True
            continue
        if c in " \t\r":
            i += 1
            continue
        if at_line_start and c == "#":
            while i < n and text[i] != "\n":
                i += 1
            continue
        at_line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            if end < 0:
                raise RcError(f"{path}:{line}: unterminated comment")
            line += text.count("\n", i, end)
            i = end + 2
        elif c == '"':
            start_line = line
            value = []
            i += 1
            while True:
                if i >= n or text[i] == "\n":
                    raise RcError(f"{path}:{start_line}: unterminated string")
                c = text[i]
                if c == '"':
                    if i + 1 < n and text[i + 1] == '"':
                        value.append('"')
                        i += 2
                        continue
                    i += 1
                    break
                if c == "\\":
                    e = text[i + 1] if i + 1 < n else ""
                    if e not in _ESCAPES:
                        raise RcError(f"{path}:{line}: unsupported escape \\{e} in a string")
                    value.append(_ESCAPES[e])
                    i += 2
                    continue
                value.append(c)
                i += 1
            yield "string", "".join(value), start_line
        elif c.isalnum() or c == "_":
            start = i
            while i < n and (text[i].isalnum() or text[i] == "_"):
                i += 1
            yield "word", text[start:i], line
        else:
            i += 1
            yield "punct", c, line


def read_string_tables(path, ids):
    """All STRINGTABLE entries of an .rc file, as {id: text}."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    strings = {}
    stream = list(tokens(text, path))
    k = 0
    while k < len(stream):
        kind, value, line = stream[k]
        k += 1
        if not (kind == "word" and value == "STRINGTABLE"):
            continue
        # Optional statements (LANGUAGE ...) up to BEGIN or '{'.
        while k < len(stream) and stream[k][1] not in ("BEGIN", "{"):
            k += 1
        if k == len(stream):
            raise RcError(f"{path}:{line}: STRINGTABLE without BEGIN")
        k += 1
        while True:
            if k >= len(stream):
                raise RcError(f"{path}:{line}: STRINGTABLE without END")
            kind, value, line = stream[k]
            if value in ("END", "}") and kind != "string":
                k += 1
                break
            if kind != "word":
                raise RcError(f"{path}:{line}: expected a string id, found {value!r}")
            if value.isdigit():
                number = int(value)
            elif value in ids:
                number = ids[value]
            else:
                raise RcError(f"{path}:{line}: unknown string id {value}")
            k += 1
            if k < len(stream) and stream[k][0] == "punct" and stream[k][1] == ",":
                k += 1
            if k >= len(stream) or stream[k][0] != "string":
                raise RcError(f"{path}:{line}: expected the text of string {value}")
            if k + 1 < len(stream) and stream[k + 1][0] == "string":
                raise RcError(f"{path}:{line}: string {value}: write the text as one literal")
            if number in strings:
                raise RcError(f"{path}:{line}: string {number} defined twice")
            if not 0 <= number <= 0xFFFF:
                raise RcError(f"{path}:{line}: string id {number} out of range")
            strings[number] = stream[k][1]
            k += 1
    if not strings:
        raise RcError(f"{path}: no STRINGTABLE entries")
    return strings


def encode(texts, codec, path):
    encoded = {}
    for number, text in texts.items():
        try:
            encoded[number] = text.encode(codec)
        except UnicodeEncodeError as e:
            bad = text[e.start : e.end]
            raise RcError(f"{path}: string {number}: {bad!r} (U+{ord(bad[0]):04X}) has no {codec} code") from None
        # Only characters that come back as themselves: a "best fit" one (the wave dash
        # U+301C for the full-width tilde U+FF5E) is not what Windows stores for them.
        for character in text:
            if character.encode(codec).decode(codec) != character:
                raise RcError(f"{path}: string {number}: U+{ord(character):04X} has only a best-fit {codec} code")
    return encoded


def c_literal(data):
    return '"' + "".join(f"\\x{b:02x}" for b in data) + '"'


def generate(ids, english, japanese, sources):
    names = {}
    for name, number in ids.items():
        if name.startswith("IDS_"):
            names.setdefault(number, name)
    lines = [
        f"// Generated by res/tools/rc_strings.py from {' and '.join(sources)}: do not edit.",
        "// The string tables of the two user-interface libraries, as LoadStringA returns",
        "// them: English in ASCII, Japanese in code page 932. Sorted by id.",
        "#pragma once",
        "",
        "#include <cstddef>",
        "#include <cstdint>",
        "",
        "namespace zel::res::table {",
        "",
        "struct UiStringEntry {",
        "    std::uint32_t id;",
        "    const char* english;",
        "    const char* japanese;",
        "};",
        "",
        "inline constexpr UiStringEntry uiStrings[] = {",
    ]
    for number in sorted(english):
        shown = english[number].decode("ascii").replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")
        lines.append(f'    // {names.get(number, number)}: "{shown}"')
        lines.append(f"    {{{number}, {c_literal(english[number])},")
        lines.append(f"     {c_literal(japanese[number])}}},")
    lines += [
        "};",
        "",
        "inline constexpr std::size_t uiStringCount = sizeof uiStrings / sizeof uiStrings[0];",
        "",
        "} // namespace zel::res::table",
        "",
    ]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ids", required=True)
    parser.add_argument("--english", required=True)
    parser.add_argument("--japanese", required=True)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    ids = read_ids(args.ids)
    english_texts = read_string_tables(args.english, ids)
    japanese_texts = read_string_tables(args.japanese, ids)
    only_english = sorted(set(english_texts) - set(japanese_texts))
    only_japanese = sorted(set(japanese_texts) - set(english_texts))
    if only_english or only_japanese:
        raise RcError(f"the libraries differ: only in English {only_english}, only in Japanese {only_japanese}")
    english = encode(english_texts, "ascii", args.english)
    japanese = encode(japanese_texts, "cp932", args.japanese)

    sources = [re.split(r"[\\/]", p)[-1] for p in (args.english, args.japanese)]
    output = generate(ids, english, japanese, sources)
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write(output)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RcError, OSError) as e:
        print(f"rc_strings.py: {e}", file=sys.stderr)
        sys.exit(1)
