#!/usr/bin/env python3
"""Compacts and repairs every sample database with quorlix-cli and compares
each result with its source through both readers of mdb-check (mdbtools and
mdb-reader): the same tables with the same rows, the same schema with its
indexes, relationships and defaults, the same saved queries. Then the same
for files built from the samples as Access leaves them (a stale page, stale
record counts) and as damage does (a zeroed page, a lost page map).

Table identifiers are definition pages, so they differ between source and
copy by design; they are compared as the names of the tables they stand for.

usage: compact_samples.py QUORLIX_CLI SAMPLES_DIR MDB_CHECK
exit: 0 all equal, 1 a difference, 77 nothing to compare here.
"""
import json
import os
import struct
import shutil
import subprocess
import sys
import tempfile


def run(*args, check=True):
    p = subprocess.run(args, capture_output=True)
    if check and p.returncode != 0:
        raise RuntimeError(f"{' '.join(args)} exited {p.returncode}: {p.stderr.decode(errors='replace')[:500]}")
    return p.stdout


def tables(db):
    return [t for t in run("mdb-tables", "-S", "-1", db).decode().splitlines() if t]


def json_rows(db, table):
    """One JSON object a line; split on line feeds only, since text values may
    hold other characters str.splitlines() would break at (U+2028, U+0085)."""
    text = run("mdb-json", db, table).decode(errors="replace")
    return [json.loads(line) for line in text.split("\n") if line]


def catalog_ids(db):
    """Definition page -> table name, from the catalog as mdbtools reads it."""
    ids = {}
    for row in json_rows(db, "MSysObjects"):
        if row.get("Type") == 1:
            ids[row["Id"]] = row["Name"]
    return ids


def mdbtools_rows(db, table, ids):
    out = []
    for row in json_rows(db, table):
        if table == "MSysObjects" and row.get("Type") == 1:
            row["Id"] = "table:" + row["Name"]
        if table == "MSysACEs" and row.get("ObjectId") in ids:
            row["ObjectId"] = "table:" + ids[row["ObjectId"]]
        out.append(row)
    return out


def reader_tables(db, ids, cache):
    """Every table as mdb-reader reads it, table identifiers as names."""
    here = os.path.dirname(os.path.abspath(__file__))
    tables = json.loads(run("node", os.path.join(here, "reader_dump.mjs"), cache, db))
    for name, rows in tables.items():
        if not isinstance(rows, list):
            continue
        for row in rows:
            if name == "MSysObjects" and row.get("Type") == 1:
                row["Id"] = "table:" + row["Name"]
            if name == "MSysACEs" and row.get("ObjectId") in ids:
                row["ObjectId"] = "table:" + ids[row["ObjectId"]]
    return tables


def schema(db):
    text = run("mdb-schema", "--indexes", "--relations", "--default-values", "--not-null", db, "postgres").decode()
    return [l for l in text.splitlines() if not l.startswith("--")]


def queries(db):
    names = run("mdb-queries", "-L", "-1", db).decode().split()
    return {q: run("mdb-queries", db, q, check=False).decode(errors="replace") for q in names}


def compare(source, copy, mdb_check, cache, what):
    problems = []
    ids_before, ids_after = catalog_ids(source), catalog_ids(copy)
    if tables(source) != tables(copy):
        problems.append(f"{what}: tables {tables(copy)} instead of {tables(source)}")
        return problems
    # mdbtools stops listing relationships early when deleted rows precede
    # them on their page (it sets a row's place on the page against the
    # table's row count), so a copy without the deleted rows may list more:
    # every relationship of the source must be listed, and the rows of
    # MSysRelationships, compared below, must be the same.
    before, after = schema(source), schema(copy)
    plain = lambda lines: [l for l in lines if "FOREIGN KEY" not in l]
    keys = lambda lines: {l for l in lines if "FOREIGN KEY" in l}
    if plain(before) != plain(after):
        problems.append(f"{what}: the schema (columns, indexes, defaults) differs")
    if not keys(before) <= keys(after):
        problems.append(f"{what}: relationships {sorted(keys(before) - keys(after))} are missing")
    if queries(source) != queries(copy):
        problems.append(f"{what}: the saved queries differ")
    for t in tables(source):
        if mdbtools_rows(source, t, ids_before) != mdbtools_rows(copy, t, ids_after):
            problems.append(f"{what}: table {t} differs as mdbtools reads it")
    read_before, read_after = reader_tables(source, ids_before, cache), reader_tables(copy, ids_after, cache)
    for t in sorted(set(read_before) | set(read_after)):
        if read_before.get(t) != read_after.get(t):
            problems.append(f"{what}: table {t} differs as mdb-reader reads it")
    check = subprocess.run([mdb_check, "-q", copy], capture_output=True)
    if check.returncode != 0:
        problems.append(f"{what}: mdb-check: {check.stdout.decode(errors='replace')[-400:]}")
    return problems


