#!/usr/bin/python3
"""What fills the shipping DLL, from the linker's map: the bytes of each
output section by where they came from.

    link_map.py <MelodyRibbon.map>

Prints a Markdown table: the plug-in's own objects, the import thunks (the
eight-byte jumps through the import table, one per imported function), and
each library of the compiler's runtime that still contributes anything.
"""
import collections
import re
import sys

SECTIONS = (".text", ".rdata", ".data", ".eh_frame", ".bss")
IMPORT_LIBS = re.compile(
    r"lib(kernel32|user32|shlwapi|msvcrt|ole32|oleaut32|psapi|advapi32)\.a", re.I)


def origin(obj):
    if obj.startswith("CMakeFiles/") or "objects.a(" in obj or obj.endswith(".obj"):
        return "the plug-in's own code"
    m = re.search(r"(lib[^/()]*\.a)", obj)
    if not m:
        return obj
    if IMPORT_LIBS.search(m.group(1)):
        return "import thunks and tables"
    return m.group(1)


def parse(path):
    sizes = collections.defaultdict(lambda: collections.defaultdict(int))
    section = None
    lines = open(path).read().split("\n")
    started = False
    for i, line in enumerate(lines):
        if line.startswith("Linker script and memory map"):
            started = True
            continue
        if not started:
            continue
        m = re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+", line)
        if m:
            section = m.group(1)
            continue
        # An input section: " .name addr size object", or the name alone
        # with the rest on the next line when the name is long.
        m = re.match(r"^ \.\S+\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if not m and re.match(r"^ \.\S+$", line) and i + 1 < len(lines):
            m = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", lines[i + 1])
        if m and section:
            sizes[section][origin(m.group(2).strip())] += int(m.group(1), 16)
    return sizes


def main():
    sizes = parse(sys.argv[1])
    origins = sorted({o for s in SECTIONS for o, n in sizes[s].items() if n},
                     key=lambda o: -sizes[".text"][o])
    print("| from | " + " | ".join(SECTIONS) + " |")
    print("|---|" + "---:|" * len(SECTIONS))
    for o in origins:
        print("| %s | %s |" % (o, " | ".join(str(sizes[s][o]) for s in SECTIONS)))
    print("| all | %s |" % " | ".join(str(sum(sizes[s].values())) for s in SECTIONS))


main()
