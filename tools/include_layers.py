#!/usr/bin/env python3
"""Prints which top folders of the tree include which, from the #include lines of the sources,
and fails when a folder includes one listed below it in the layout table of README.md (the
layers: each folder includes only folders listed above it), when a folder that includes or is
included is missing from that table, or when two folders include each other, directly or round
about.
    include_layers.py [ROOT]
Each line is "folder -> the folders it includes". Only quoted includes that start with a top
folder's name count ("kit/controls.h"); system headers and a folder's own files do not."""
import os
import re
import sys

SOURCE_ENDINGS = (".c", ".cpp", ".h", ".rc")
SKIPPED = {".git", "build", "run", "dist"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
# The layout table: a header row starting "| folder |", then one row per folder, "| `kit/` | ...".
TABLE_HEADER = re.compile(r"^\|\s*folder\s*\|")
TABLE_ROW = re.compile(r"^\|\s*`([^`/]+)/`\s*\|")


def layer_order(root):
    """The folders of README.md's layout table, in their order: lower layers first."""
    with open(os.path.join(root, "README.md"), encoding="utf-8") as readme:
        lines = readme.read().splitlines()
    for start, line in enumerate(lines):
        if TABLE_HEADER.match(line):
            break
    else:
        return []
    order = []
    for line in lines[start + 2:]:  # after the header and its |---| line
        row = TABLE_ROW.match(line)
        if not row:
            break
        order.append(row.group(1))
    return order


def layer_faults(graph, order):
    """The complaints about includes that break the table's order, or folders it lacks."""
    rank = {folder: place for place, folder in enumerate(order)}
    faults = []
    linked = {folder for folder in graph if graph[folder]}
    linked |= {included for folder in graph for included in graph[folder]}
    for folder in sorted(linked - set(rank)):
        faults.append(f"{folder} includes or is included but is not in README.md's layout table")
    for folder in sorted(graph):
        for included in sorted(graph[folder]):
            if folder in rank and included in rank and rank[included] > rank[folder]:
                faults.append(f"{folder} includes {included}, which README.md's layout table "
                              f"lists below it")
    return faults


def folder_graph(root):
    folders = {name for name in os.listdir(root)
               if os.path.isdir(os.path.join(root, name)) and name not in SKIPPED}
    graph = {folder: set() for folder in folders}
    for folder in sorted(folders):
        for directory, subfolders, files in os.walk(os.path.join(root, folder)):
            subfolders[:] = sorted(s for s in subfolders if s not in SKIPPED)
            for name in files:
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                with open(os.path.join(directory, name), encoding="utf-8",
                          errors="replace") as source:
                    for line in source:
                        match = INCLUDE.match(line)
                        if match and match.group(1) in folders and match.group(1) != folder:
                            graph[folder].add(match.group(1))
    return graph


def cycles(graph):
    """The groups of two or more folders that reach each other (Tarjan's strongly connected
    components, iterative so that the depth is bounded by the number of folders)."""
    index, low, on_stack, stack, groups = {}, {}, set(), [], []
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, successors = work[-1]
            advanced = False
            for successor in successors:
                if successor not in index:
                    index[successor] = low[successor] = len(index)
                    stack.append(successor)
                    on_stack.add(successor)
                    work.append((successor, iter(sorted(graph[successor]))))
                    advanced = True
                    break
                if successor in on_stack:
                    low[node] = min(low[node], index[successor])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    groups.append(sorted(group))
    return groups


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    order = layer_order(root)
    if not order:
        print("include_layers: no layout table (| folder | ...) in README.md", file=sys.stderr)
        return 2
    graph = folder_graph(root)
    for folder in sorted(graph):
        print(f"{folder} -> {' '.join(sorted(graph[folder])) or '(nothing)'}")
    faults = layer_faults(graph, order)
    for fault in faults:
        print(f"include_layers: {fault}", file=sys.stderr)
    knots = cycles(graph)
    for group in knots:
        print(f"include_layers: these folders include each other: {' '.join(group)}",
              file=sys.stderr)
    return 1 if faults or knots else 0


if __name__ == "__main__":
    sys.exit(main())
