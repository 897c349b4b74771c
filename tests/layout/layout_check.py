#!/usr/bin/env python3
"""The layout's rules, checked on the source tree: prints each broken one and fails.

- The platform folder's root holds only the ports' headers.
- Only the implementations of the ports (platform/<kind>/) and the Win32 front end (win32/)
  include the operating system's headers; nothing but the Qt front end and its folder sees Qt.
- The run, the display, the text rules and the command line reach the engine and the outside
  services through the ports' headers only.
- No include cycle, between files or between modules (a header with its source file; a port
  with its implementations).
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
SOURCE_DIRS = ["about", "app", "cli", "display", "fileutil", "filter", "front", "platform", "text",
               "win32"]
OS_HEADERS = re.compile(
    r"#include <(unistd|fcntl|pwd|dlfcn|langinfo|locale|signal|pthread|windows|shlobj|"
    r"sys/[a-z_]+)\.h>")
QT_HEADER = re.compile(r"#include <Q")
PROJECT_INCLUDE = re.compile(r'#include "([^"]+)"')
IMPLEMENTATION_KINDS = ["posix", "icu", "qt", "libreoffice", "windows"]
# Folders whose files may see the OS: the ports' implementations, and the Win32 front end as
# the Qt one sees Qt.
OS_ALLOWED = [f"platform/{k}/" for k in IMPLEMENTATION_KINDS] + ["win32/"]
QT_ALLOWED = ["app/", "about/", "platform/qt/"]
# Who may include a platform header below the root: the front ends build on their own kind,
# and a program's start puts the real services together.
DEEP_PLATFORM_ALLOWED = {
    "app/": ["platform/qt/"],
    "about/": ["platform/qt/"],
    "win32/": ["platform/windows/"],
    "app/main.cpp": ["platform/libreoffice/spreadsheet_module.h"],
    "cli/sorbel_filter_main.cpp": ["platform/libreoffice/spreadsheet_module.h"],
}


def sources():
    for d in SOURCE_DIRS:
        for path in sorted((ROOT / d).rglob("*")):
            if path.suffix in (".h", ".cpp") and path.is_file():
                yield path.relative_to(ROOT).as_posix()


def includes(rel):
    return PROJECT_INCLUDE.findall((ROOT / rel).read_text(encoding="utf-8"))


def module_of(rel):
    """A port's implementations belong to the port; a helper header of one kind's
    implementations (None) to whoever includes it."""
    stem = rel.rsplit(".", 1)[0]
    parts = stem.split("/")
    if len(parts) == 3 and parts[0] == "platform" and parts[1] in IMPLEMENTATION_KINDS:
        port = f"platform/{parts[2]}"
        if (ROOT / (port + ".h")).exists():
            return port
        if rel.endswith(".h") and not (ROOT / (stem + ".cpp")).exists():
            return None
    return stem


def find_cycle(graph):
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    faults = []
    files = list(sources())
    for rel in files:
        if rel.startswith("platform/") and rel.count("/") == 1 and not rel.endswith(".h"):
            faults.append(f"{rel}: the platform folder's root holds only the ports' headers")
        text = (ROOT / rel).read_text(encoding="utf-8")
        if OS_HEADERS.search(text) and not any(rel.startswith(a) for a in OS_ALLOWED):
            faults.append(f"{rel}: calls the operating system outside the ports' implementations")
        if QT_HEADER.search(text) and not any(rel.startswith(a) for a in QT_ALLOWED):
            faults.append(f"{rel}: includes Qt outside the Qt front end")
        for inc in includes(rel):
            if not inc.startswith("platform/") or inc.count("/") == 1:
                continue
            if rel.startswith("platform/"):
                continue
            allowed = [p for key, ps in DEEP_PLATFORM_ALLOWED.items() if rel.startswith(key)
                       for p in ps]
            if not any(inc.startswith(a) for a in allowed):
                faults.append(f"{rel}: includes {inc}; only the ports' headers are for it")
    file_graph = {rel: {i for i in includes(rel) if (ROOT / i).exists()} for rel in files}
    cycle = find_cycle(file_graph)
    if cycle:
        faults.append("include cycle between files: " + " -> ".join(cycle))
    def reached(rel, seen):
        for inc in file_graph.get(rel, ()):
            if module_of(inc) is not None:
                yield module_of(inc)
            elif inc not in seen:
                seen.add(inc)
                yield from reached(inc, seen)

    module_graph = {}
    for rel in files:
        m = module_of(rel)
        if m is not None:
            module_graph.setdefault(m, set()).update(x for x in reached(rel, set()) if x != m)
    cycle = find_cycle(module_graph)
    if cycle:
        faults.append("include cycle between modules: " + " -> ".join(cycle))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
