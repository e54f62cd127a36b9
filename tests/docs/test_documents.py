"""The documents quote the program's key names, sections and log lines: each must still be in the code.
Their links must reach what the release zip ships beside them."""
import re
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DOCUMENTS = [ROOT / "README.md"] + sorted((ROOT / "docs").glob("*.md"))
EXAMPLE = ROOT / "Ostrilo.ini.example"
SHIPPED = set(DOCUMENTS) | set((ROOT / "docs").glob("*.png"))
# What the program fills in: numbers, N/M/A and "..." for the rest.
PLACEHOLDER = re.compile(r"\.\.\.|\b[NMA]\b|\b\d+\b")
SHORTEST_PIECE = 4


def code_literals():
    literals = set()
    for path in (ROOT / "src").rglob("*"):
        if path.suffix in (".cpp", ".h"):
            for text in re.findall(r'"((?:[^"\\\n]|\\.)*)"', path.read_text(encoding="latin-1")):
                literals.add(text.replace('\\"', '"').replace("\\\\", "\\"))
    return literals


LITERALS = code_literals()


def piece_fits(piece, starts_fragment, ends_fragment):
    """A piece inside a line must begin a literal where the line joins it, and end one likewise."""
    return any(piece in literal and (starts_fragment or literal.startswith(piece))
               and (ends_fragment or literal.endswith(piece)) for literal in LITERALS)


def composed_of_literals(fragment):
    """Whether the fragment reads as literals of the code joined end to end, as the program builds a line."""
    position = 0
    while position < len(fragment):
        rest = len(fragment) - position
        length = next((k for k in range(rest, 0, -1)
                       if piece_fits(fragment[position:position + k], position == 0, k == rest)), 0)
        if length < min(SHORTEST_PIECE, rest):
            return False
        position += length
    return True


def table_cells(text, heading):
    """Backticked texts in the first column of the tables whose first column is headed `heading`."""
    found, in_table = [], False
    for line in text.splitlines():
        cells = line.split("|")[1:2] if line.startswith("|") else None
        if cells is None:
            in_table = False
        elif not in_table:
            in_table, header = True, cells[0].strip()
        elif header == heading and not set(cells[0].strip()) <= set("-: "):
            found += re.findall(r"`([^`]+)`", cells[0])
    return found


def quotes():
    """(document, kind, text) for every quoted log line, key and section."""
    for path in DOCUMENTS:
        text = path.read_text(encoding="utf-8")
        yield from ((path.name, "line", line) for line in table_cells(text, "Line"))
        yield from ((path.name, "key", key) for key in table_cells(text, "Key"))
        yield from ((path.name, "key", "".join(names)) for names in re.findall(r"`\[([A-Z]\w+)\]`|^\[([A-Z]\w+)\]$", text, re.M))
        for block in re.findall(r"```ini\n(.*?)```", text, re.S):
            yield from ((path.name, "key", name) for name in re.findall(r"^\[?(\w+)[\]=]", block, re.M))
    example = EXAMPLE.read_text(encoding="latin-1")
    yield from ((EXAMPLE.name, "key", name) for name in re.findall(r"^;?\[?(\w+)[\]=]", example, re.M))


def exists_in_code(kind, text):
    if kind == "key":
        return text in LITERALS or (re.fullmatch(r"T[0-4]", text) is not None and "T" in LITERALS)
    return all(composed_of_literals(fragment) for fragment in PLACEHOLDER.split(text) if fragment.strip())


QUOTES = sorted(set(quotes()))


def test_every_quoted_key_section_and_log_line_exists_in_the_code():
    assert {kind for _, kind, _ in QUOTES} == {"line", "key"} and len(QUOTES) > 100, "the check found little to check"
    missing = ["%s: %s %s" % quote for quote in QUOTES if not exists_in_code(quote[1], quote[2])]
    assert missing == [], "quoted, but not (any more) in the code:\n" + "\n".join(missing)


def anchor(heading):
    """The fragment a Markdown viewer gives a heading: lower case, punctuation dropped, blanks as hyphens."""
    return re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")


def test_every_link_and_image_reaches_a_shipped_file_and_heading():
    broken = []
    for path in DOCUMENTS:
        for target in re.findall(r"\]\(([^)\s]+)\)", path.read_text(encoding="utf-8")):
            file, _, fragment = target.partition("#")
            linked = (path.parent / file).resolve() if file else path
            headings = {anchor(h) for h in re.findall(r"^#+ (.*)", linked.read_text(encoding="utf-8"), re.M)} \
                if linked.suffix == ".md" and linked in SHIPPED else set()
            if "://" not in target and (linked not in SHIPPED or (fragment and fragment not in headings)):
                broken.append("%s: %s" % (path.name, target))
    assert broken == []
