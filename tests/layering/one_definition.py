#!/usr/bin/env python3
"""No program of a build tree takes a symbol from two places: usage one_definition.py BUILD_DIR.

Reads the link command of every program (CMake's Makefile generator) and lists with nm what
each object file and static library on it defines. A symbol defined by two of them (a test file and
a library it links, or two libraries) fails: that program links only while the linker never pulls
in the second. Weak definitions (inline functions, templates) may repeat and are left out.
"""

import os
import re
import shlex
import subprocess
import sys

# nm's letters for definitions the linker takes once; weak (W, V), unique (u) and common (C) may repeat
STRONG = set("TDBRGSA")
DEFINITION = re.compile(r"^(.+) ([A-Za-z]) [0-9a-f]*(?: [0-9a-f]+)?$")


def makefile_links(build):
    """(program, working folder, command words) for every program the Makefiles link."""
    for folder, _, files in os.walk(build):
        if folder.endswith(".dir") and "link.txt" in files:
            with open(os.path.join(folder, "link.txt")) as f:
                words = shlex.split(f.readline())
            if "-o" in words and os.path.basename(words[0]) not in ("ar", "ranlib"):
                # link.txt runs from the folder that holds CMakeFiles
                yield words[words.index("-o") + 1], os.path.dirname(os.path.dirname(folder)), words


def strong_definitions(path):
    """The demangled symbols that an object file or archive defines for the linker to take once."""
    listing = subprocess.run(["nm", "-g", "-C", "--defined-only", "-P", path], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    if listing.returncode != 0:
        raise SystemExit("nm cannot read %s: %s" % (path, listing.stderr.strip()))
    # "name type value [size]" lines, where a demangled name may hold spaces
    found = (DEFINITION.match(line) for line in listing.stdout.splitlines())
    return {match.group(1) for match in found if match and match.group(2) in STRONG}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    if not os.path.exists(os.path.join(build, "Makefile")):
        sys.exit("%s holds no Makefile: configure it with CMake's Makefile generator" % build)
    links = list(makefile_links(build))
    if not links:
        sys.exit("%s: no program's link command found" % build)
    defined = {}
    clashes = 0
    for program, work, words in sorted(links):
        where = {}
        inputs = [os.path.normpath(os.path.join(work, w)) for w in words[1:] if w.endswith((".o", ".a"))]
        for path in dict.fromkeys(inputs):
            if path not in defined:
                defined[path] = strong_definitions(path)
            for symbol in defined[path]:
                where.setdefault(symbol, []).append(os.path.relpath(path, build))
        for symbol, paths in sorted(where.items()):
            if len(paths) > 1:
                clashes += 1
                print("%s: %s is defined by %s" % (program, symbol, " and ".join(paths)))
    print("%d programs checked, %d symbols defined twice" % (len(links), clashes))
    return 1 if clashes else 0


if __name__ == "__main__":
    sys.exit(main())
