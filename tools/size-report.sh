#!/bin/sh
# Where the bytes of each shipped program go: its sections, the largest contributors (from
# the linker map the build leaves beside each program), ASLR and DEP, and its imports.
# Rewrites the generated part of docs/size.md and prints it.
# usage: tools/size-report.sh [BUILD_DIR]   (default build/win32)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
exec python3 - "$root" "${1:-$root/build/win32}" <<'EOF'
import os
import re
import struct
import subprocess
import sys

root, build = sys.argv[1], sys.argv[2]
PROGRAMS = [("remover/quorvel", 37376), ("restore/vantrel", 24576)]
BEGIN = "<!-- tools/size-report.sh writes from here -->"
END = "<!-- tools/size-report.sh writes up to here -->"
FILE_SECTIONS = [".text", ".rdata", ".data", ".eh_frame", ".idata", ".rsrc"]
DYNAMIC_BASE, NX_COMPAT, RELOCS_STRIPPED = 0x40, 0x100, 0x1


def pe_facts(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, stamp = struct.unpack_from("<HI", data, pe + 6)
    opt_size, characteristics = struct.unpack_from("<HH", data, pe + 20)
    opt = pe + 24
    pe32_plus = struct.unpack_from("<H", data, opt)[0] == 0x20B
    headers = struct.unpack_from("<I", data, opt + 60)[0]
    dll = struct.unpack_from("<H", data, opt + 70)[0]
    reloc_dir = struct.unpack_from("<II", data, opt + (112 if pe32_plus else 96) + 5 * 8)
    sections = []
    for i in range(count):
        name, vsize, _, raw = struct.unpack_from("<8sIII", data, opt + opt_size + 40 * i)
        sections.append((name.rstrip(b"\0").decode(), vsize, raw))
    return {"size": len(data), "stamp": stamp, "headers": headers, "sections": sections,
            "aslr": bool(dll & DYNAMIC_BASE), "dep": bool(dll & NX_COMPAT),
            "relocs": 0 if characteristics & RELOCS_STRIPPED else reloc_dir[1]}


def short_name(path):
    """A map's input file as a reader knows it: a source file of ours, or a runtime library."""
    path = path.strip()
    member = re.match(r"(.*)\((.*)\)$", path)
    if member and member.group(2).endswith(".obj"):  # one of our static libraries
        return os.path.join(os.path.dirname(member.group(1)), member.group(2)).removesuffix(".obj")
    if member:
        return "runtime: " + os.path.basename(member.group(1))
    if path == "dll stuff":
        return "linker: relocations"
    if path.endswith(".ltrans.o"):
        return "our code, optimised as a whole"
    if "/CMakeFiles/" in path:  # an object of the program itself
        folder, inside = path.split("/CMakeFiles/", 1)
        inside = inside.split(".dir/", 1)[1]
        while inside.startswith("__/"):
            folder, inside = os.path.dirname(folder), inside[3:]
        return os.path.join(folder, inside).removesuffix(".obj").removesuffix(".res")
    return "runtime: " + os.path.basename(path)


def read_map(path):
    """(output section, input section, input file, bytes) of every piece the linker placed."""
    pieces, output, pending = [], None, None
    with open(path) as lines:
        for line in lines:
            if line.startswith("Linker script and memory map"):
                break
        for line in lines:
            line = line.rstrip("\n")
            top = re.match(r"(\.\S+)(\s|$)", line)
            if top:
                output = top.group(1)
                continue
            if pending:
                wrapped = re.match(r"\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
                if wrapped:
                    pieces.append((output, pending, short_name(wrapped.group(2)),
                                   int(wrapped.group(1), 16)))
                pending = None
                continue
            piece = re.match(r" (\.\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            if piece:
                pieces.append((output, piece.group(1), short_name(piece.group(3)),
                               int(piece.group(2), 16)))
            elif re.match(r" \.\S+$", line):
                pending = line.strip()
    return [p for p in pieces if p[3]]


def demangle(names):
    try:
        out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True,
                             text=True, check=True).stdout.splitlines()
        return out if len(out) == len(names) else names
    except OSError:
        return names


def imports(path):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], capture_output=True,
                         text=True, check=True).stdout
    result, dll = [], None
    for line in out.splitlines():
        found = re.match(r"\tDLL Name: (\S+)", line)
        if found:
            dll = [found.group(1), []]
            result.append(dll)
        elif dll and re.match(r"\t[ 0-9a-f]+\t +[0-9]+ +\S", line):
            words = line.split()
            dll[1].append("#" + words[1] if words[-1] == "<none>" else words[-1])
        elif dll and not line.strip():
            dll = None
    return result


