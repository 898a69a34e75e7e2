"""Reads lists back with Python's own parsers and compares them with what a
test expected. Usage: read_lists.py KIND FILE EXPECTED.json; exit 0 when they
match, else 1 with both printed.

KIND: csv (every record, by the csv module), html (the text of the cells of
every table row, by html.parser), mdb (mdb-export's CSV of the list's table),
crypt (lines "password<TAB>hash": one true or false each, by the crypt module).
"""
import csv
import html.parser
import io
import json
import subprocess
import sys
import warnings


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return [row for row in csv.reader(f)]


class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.cell = [], None

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.rows.append([])
        elif tag == "td":
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            # &nbsp; opens every cell
            self.rows[-1].append(self.cell.replace("\xa0", "", 1))
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def read_html(path):
    parser = Cells()
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    return [r for r in parser.rows if r]


def read_mdb(path):
    out = subprocess.run(["mdb-export", path, "Password Database"], check=True, capture_output=True).stdout
    return list(csv.reader(io.StringIO(out.decode("utf-8"))))


def read_crypt(path):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        import crypt
    result = []
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if line:
                password, hashed = line.split("\t")
                result.append(crypt.crypt(password, hashed) == hashed)
    return result


def main():
    kind, path, expected_path = sys.argv[1:4]
    got = {"csv": read_csv, "html": read_html, "mdb": read_mdb, "crypt": read_crypt}[kind](path)
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    if got != expected:
        print("got:     ", json.dumps(got, ensure_ascii=False))
        print("expected:", json.dumps(expected, ensure_ascii=False))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
