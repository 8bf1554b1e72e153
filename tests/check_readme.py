#!/usr/bin/env python3
"""Checks two truths of the README against the tree.

Every product file (app/ common/ volume/ render/ reading/ tfeditor/ importer/ shaders/) has
its line in "A map of the code", named as `room/Name` (a header and its source share one);
and every test function the README cites, as `tst_program` followed by `function` or
`function(row)` in the same parentheses, exists in that program with that data row.
Usage: check_readme.py REPOSITORY_ROOT; prints each fault on a line of its own.
"""

import pathlib
import re
import sys

ROOMS = ["app", "common", "volume", "render", "reading", "tfeditor", "importer", "shaders"]


def map_section(readme):
    start = readme.index("## A map of the code")
    end = readme.find("\n## ", start + 1)
    return readme[start:] if end < 0 else readme[start:end]


def missing_from_map(root, section):
    missing = []
    for room in ROOMS:
        stems = sorted({f.stem for f in (root / room).iterdir() if f.is_file() and f.name != "CMakeLists.txt"})
        for stem in stems:
            if not re.search(re.escape(f"{room}/{stem}") + r"(?![A-Za-z0-9_])", section):
                missing.append(f"{room}/{stem}")
    return missing


def functions_after(program, text, depth=0):
    """The functions cited in text for program: backquoted names up to the next program, the
    end of the cell or line, or the closing of the parentheses they stand in (at depth)."""
    cited = []
    for piece in re.finditer(r"tst_\w+|`([^`]*)`|[()|\n]", text):
        token = piece.group(0)
        if token.startswith("tst_") or token in ("|", "\n"):
            break
        if token == "(":
            depth += 1
        elif token == ")":
            depth -= 1
            if depth < 0:
                break
        elif piece.group(1) is not None and depth > 0:
            name = re.fullmatch(r"([a-z][A-Za-z0-9]+)(?:\(([^()]*)\))?", piece.group(1))
            if name:
                cited.append((program, name.group(1), name.group(2)))
    return cited


def cited_tests(readme):
    """(program, function, row or None) for each citation: after a program's name, and in the
    last cell of the bad inputs' rows, whose program is tst_badinputs unless another is named."""
    cited = []
    for match in re.finditer(r"tst_\w+", readme):
        cited += functions_after(match.group(0), readme[match.end():], depth=1)
    bad_inputs = readme[readme.index("## Bad inputs"):]
    for row in bad_inputs.splitlines():
        if row.startswith("|") and not row.startswith("|---"):
            cited += functions_after("tst_badinputs", row.rstrip(" |").rsplit("|", 1)[-1])
    return cited


def missing_tests(root, readme):
    sources = {f.stem: f.read_text(errors="replace") for f in (root / "tests").rglob("tst_*.cpp")}
    missing = []
    for program, function, row in cited_tests(readme):
        source = sources.get(program)
        if source is None or not re.search(r"void\s+" + re.escape(function) + r"\s*\(", source):
            missing.append(f"{program} {function}")
        elif row is not None and f'"{row}"' not in source:
            missing.append(f"{program} {function}({row})")
    return missing


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    readme = (root / "README.md").read_text()
    faults = [f"README's map of the code has no line for {name}" for name in missing_from_map(root, map_section(readme))]
    faults += [f"README cites a test that does not exist: {name}" for name in dict.fromkeys(missing_tests(root, readme))]
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
