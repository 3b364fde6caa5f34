#!/usr/bin/env python3
"""The README's Layout table against the links CMake makes: each folder's library links exactly
the folders, Qt modules and Boost libraries of its "depends on" cell, every dependency's row comes above its
user's, and no links go round in a cycle.

Usage: link_graph_test.py README SOURCE_DIR SCRATCH_DIR CMAKE GENERATOR QT6_DIR BUILD_WINDOW
"""

import os
import re
import shutil
import subprocess
import sys
import time

README, SOURCE, SCRATCH, CMAKE, GENERATOR, QT6_DIR, BUILD_WINDOW = sys.argv[1:8]
# The folder whose library is not named after it.
TARGET_OF_FOLDER = {"app": "saa1057-panel"}
# Graphviz shapes of what a folder makes: a static or shared library, or a program.
OWN_SHAPES = {"octagon", "doubleoctagon", "egg"}


def layout_rows(readme):
    """[(folder, [alternatives, ...]), ...] in the table's order; "bus/linux or bus/windows"
    is one dependency with two alternatives."""
    with open(readme, encoding="utf-8") as text:
        lines = text.read().split("\n## Layout\n", 1)[1].splitlines()
    rows = []
    for line in lines:
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if len(cells) != 3 or not cells[0].startswith("`"):
            if rows and not line.startswith("|"):
                break
            continue
        folder = cells[0].strip("`").rstrip("/")
        needs = [entry.strip() for entry in cells[2].split(",") if entry.strip() not in ("", "-")]
        rows.append((folder, [need.split(" or ") for need in needs]))
    if not rows:
        sys.exit(f"FAILED: no Layout table in {readme}")
    return rows


def target_of(folder):
    return TARGET_OF_FOLDER.get(folder, folder.replace("/", "_"))


def link_graph():
    """{target: shape}, {target: {linked target, ...}} as CMake configures the source tree."""
    shutil.rmtree(SCRATCH, ignore_errors=True)
    os.makedirs(SCRATCH)
    options = os.path.join(SCRATCH, "CMakeGraphVizOptions.cmake")
    with open(options, "w", encoding="utf-8") as text:
        text.write("set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)\n"
                   "set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)\n")
    dot = os.path.join(SCRATCH, "links.dot")
    configure = subprocess.run(
        [CMAKE, "-S", SOURCE, "-B", SCRATCH, "-G", GENERATOR, f"-DQt6_DIR={QT6_DIR}",
         f"-DSAA_BUILD_WINDOW={BUILD_WINDOW}", "-DBUILD_TESTING=OFF", "-DSAA_BENCH=OFF",
         "-DSAA_FUZZ=OFF", f"--graphviz={dot}"],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=100, check=False)
    if configure.returncode != 0:
        sys.exit(f"FAILED: cmake could not configure {SOURCE}:\n{configure.stdout[-3000:]}")
    with open(dot, encoding="utf-8") as text:
        graph = text.read()
    names, shapes, links = {}, {}, {}
    for node, label, shape in re.findall(r'^\s*"(node\d+)" \[ label = "([^"]*)", shape = (\w+)',
                                         graph, re.M):
        names[node] = label
        shapes[label] = shape
    for user, used in re.findall(r'^\s*"(node\d+)" -> "(node\d+)"', graph, re.M):
        links.setdefault(names[user], set()).add(names[used])
    return shapes, links


def check_order(rows):
    """A dependency listed below its user, or one without a row of its own."""
    faults, above = [], set()
    for folder, needs in rows:
        for need in (n for alternatives in needs for n in alternatives if "::" not in n):
            if need not in above:
                where = "below it" if need in dict(rows) else "nowhere in the table"
                faults.append(f"{folder}/: depends on {need}, whose row is {where}")
        above.add(folder)
    return faults


def check_links(rows, shapes, links):
    """Links the README does not list, and listed dependencies that are not linked."""
    faults = []
    folder_of = {target_of(folder): folder for folder, _ in rows}
    for target, shape in sorted(shapes.items()):
        if shape in OWN_SHAPES and "::" not in target and target not in folder_of:
            faults.append(f"{target}: a target of ours with no row in the Layout table")
    for folder, needs in rows:
        target = target_of(folder)
        if target not in shapes:
            continue  # not built here: another platform's, or not a library
        expected = set()
        for alternatives in needs:
            built = [n for n in alternatives if "::" in n or target_of(n) in shapes]
            if len(built) != 1:
                faults.append(f"{folder}/: of {' or '.join(alternatives)}, {len(built)} built here")
            expected.update(built)
        linked = {folder_of[t] for t in links.get(target, ()) if t in folder_of}
        linked |= {t for t in links.get(target, ()) if t.startswith(("Qt6::", "Boost::"))}
        for extra in sorted(linked - expected):
            faults.append(f"{folder}/: links {extra}, which its README row does not list")
        for missing in sorted(expected - linked):
            faults.append(f"{folder}/: its README row lists {missing}, which it does not link")
    return faults


def check_cycles(links, ours):
    """Each cycle among our targets' links, once, as a path."""
    faults, state = [], {}

    def visit(target, path):
        state[target] = "open"
        for used in sorted(links.get(target, set()) & ours):
            if state.get(used) == "open":
                cycle = path[path.index(used):] + [used]
                faults.append("a cycle of links: " + " -> ".join(cycle))
            elif used not in state:
                visit(used, path + [used])
        state[target] = "done"

    for target in sorted(ours):
        if target not in state:
            visit(target, [target])
    return faults


def main():
    started = time.monotonic()
    rows = layout_rows(README)
    shapes, links = link_graph()
    ours = {target_of(folder) for folder, _ in rows} & set(shapes)
    faults = check_order(rows) + check_links(rows, shapes, links) + check_cycles(links, ours)
    for fault in faults:
        print("FAILED:", fault)
    print(f"{len(ours)} targets against {len(rows)} rows of the Layout table, "
          f"{len(faults)} faults, {time.monotonic() - started:.1f} s")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
