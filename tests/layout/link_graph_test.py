#!/usr/bin/env python3
# The README's Layout table against the links CMake makes: each folder's one library links
# exactly the folders, Qt modules and Boost libraries of its "depends on" cell, and every
# dependency's row comes above its user's. Together these leave no cycle: a link is listed, and
# points up.
#
# Usage: link_graph_test.py README SOURCE_DIR SCRATCH_DIR CMAKE GENERATOR QT6_DIR BUILD_WINDOW
import re
import shutil
import subprocess
import sys

README, SOURCE, SCRATCH, CMAKE, GENERATOR, QT6_DIR, BUILD_WINDOW = sys.argv[1:8]
# Graphviz shapes of what a folder makes: a static or shared library, or a program.
OWN_SHAPES = {"octagon", "doubleoctagon", "egg"}


def target_of(folder):
    return "saa1057-panel" if folder == "app" else folder.replace("/", "_")


# [(folder, [[alternative, ...], ...]), ...] in the table's order: "bus/linux or bus/windows" is
# one dependency with two alternatives.
with open(README, encoding="utf-8") as text:
    layout = text.read().split("\n## Layout\n", 1)[1].split("\n## ", 1)[0]
rows = [(folder, [need.strip().split(" or ") for need in needs.split(",")
                  if need.strip() not in ("", "-")])
        for folder, needs in re.findall(r"^\| `([\w/]+)/` \|.*\|([^|]*)\|$", layout, re.M)]

# {target: shape} and {target: {linked target, ...}} as CMake configures the source tree.
shutil.rmtree(SCRATCH, ignore_errors=True)  # cmake makes it anew
configure = subprocess.run(
    [CMAKE, "-S", SOURCE, "-B", SCRATCH, "-G", GENERATOR, f"-DQt6_DIR={QT6_DIR}",
     f"-DSAA_BUILD_WINDOW={BUILD_WINDOW}", "-DBUILD_TESTING=OFF", "-DSAA_BENCH=OFF",
     "-DSAA_FUZZ=OFF", f"--graphviz={SCRATCH}/links.dot"],
    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=100, check=False)
if configure.returncode != 0:
    sys.exit(f"FAILED: cmake could not configure {SOURCE}:\n{configure.stdout[-3000:]}")
with open(f"{SCRATCH}/links.dot", encoding="utf-8") as text:
    graph = text.read()
nodes = {node: (label, shape) for node, label, shape in
         re.findall(r'^\s*"(node\d+)" \[ label = "([^"]*)", shape = (\w+)', graph, re.M)}
shapes = dict(nodes.values())
links = {}
for user, used in re.findall(r'^\s*"(node\d+)" -> "(node\d+)"', graph, re.M):
    links.setdefault(nodes[user][0], set()).add(nodes[used][0])

folder_of = {target_of(folder): folder for folder, _ in rows}
faults = [f"{target}: a target of ours with no row in the Layout table"
          for target, shape in sorted(shapes.items())
          if shape in OWN_SHAPES and "::" not in target and target not in folder_of]
above = set()
for folder, needs in rows:
    for need in (n for alternatives in needs for n in alternatives if "::" not in n):
        if need not in above:
            where = "below it" if need in dict(rows) else "nowhere in the table"
            faults.append(f"{folder}/: depends on {need}, whose row is {where}")
    above.add(folder)
    if target_of(folder) not in shapes:
        continue  # not built here: another platform's, or not a library
    expected = set()
    for alternatives in needs:
        built = [n for n in alternatives if "::" in n or target_of(n) in shapes]
        if len(built) != 1:
            faults.append(f"{folder}/: of {' or '.join(alternatives)}, {len(built)} built here")
        expected.update(built)
    linked = {folder_of.get(t, t) for t in links.get(target_of(folder), ())
              if t in folder_of or t.startswith(("Qt6::", "Boost::"))}
    faults += [f"{folder}/: links {n}, which its README row does not list"
               for n in sorted(linked - expected)]
    faults += [f"{folder}/: its README row lists {n}, which it does not link"
               for n in sorted(expected - linked)]

print("".join(f"FAILED: {fault}\n" for fault in faults)
      + f"{len(rows)} rows of the Layout table against CMake's links: {len(faults)} faults")
sys.exit(1 if faults else 0)