def page_size(data):
    return 4096 if data[0x14] else 2048


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def constructions(samples):
    """Files as Access leaves them and as damage leaves them, built from the
    samples: (name, bytes, table whose records matter, compact exit, repair
    exit, repair's lines on stderr, the file the result must equal; None:
    the built file itself). A compaction that fails is built on damage."""
    out = []
    path = os.path.join(samples, "testV1997.mdb")
    if os.path.exists(path):
        # Table1's data page, left behind as if by a deleted table whose
        # definition page (34) went to Table2, whose columns it does not fit.
        data = open(path, "rb").read()
        stale = bytearray(data[31 * 2048:32 * 2048])
        struct.pack_into("<I", stale, 4, 34)
        out.append(("testV1997 with a stale page", data + bytes(stale), "Table2", 0, 0, [], None))
    path = os.path.join(samples, "testIndexCodesV1997.mdb")
    if os.path.exists(path):
        data = open(path, "rb").read()
        count = lambda n: data[:45 * 2048 + 12] + struct.pack("<I", n) + data[45 * 2048 + 16:]
        note = lambda n: f"Table 'Table1': its stored record count was {n}; its pages hold 275."
        out.append(("Table1 counting 280 of 275", count(280), "Table1", 0, 0, [note(280)], None))
        out.append(("Table1 counting 215 of 275", count(215), "Table1", 0, 0, [note(215)], None))
        zeroed = count(215)
        zeroed = zeroed[:49 * 2048] + bytes(2048) + zeroed[50 * 2048:]
        out.append(("Table1 counting 215, page 49 zeroed", zeroed, "Table1", 1, 0,
                    ["Table 'Table1': 57 of its 275 records could not be read and were left out.", note(215)], None))
        lost = data[:46 * 2048] + bytes(2048) + data[47 * 2048:]
        out.append(("Table1's page map zeroed", lost, "Table1", 1, 0,
                    ["Table 'Table1': its page map could not be read; its records were found on the pages it owns."],
                    path))
    return out


def check_constructions(cli, samples, mdb_check, cache, work):
    """Compaction never refuses a file that is not damaged, which both
    readers read completely; its copy and the repaired file hold what the
    readers read; losses are named. (Both readers take a table whose map row
    lies on a zeroed page for an empty one; compaction refuses it by name.)"""
    problems = []
    for name, data, table, compact_exit, repair_exit, lines, equal_to in constructions(samples):
        source = os.path.join(work, "built.mdb")
        copy = os.path.join(work, "built-copy.mdb")
        repaired = os.path.join(work, "built-repaired.mdb")
        for f in (source, copy, repaired):
            if os.path.exists(f):
                os.remove(f)
        open(source, "wb").write(data)
        shutil.copyfile(source, repaired)
        readable = subprocess.run([mdb_check, "-q", "-t", table, source], capture_output=True).returncode == 0
        if compact_exit == 0 and not readable:
            problems.append(f"{name}: built as Access leaves files, yet the readers do not read {table} completely")
        p = subprocess.run([cli, "compact", source, copy], capture_output=True)
        if p.returncode != compact_exit:
            problems.append(f"{name}: compact exited {p.returncode}: {p.stderr.decode(errors='replace').strip()}")
        if compact_exit == 0 and p.returncode == 0:
            problems += compare(source, copy, mdb_check, cache, f"compact {name}")
        p = subprocess.run([cli, "repair", repaired], capture_output=True)
        # Each line on stderr starts with the program's name.
        said = [f"quorlix-cli: {line}" for line in lines]
        if p.returncode != repair_exit or p.stderr.decode(errors="replace").splitlines() != said:
            problems.append(f"{name}: repair exited {p.returncode}: {p.stderr.decode(errors='replace').strip()}")
        if p.returncode == 0 and (equal_to or compact_exit == 0):
            problems += compare(equal_to or source, repaired, mdb_check, cache, f"repair {name}")
        print(f"{name}: {'readable' if readable else 'not readable'} by both readers, {len(problems)} problems so far")
    return problems


def main():
    cli, samples, mdb_check = sys.argv[1:4]
    # As the unit tests do: a clone without the samples skips, CI fails, and
    # QUORLIX_HIDE_SAMPLES=1 hides them.
    if os.environ.get("QUORLIX_HIDE_SAMPLES") == "1":
        print("samples hidden (QUORLIX_HIDE_SAMPLES=1)")
        return 77
    if not os.path.isdir(samples) or not os.access(mdb_check, os.X_OK):
        why = f"needs the Access samples and mdb-check in {os.path.normpath(os.path.join(samples, '../..'))}, " \
              "which are not beside this clone"
        print(why)
        return 1 if os.environ.get("CI") == "true" else 77
    if not shutil.which("mdb-json"):
        print("mdbtools' mdb-json is not installed")
        return 77
    # mdb-check installs mdb-reader into its cache on first use.
    cache = os.environ.get("MDB_CHECK_CACHE") or os.path.join(
        os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "mdb-check")
    if subprocess.run([mdb_check, "-q", os.path.join(samples, min(n for n in os.listdir(samples) if n.endswith(".mdb")))],
                      capture_output=True).returncode != 0 or not shutil.which("node"):
        print("mdb-check cannot run here")
        return 77
    problems = []
    with tempfile.TemporaryDirectory() as work:
        for name in sorted(os.listdir(samples)):
            if not name.endswith(".mdb"):
                continue
            before = len(problems)
            source = os.path.join(samples, name)
            compacted = os.path.join(work, "c-" + name)
            repaired = os.path.join(work, "r-" + name)
            shutil.copyfile(source, repaired)
            ok = True
            for args in (["compact", source, compacted], ["repair", repaired]):
                p = subprocess.run([cli, *args], capture_output=True)
                if p.returncode != 0:
                    ok = False
                    problems.append(f"{args[0]} {name}: exit {p.returncode}: {p.stderr.decode(errors='replace').strip()}")
            if ok:
                # Both rebuild the same file from the same source.
                with open(compacted, "rb") as a, open(repaired, "rb") as b:
                    if a.read() != b.read():
                        problems.append(f"repair {name}: the repaired file differs from the compacted one")
                problems += compare(source, compacted, mdb_check, cache, f"compact {name}")
            print(f"{name}: {len(problems) - before} differences")
        problems += check_constructions(cli, samples, mdb_check, cache, work)
    for p in problems:
        print("FAIL", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
