#!/usr/bin/env python3
"""Checks that includes point down the folder layout and never run in a circle.

app -> ui -> win -> core, syslib; the plug-in shares only the settings layout
and the file helper; core/ stays free of Windows headers. Prints each
offending include and exits 1; run from anywhere.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ALLOWED = {
    "core": {"core"},
    "syslib": {"syslib"},
    "win": {"win", "core", "syslib"},
    "ui": {"ui", "win", "core", "res"},
    "app": {"app", "ui", "win", "core", "res"},
    "plugin": {"plugin", "core/plugin_settings.h", "win/replace_file.h"},
}
SEARCH = ["core", "win", "plugin"]   # the include directories CMake adds
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def sources():
    for folder in ALLOWED:
        for base, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    yield os.path.relpath(os.path.join(base, name), ROOT)


def resolve(source, target):
    for base in [os.path.dirname(source)] + SEARCH:
        path = os.path.normpath(os.path.join(base, target))
        if os.path.isfile(os.path.join(ROOT, path)):
            return path
    # Made by the build from cmake/NAME.in (the version numbers).
    if os.path.isfile(os.path.join(ROOT, "cmake", target + ".in")):
        return os.path.join("cmake", target)
    return None


def allowed(source, target):
    if target.startswith("cmake" + os.sep):
        return True
    rules = ALLOWED[source.split(os.sep)[0]]
    return target.split(os.sep)[0] in rules or target in rules


problems, edges = [], {}
for source in sorted(sources()):
    with open(os.path.join(ROOT, source), encoding="latin-1") as f:
        text = f.read()
    edges[source] = []
    for kind, name in INCLUDE.findall(text):
        if kind == "<":
            if source.startswith("core" + os.sep) and name.lower() == "windows.h":
                problems.append(f"{source}: <windows.h> in portable code")
            continue
        target = resolve(source, name)
        if target is None:
            problems.append(f"{source}: cannot find {name}")
        elif not allowed(source, target):
            problems.append(f"{source}: includes {target}, against the layout")
        else:
            edges[source].append(target)


def find_cycle():
    state = {}

    def visit(node, path):
        state[node] = 1
        for nxt in edges.get(node, []):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt] if nxt in path else [node, nxt]
            if nxt not in state:
                found = visit(nxt, path + [nxt])
                if found:
                    return found
        state[node] = 2
        return None

    for node in edges:
        if node not in state:
            found = visit(node, [node])
            if found:
                return found
    return None


cycle = find_cycle()
if cycle:
    problems.append("include circle: " + " -> ".join(cycle))
for p in problems:
    print("includes:", p)
sys.exit(1 if problems else 0)
