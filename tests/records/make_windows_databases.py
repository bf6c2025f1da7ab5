"""Writes Access (Jet 4) databases of the Windows release for the conversion tests.

    python3 make_windows_databases.py TEMPLATE OUTDIR
        OUTDIR/windows.mdb   the template's tables and rows (the two sample
                             cases among them), ten cases of a clinic, a few
                             hundred random examinations, an image table and
                             a table of the clinic's own; text compressed as
                             Access keeps it (the clinic's table not), with
                             characters beyond U+FFFF, memo values (short
                             ones in their rows, long ones on long-value
                             pages, one over 25 pages, one whose row keeps a
                             few bytes more than its length), a memo column
                             the clinic added to TPatient, doubles, singles
                             and currency to their edges; deleted
                             examinations, examinations moved once and twice
                             and the data of a moved one whose pointer was
                             deleted; the counters' table under a catalogue
                             Flags value that marks system tables
        OUTDIR/compacted.mdb windows.mdb as the Windows release's exit
                             compaction leaves it: no deleted or moved rows
        OUTDIR/runaway_properties.mdb
                             compacted.mdb with a property block in TCharge's
                             catalogue row that makes mdbtools print one
                             warning for ever
        OUTDIR/foreign.mdb   an Access file of another program
        OUTDIR/version_0_0_5.mdb, OUTDIR/no_version.mdb
                             compacted.mdb with a version the start-up
                             refuses, and without the version row
    python3 make_windows_databases.py TEMPLATE --reference FILE
        writes what the converted windows.mdb must hold, table by table, in
        the form of the test's dump (SQLite's quote() of every value)
    python3 make_windows_databases.py TEMPLATE --clinic FILE PATIENTS EXAMS [SQL]
        a clinic-size windows database (PATIENTS cases besides the samples,
        EXAMS random examinations besides the template's) for the
        benchmarks, and in SQL the same rows as statements of 500 rows each
        for the sqlite3 shell, in one transaction

The reference is worked out here from the rows written, not from the
conversion, so the test compares the conversion with an independent account.
"""

import os
import ctypes
import random
import sqlite3
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "old_release"))
import jet_writer  # noqa: E402

SEED = 26
STAGES = ["", "初診時", "基本治療終了時", "ＳＰＴ移行時", "最新ＳＰＴ時"]
NAMES = ["𠮷田 太郎", "佐藤 花子", "鈴木 一郎", "髙橋 美咲", "田中 健", "伊藤 さくら", "渡辺 翔", "中村 葵",
         "小林 蓮", "加藤 陽菜"]


def reader_type(declared):
    """The type a converted file declares for a column of the writer."""
    kind = declared.upper().split("(")[0].strip()
    return {"LONG": "LONG", "INTEGER": "SHORT", "SHORT": "SHORT", "BYTE": "BYTE", "BIT": "BIT",
            "DATETIME": "DATETIME", "TEXT": "TEXT", "MEMO": "TEXT", "DOUBLE": "DOUBLE BLOB",
            "SINGLE": "SINGLE BLOB", "CURRENCY": "CURRENCY BLOB"}[kind]


def template_tables(template):
    con = sqlite3.connect(template)
    tables = []
    for (name,) in con.execute("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"):
        columns = [(row[1], row[2]) for row in con.execute('PRAGMA table_info("%s")' % name)]
        rows = [list(r) for r in con.execute('SELECT * FROM "%s" ORDER BY rowid' % name)]
        tables.append((name, columns, rows))
    con.close()
    return tables


def moment(rng, first_year, last_year):
    return "%04d-%02d-%02d %02d:%02d:%02d" % (rng.randint(first_year, last_year), rng.randint(1, 12),
                                              rng.randint(1, 28), rng.randint(0, 23), rng.randint(0, 59),
                                              rng.randint(0, 59))


