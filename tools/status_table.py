#!/usr/bin/env python3
"""Keeps the status table of docs/REFERENCE.md in step with the code's own
table (common/status_texts.cpp): the codes, their order and their texts
come from the code; the cause and the remedy of each code are written by
hand in the reference and kept by code when the table is rewritten.

usage: tools/status_table.py [--write] [ROOT]
Without --write it checks: it prints what differs and exits 1 when the
table in the reference is not the one the code gives, or when a code has
no cause or no remedy. With --write it rewrites the table in place; a new
code gets empty cells to fill in.
"""

import re
import sys
from pathlib import Path

BEGIN = "<!-- status table: written by tools/status_table.py from common/status_texts.cpp; edit only the last two columns -->"
END = "<!-- end of status table -->"
HEADER = ["| Code | Text | Likely cause | What to do |", "| --- | --- | --- | --- |"]
OTHER = "any other"


def code_table(root):
    """[(code, text)] in the code's order, and the default text last."""
    source = (root / "common" / "status_texts.cpp").read_text()
    rows = [(m.group(1), m.group(2)) for m in re.finditer(r'\{(\d+), L"((?:[^"\\]|\\.)*)"\}', source)]
    default = re.search(r'return L"((?:[^"\\]|\\.)*)";\s*\}\s*\}\s*//\s*namespace kb\s*$', source)
    if not rows or not default:
        raise SystemExit("status_table: cannot read the table of common/status_texts.cpp")
    return rows + [(OTHER, default.group(1))]


def cells(line):
    return [c.strip() for c in line.strip().strip("|").split("|")]


def escape(text):
    return text.replace("|", "\\|")


def current(reference):
    """The lines of the table in the reference, and its cause and remedy by code."""
    text = reference.read_text()
    if BEGIN not in text or END not in text:
        raise SystemExit(f"status_table: {reference} has no status table between its markers")
    inside = text.split(BEGIN, 1)[1].split(END, 1)[0].strip().splitlines()
    notes = {}
    for line in inside[len(HEADER):]:
        parts = cells(line)
        if len(parts) == 4:
            notes[parts[0]] = (parts[2], parts[3])
    return text, inside, notes


def wanted(rows, notes):
    lines = list(HEADER)
    for code, message in rows:
        cause, remedy = notes.get(code, ("", ""))
        lines.append(f"| {code} | {escape(message)} | {cause} | {remedy} |")
    return lines


def main():
    args = [a for a in sys.argv[1:] if a != "--write"]
    write = "--write" in sys.argv[1:]
    root = Path(args[0] if args else Path(__file__).resolve().parent.parent)
    reference = root / "docs" / "REFERENCE.md"
    rows = code_table(root)
    text, inside, notes = current(reference)
    lines = wanted(rows, notes)
    if write:
        before, rest = text.split(BEGIN, 1)
        after = rest.split(END, 1)[1]
        reference.write_text(before + BEGIN + "\n" + "\n".join(lines) + "\n" + END + after)
        print(f"status_table: {len(rows)} rows written")
        return 0
    problems = []
    if inside != lines:
        have, want = set(inside), set(lines)
        problems += [f"the reference has: {line}" for line in inside if line not in want]
        problems += [f"the code gives:    {line}" for line in lines if line not in have]
        if not problems:
            problems.append("the rows are in another order than the code's")
    problems += [f"code {code} has no cause or no remedy" for code, _ in rows
                 if not all(notes.get(code, ("", "")))]
    for line in problems:
        print(line)
    print(f"status_table: {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
