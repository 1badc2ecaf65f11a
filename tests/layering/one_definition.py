#!/usr/bin/env python3
"""Every program of a build tree links each of its functions and variables from one place.

For each program the build links (tests, benchmarks and tools included), reads the link command the
build system runs, takes the object files and static libraries on it, and lists with nm the symbols
each of them defines. A symbol defined by two of them (a test file and a library it links, or two
libraries) fails the check: such a program links only while the linker happens not to pull in the
second definition, and one more call into that library breaks the build. Weak definitions (inline
functions, templates) are meant to come from many places and are left out.

    one_definition.py BUILD_DIR

Knows the link commands of CMake's Makefile and Ninja generators; with any other it fails.
"""

import os
import shlex
import subprocess
import sys

# nm's letters for a definition the linker takes only once: code, data, zero-filled and read-only
# data, small data and an absolute symbol. Weak (W, V), unique (u) and common (C) symbols may repeat.
STRONG = set("TDBRGSA")


def makefile_links(build):
    """(program, working folder, command) for every executable the Makefiles link."""
    for folder, dirs, files in os.walk(build):
        if "link.txt" not in files or not folder.endswith(".dir"):
            continue
        with open(os.path.join(folder, "link.txt")) as f:
            command = f.read().split("\n")[0]
        words = shlex.split(command)
        if not words or os.path.basename(words[0]) in ("ar", "ranlib") or "-o" not in words:
            continue  # a static library's archive step
        if "-shared" in words:
            continue
        # link.txt runs from the folder that holds CMakeFiles
        work = os.path.dirname(os.path.dirname(folder))
        yield words[words.index("-o") + 1], work, words


def ninja_links(build):
    """(program, working folder, command) for every executable build.ninja links."""
    targets = subprocess.run(["ninja", "-C", build, "-t", "targets", "all"], stdout=subprocess.PIPE,
                             text=True, check=True).stdout
    for line in targets.splitlines():
        output, _, rule = line.rpartition(": ")
        if "EXECUTABLE_LINKER" not in rule:
            continue
        commands = subprocess.run(["ninja", "-C", build, "-t", "commands", "-s", output],
                                  stdout=subprocess.PIPE, text=True, check=True).stdout
        # the link line chains steps with &&: keep the one that writes the program
        for part in commands.strip().splitlines()[-1].split(" && "):
            words = shlex.split(part)
            if "-o" in words and words[words.index("-o") + 1] == output:
                yield output, build, words


def inputs_of(words, work):
    """The object files and static libraries on a link command, as absolute paths."""
    found = []
    for word in words[1:]:
        if word.endswith((".o", ".obj", ".a")) and not word.startswith("-"):
            path = word if os.path.isabs(word) else os.path.normpath(os.path.join(work, word))
            if path not in found:
                found.append(path)
    return found


def strong_definitions(path):
    """The symbols path (an object file or an archive) defines once-only, demangled."""
    listing = subprocess.run(["nm", "-g", "-C", "--defined-only", "-P", path], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    if listing.returncode != 0:
        raise RuntimeError("nm cannot read %s: %s" % (path, listing.stderr.strip()))
    symbols = set()
    for line in listing.stdout.splitlines():
        if line.endswith(":") or not line.strip():
            continue  # an archive member's heading
        # "name type value size", where a demangled name may hold spaces
        fields = line.rsplit(" ", 3)
        name, kind = (fields[0], fields[1]) if len(fields) == 4 else line.rsplit(" ", 2)[:2]
        if kind in STRONG:
            symbols.add(name)
    return symbols


def clashes(words, work, cache):
    """{symbol: [inputs that define it]} for every symbol two inputs of one link both define."""
    where = {}
    for path in inputs_of(words, work):
        if path not in cache:
            cache[path] = strong_definitions(path)
        for symbol in cache[path]:
            where.setdefault(symbol, []).append(path)
    return {symbol: paths for symbol, paths in where.items() if len(paths) > 1}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    if os.path.exists(os.path.join(build, "build.ninja")):
        links = list(ninja_links(build))
    elif os.path.exists(os.path.join(build, "Makefile")):
        links = list(makefile_links(build))
    else:
        sys.exit("%s: neither a Makefile nor a build.ninja; no link command to read" % build)
    if not links:
        sys.exit("%s: no program's link command found" % build)

    cache = {}
    failed = 0
    for program, work, words in sorted(links):
        found = clashes(words, work, cache)
        for symbol, paths in sorted(found.items()):
            failed += 1
            print("%s: %s is defined by %s" % (program, symbol, " and ".join(os.path.relpath(p, build) for p in paths)))
    print("%d programs checked, %d symbols defined twice" % (len(links), failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