def site_text(rng, length):
    choice = rng.random()
    if choice < 0.1:
        return None
    if choice < 0.2:
        return ""
    return "".join("%3d" % rng.randint(0, 12) for _ in range(length // 3))


# Memo texts that a column of numeric affinity would turn into numbers, and
# memos too long for their rows: one in a long-value row of its own (Japanese
# and ASCII mixed, kept compressed), one that keeps a few bytes more than its
# length there, one in a chain of rows over two pages and one over 25.
MEMOS = ["0012", "1e5", "  42  ", "123456789012345678901", "歯周病 🦷 要再評価\r\n次回 3か月後",
         ("次回 3か月後 recall; " * 60)[:1000], "P" * 1500, "歯肉の発赤、" * 500, "".join(
             "%04d 歯周ポケット測定 probing 𠮷、" % n for n in range(2100))]
MEMO_SLACK = {6}  # the index of the patient whose memo keeps 3 bytes more


def clinic_patients(rng, columns, count=len(NAMES)):
    rows = []
    for i in range(1, count + 1):
        name = NAMES[(i - 1) % len(NAMES)]
        values = {
            "ID": i if i < 98 else i + 2, "KalteNumber": "K%05d" % i if i != 3 else "", "Ruby": "よみ%d" % i,
            "Name": name, "Memo": MEMOS[i - 1] if i <= len(MEMOS) else None,
            "BirthDay": "%04d/%02d/%02d" % (rng.randint(1925, 1969), rng.randint(1, 12), rng.randint(1, 28)),
            "Sex": i % 2, "TEL": None if i % 3 == 0 else "03-1234-%04d" % i, "Post": "" if i % 4 == 0 else "100-0001",
            "Address1": "𩸽町1-1" if i == 1 else "東京都千代田区%d丁目" % i, "Address2": None if i % 2 else "",
            "NextExamDate": None if i == 5 else moment(rng, 1950, 2030),
            "LastExamDate": "1899-12-29 12:00:00" if i == 7 else moment(rng, 1950, 1969),
            "Lock": i % 2, "AppName": None, "UpDate": moment(rng, 2000, 2024)}
        rows.append([values[c] for c, _ in columns])
    return rows


def random_exams(rng, columns, count, first_id, patients=10):
    clean = random.Random(SEED + 1)
    clean.random = lambda: 0.5  # site texts without Nulls or empty texts
    rows = []
    for n in range(count):
        comment_id = rng.choice([0, 1, 2, 3, 4, None])
        values = {
            "ID": first_id + n, "PatientID": rng.randint(1, patients), "ExamDate": moment(rng, 1955, 2025),
            "Row": rng.choice([0, 1, 2, 3, 9, 10]), "Examination": rng.randint(0, 5),
            "SubExam": rng.choice([1, 2, 3, 13]),
            "Data1": site_text(rng, 144), "Data2": site_text(rng, 144), "Data3": site_text(rng, 144),
            "Data4": site_text(rng, 144), "Bui": site_text(rng, 192),
            "PocketFree": rng.choice([0, 1, -1, None]),
            "StartTime": rng.choice([None, moment(rng, 1960, 2025)]), "EndTime": moment(rng, 1960, 2025),
            "ChargeID": rng.choice([1, None]), "IsPrinted": rng.choice([0, 1]),
            "UpDate": moment(rng, 1990, 2025), "CommentID": comment_id,
            "Comment": rng.choice([None, "", STAGES[comment_id or 0], "再評価（ＳＰＴ）"])}
        if values["PatientID"] == 1:
            # One case whose examinations the input screen shows as it would
            # any clinic's: every site text whole, a stage and a staff member.
            values.update({"Data1": site_text(clean, 144), "Data2": site_text(clean, 144),
                           "Data3": site_text(clean, 144), "Data4": site_text(clean, 144),
                           "Bui": "     0" * 32, "PocketFree": 0, "ChargeID": 1, "CommentID": comment_id or 1,
                           "Comment": STAGES[comment_id or 1], "StartTime": values["EndTime"]})
        rows.append([values[c] for c, _ in columns])
    return rows


IMAGE_COLUMNS = ([("ID", "LONG"), ("PatientID", "LONG"), ("ExamDate", "DATETIME"), ("SNo", "LONG")] +
                 [("ImgPath%d" % i, "TEXT(200)") for i in range(1, 10)] +
                 [("ReverseUD%d" % i, "INTEGER") for i in range(1, 10)] +
                 [("ReverseLR%d" % i, "INTEGER") for i in range(1, 10)] +
                 [("Rotate%d" % i, "LONG") for i in range(1, 10)] + [("UpDate", "DATETIME")])


def image_rows():
    contact = [0, 0, "2020-01-01 10:00:00", 0, "さくら歯科クリニック", "山田", "info@example.jp"] + [""] * 6
    contact += [0] * 27 + ["2020-01-01 10:00:00"]
    picture = [11, 3, "1968-05-06 00:00:00", 2, "/画像/a.png", "", None] + [""] * 6
    picture += [1] + [0] * 8 + [0] * 9 + [90] + [0] * 7 + [270] + ["2021-05-06 09:30:00"]
    return [contact, picture]


# A table of the clinic's own, named as Access allows and SQL must quote,
# kept with its text uncompressed.
CLINIC_TABLE = ("SQLite's \"メモ\"",
                [("ID", "LONG"), ("Note's \"text\"", "TEXT(50)"), ("Memo", "MEMO"), ("Amount", "DOUBLE"),
                 ("Ratio", "SINGLE"), ("Fee", "CURRENCY")],
                [[1, "it's \"here\"", "0012", 123456789.12345679, 0.1, 12.3456],
                 [2, "", "1e5", 1.7976931348623157e308, -2.5, -0.0001],
                 [3, None, None, None, None, None],
                 [4, "𠮷田😀", "  42  ", 5e-324, 3.4028234663852886e38, 123456.789],
                 [5, "𩸽", "123456789012345678901", 0.0, 1.1, 0],
                 # whole values, a negative zero, currency beyond what a double keeps
                 [6, "whole", None, -0.0, 12.0, 12],
                 [7, "edge", None, -1.5, -0.0, "922337203685477.5807"],
                 [8, "edge", None, 2.0 ** 53, 16777216.0, "-922337203685477.5808"],
                 [9, "edge", None, None, None, "99999999999.9999"]])
PATIENT_MEMO = ("Memo", "MEMO")  # a column a clinic added to a system table


def windows_tables(template, patients=len(NAMES), exams=300):
    """(name, columns, rows, compressed, options) of every table of the
    Windows file."""
    rng = random.Random(SEED)
    tables = []
    for name, columns, rows in template_tables(template):
        options = {}
        if name == "TPatient":
            columns = columns + [PATIENT_MEMO]
            rows = clinic_patients(rng, columns, patients) + [r + [None] for r in rows]
            options = {"memo_slack": MEMO_SLACK}
        elif name == "TExamData":
            samples = len(rows)
            rows = rows + random_exams(rng, columns, exams, 20000, min(patients, 97))
            gone = random_exams(random.Random(SEED + 2), columns, 3, 29990, 1)
            # What a file in use collects: deleted rows left in place, rows
            # moved to another page (once, and again), and the data of a
            # moved row whose pointer was deleted.
            options = {"deleted": {samples + 10: gone[:1], samples + exams // 2: gone[1:2]},
                       "moved": {samples + 5, samples + exams - 50}, "moved_twice": {samples + exams // 3},
                       "dangling": gone[2:]}
        elif name == "TVersion":
            rows = [[1, 0, 1, 0]]  # a Windows file from before the current layout
        elif name == "TNextAutoNumber":
            counters = dict(zip([c for c, _ in columns], rows[0]))
            counters.update({"Patient": patients + 1, "ExamData": 20000 + exams, "Charge": 2})
            rows = [[counters[c] for c, _ in columns]]
            # One bit of the catalogue's Flags that marks Access's own tables.
            options = {"flags": -0x80000000}
        elif name == "TClinic":
            continue  # the Windows release has no such table
        tables.append((name, columns, rows, True, options))
    tables.append(("TImage", IMAGE_COLUMNS, image_rows(), True))
    tables.append(CLINIC_TABLE + (False,))
    # The examinations last, as a clinic's file grows: a copy cut short
    # loses examination rows and keeps every table's definition.
    return [t for t in tables if t[0] != "TExamData"] + [t for t in tables if t[0] == "TExamData"]


def stored(declared, value):
    """A value as the Jet file holds it: a single rounded to 4 bytes and read
    back in its shortest form, currency in ten-thousandths."""
    kind = declared.upper().split("(")[0].strip()
    if value is None:
        return None
    if kind == "BIT":
        return 1 if value else 0  # a yes/no value is never Null in a Jet file
    if kind == "SINGLE":
        single = ctypes.c_float(value).value
        for digits in range(1, 10):
            text = "%.*g" % (digits, single)
            if ctypes.c_float(float(text)).value == single:
                return float(text)
    if kind == "CURRENCY":
        units = jet_writer.currency_units(value)
        if abs(units) < 10 ** 15:
            return units / 10000.0
        whole, fraction = divmod(abs(units), 10000)
        text = str(whole) + ("." + ("%04d" % fraction).rstrip("0") if fraction else "")
        return "-" + text if units < 0 else text
    return value


def reference(template):
    """The converted file: the template's tables with the Jet rows in them
    (a column the template lacks added after its own), the template's own
    rows where the Jet file has no such table, TImage in the program's own
    layout, the clinic's table as the Jet reader reports its columns. The
    values are quoted by SQLite, in columns of the declared types."""
    written = {t[0]: (t[1], t[2]) for t in windows_tables(template)}
    lines = []
    made = [("TImage", IMAGE_COLUMNS, []), (CLINIC_TABLE[0], CLINIC_TABLE[1], [])]
    con = sqlite3.connect(":memory:")
    for name, columns, rows in sorted(template_tables(template) + made):
        if name in written:
            jet_columns, rows = written[name]
            if name == CLINIC_TABLE[0]:
                columns = [(c, reader_type(t)) for c, t in jet_columns]
            else:
                known = {c.lower() for c, _ in columns}
                columns = columns + [(c, reader_type(t)) for c, t in jet_columns if c.lower() not in known]
            by_name = [dict(zip([c.lower() for c, _ in jet_columns], r)) for r in rows]
            rows = [[stored(dict(jet_columns).get(c, t), r.get(c.lower())) for c, t in columns] for r in by_name]
        lines.append("table %s: %s" % (name, ", ".join("%s %s" % c for c in columns)))
        con.execute("DROP TABLE IF EXISTS t")
        con.execute("CREATE TABLE t (%s)" % ", ".join('c%d %s' % (i, t) for i, (_, t) in enumerate(columns)))
        for row in rows:
            con.execute("DELETE FROM t")
            con.execute("INSERT INTO t VALUES (%s)" % ",".join("?" * len(columns)), row)
            quoted = con.execute("SELECT %s FROM t" % "||'|'||".join(
                "quote(c%d)" % i for i in range(len(columns)))).fetchone()[0]
            lines.append(quoted)
    con.close()
    return "\n".join(lines) + "\n"


# A property block (KKD) whose one property record has the length 0:
# mdbtools reads it again and again, and warns of its data type each time.
RUNAWAY_PROPERTIES = (b"KKD\0" + struct.pack("<IH", 10, 0x80) + struct.pack("<H", 2) + "X".encode("utf-16-le") +
                      struct.pack("<IH", 20, 0x00) + struct.pack("<HHH", 14, 0, 0) + struct.pack("<HBBHH", 0, 0, 0, 0, 0))


def sql_literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, bool):
        return "1" if value else "0"
    if isinstance(value, (int, float)):
        return repr(value)
    return "'" + str(value).replace("'", "''") + "'"


def write_sql(path, template, tables):
    """The same rows for the sqlite3 shell, into a copy of the template."""
    existing = {name for name, _, _ in template_tables(template)}
    with open(path, "w", encoding="utf-8") as f:
        f.write("BEGIN;\n")
        for name, columns, rows, *_ in tables:
            quoted = '"%s"' % name.replace('"', '""')
            names = ",".join('"%s"' % c.replace('"', '""') for c, _ in columns)
            if name in existing:
                f.write("DELETE FROM %s;\n" % quoted)
                if name == "TPatient":
                    f.write('ALTER TABLE TPatient ADD COLUMN "Memo" TEXT;\n')
            else:
                f.write("CREATE TABLE %s (%s);\n" % (quoted, ",".join(
                    '"%s" %s' % (c.replace('"', '""'), reader_type(t)) for c, t in columns)))
            for at in range(0, len(rows), 500):
                f.write("INSERT INTO %s (%s) VALUES\n" % (quoted, names))
                f.write(",\n".join("(" + ",".join(sql_literal(stored(t, v)) for (_, t), v in zip(columns, r)) + ")"
                                   for r in rows[at:at + 500]))
                f.write(";\n")
        f.write("COMMIT;\n")


def main():
    template = sys.argv[1]
    if sys.argv[2] == "--clinic":
        tables = windows_tables(template, int(sys.argv[4]), int(sys.argv[5]))
        jet_writer.write_database(sys.argv[3], tables)
        if len(sys.argv) > 6:
            write_sql(sys.argv[6], template, tables)
        return
    if sys.argv[2] == "--reference":
        with open(sys.argv[3], "w", encoding="utf-8") as f:
            f.write(reference(template))
        return
    out = sys.argv[2]
    os.makedirs(out, exist_ok=True)
    jet_writer.write_database(os.path.join(out, "windows.mdb"), windows_tables(template))
    # As the Windows release's exit compaction leaves the file: no deleted or
    # moved rows, no bytes to spare.
    compacted = [t[:4] for t in windows_tables(template)]
    jet_writer.write_database(os.path.join(out, "compacted.mdb"), compacted)
    for name, version in (("version_0_0_5.mdb", [[1, 0, 0, 5]]), ("no_version.mdb", [[2, 1, 0, 1]])):
        tables = [(t[0], t[1], version if t[0] == "TVersion" else t[2], t[3]) for t in compacted]
        jet_writer.write_database(os.path.join(out, name), tables)
    tables = [t + ({"properties": RUNAWAY_PROPERTIES},) if t[0] == "TCharge" else t for t in compacted]
    jet_writer.write_database(os.path.join(out, "runaway_properties.mdb"), tables)
    jet_writer.write_database(os.path.join(out, "foreign.mdb"),
                              [("Customers", [("ID", "LONG"), ("Name", "TEXT(50)")], [[1, "Contoso"]])])


if __name__ == "__main__":
    main()