def report(program, goal):
    exe = os.path.join(build, program + ".exe")
    name = os.path.basename(exe)
    if not os.path.exists(exe):
        return [f"## {name}", "", "Not built.", ""]
    facts = pe_facts(exe)
    within = "within" if facts["size"] <= goal else "**over**"
    out = [f"## {name}: {facts['size']:,} bytes", "",
           f"Goal {goal:,} bytes: {within}. "
           f"ASLR (`DYNAMIC_BASE`): {'on' if facts['aslr'] else '**off**'}; "
           f"DEP (`NX_COMPAT`): {'on' if facts['dep'] else '**off**'}; "
           f"relocations for ASLR: {facts['relocs']:,} bytes; "
           f"time stamp: {facts['stamp'] or 'none'}.", "",
           "| Section | In memory | In the file |", "|---|---:|---:|",
           f"| headers | | {facts['headers']:,} |"]
    for section, vsize, raw in facts["sections"]:
        out.append(f"| `{section}` | {vsize:,} | {raw:,} |")
    out.append("")

    map_path = os.path.join(build, program + ".map")
    if not os.path.exists(map_path):
        return out + ["No linker map beside the program: build it again.", ""]
    pieces = [p for p in read_map(map_path) if p[0] != ".bss"]
    by_file = {}
    for output, _, source, size in pieces:
        row = by_file.setdefault(source, {})
        key = output if output in FILE_SECTIONS else "other"
        row[key] = row.get(key, 0) + size
    columns = FILE_SECTIONS + ["other"]
    out += ["Largest contributors (bytes placed by the linker, before the file's 512-byte "
            "alignment of each section):", "",
            "| From | " + " | ".join(f"`{c}`" if c != "other" else c for c in columns)
            + " | Total |", "|---|" + "---:|" * (len(columns) + 1)]
    ranked = sorted(by_file.items(), key=lambda item: -sum(item[1].values()))
    for source, row in ranked[:12]:
        cells = " | ".join(f"{row[c]:,}" if c in row else "" for c in columns)
        out.append(f"| {source} | {cells} | {sum(row.values()):,} |")
    rest = sum(sum(row.values()) for _, row in ranked[12:])
    out += [f"| {len(ranked) - 12} others | " + " | " * len(columns) + f"{rest:,} |", ""]

    ours = [(size, piece[len(".text$"):], source) for output, piece, source, size in pieces
            if output == ".text" and piece.startswith(".text$")]
    ours.sort(reverse=True)
    ours = ours[:8]
    names = demangle([name for _, name, _ in ours])
    out += ["Largest functions of our own:", "", "| Function | From | Bytes |", "|---|---|---:|"]
    out += [f"| `{n}` | {source} | {size:,} |" for (size, _, source), n in zip(ours, names)]
    out += ["", "Imports (`#` an ordinal):", ""]
    out += [f"- {dll} ({len(f)}): {' '.join(f)}" for dll, f in imports(exe)]
    out.append("")
    return out


lines = [BEGIN, ""]
for program, goal in PROGRAMS:
    lines += report(program, goal)
lines.append(END)
generated = "\n".join(lines) + "\n"
print(generated, end="")

doc = os.path.join(root, "docs", "size.md")
text = open(doc).read() if os.path.exists(doc) else "# Program sizes\n\n" + BEGIN + END + "\n"
head, found, tail = text.partition(BEGIN)
if not found:
    head, tail = text.rstrip("\n") + "\n\n", END
tail = tail.partition(END)[2]
open(doc, "w").write(head + generated + tail.lstrip("\n"))
EOF
