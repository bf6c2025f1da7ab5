#!/usr/bin/env python3
"""Makes the sibling product's database that the import tests read.

Usage: make_sibling_databases.py OUTPUT_FOLDER

Writes vx2.MDB, the sibling's Access file as an SQLite file with the tables
the import reads (TPatient, TExamData, TExamStatus), and the same tables and
rows as a Jet 4 file in jet/vx2.MDB. The rows are what an import must
handle:

- Japanese names, a patient whose name, reading, birthday and sex are Null,
  and a birthday that is no date (Null in the Jet file, whose date column
  cannot hold text).
- Chart numbers that break SQL built from text ("'", '"', ";--"), full-width
  digits, an empty one, one with a trailing blank, and "12" beside "123".
- Patient 1's examinations: one date with a time part, one without a
  TExamStatus row, one with Nulls in value, number and date columns, one
  never chosen; items 1, 2, 3, 5 and 13 with Row 0, 3, 4, 9, 10 and 11;
  ChargeID 7 everywhere. Examinations of other patients on the same days.

The same rows always come out, so imported rows compare with a committed
reference.
"""

import os
import sqlite3
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "old_release"))
import jet_writer  # noqa: E402

NO_VALUE = 128

PATIENT_COLUMNS = [("ID", "LONG"), ("KalteNumber", "TEXT(20)"), ("Ruby", "TEXT(50)"), ("Name", "TEXT(50)"),
                   ("BirthDay", "DATETIME"), ("Sex", "INTEGER"), ("TEL", "TEXT(20)")]
EXAM_COLUMNS = [("ID", "LONG"), ("PatientID", "LONG"), ("ExamDate", "DATETIME"), ("Row", "LONG"),
                ("Examination", "LONG"), ("SubExam", "LONG"), ("Data1", "TEXT(144)"), ("Data2", "TEXT(144)"),
                ("Data3", "TEXT(144)"), ("Data4", "TEXT(144)"), ("Bui", "TEXT(192)"), ("PocketFree", "INTEGER"),
                ("StartTime", "DATETIME"), ("EndTime", "DATETIME"), ("ChargeID", "LONG"), ("IsPrinted", "BIT"),
                ("UpDate", "DATETIME"), ("CommentID", "INTEGER"), ("Comment", "TEXT(50)")]
STATUS_COLUMNS = [("ID", "LONG"), ("PatientID", "LONG"), ("ExamDate", "DATETIME"), ("TreatLGID", "LONG"),
                  ("TreatMGID", "INTEGER"), ("TreatMG", "TEXT(50)"), ("UpDate", "DATETIME")]

# (id, chart number, reading, name, birthday, sex)
PATIENTS = [
    (1, "1001", "ヤマダ タロウ", "山田 太郎", "1950-03-04 00:00:00", 1),
    (2, "1002", None, None, None, None),
    (3, "12", "ジュウニ イチロウ", "十二 一郎", "1989-01-08 00:00:00", 2),
    (4, "123", "ヒャク ニゾウ", "百 二三", "不明", 0),
    (5, "'", "イン ヨウ", "引 用", "2019-05-01 00:00:00", 1),
    (6, '"', "ニジュウ イン", "二重 引", "1926-12-25 00:00:00", 2),
    (7, ";--", "コメント", "注 釈", "1912-07-30 00:00:00", 1),
    (8, "１２３", "ゼンカク", "全 角", "1868-01-01 00:00:00", 2),
    (9, "", "カラ", "空 番号", "1960-02-29 00:00:00", 1),
    (10, "1001 ", "ブランク", "末尾 空白", "1970-10-10 00:00:00", 2),
]


def values(pattern):
    """A value per site (six per tooth); teeth 0 and 31 are missing."""
    out = []
    for tooth in range(32):
        for site in range(6):
            if tooth in (0, 31):
                out.append(NO_VALUE)
            else:
                out.append(pattern(tooth, site))
    return out


def value_text(vals):
    text = "".join("%3d" % v for v in vals)
    return [text[i * 144:(i + 1) * 144] for i in range(4)]


def status_text(words):
    return "".join("%6d" % w for w in words)


POCKETS = values(lambda t, s: 1 + (t * 5 + s * 3) % 8)
BLEEDING = values(lambda t, s: 1 if (t + s) % 4 == 0 else 0)
SUPPURATION = values(lambda t, s: 1 if (t + s) % 9 == 0 else 0)
# Mobility is one value per tooth, in the first 32 places.
MOBILITY = [t % 4 if 0 < t < 31 else NO_VALUE for t in range(32)] + [NO_VALUE] * 160
FURCATION = values(lambda t, s: (t + s) % 3 if t in (1, 2, 14, 17, 29, 30) else NO_VALUE)
# Plaque: face bits per tooth; the not-examined bits at 48.. are left at
# 128, so that the upgrade after the import fills them in.
PLAQUE = [(t * 3) % 16 if 0 < t < 31 else NO_VALUE for t in range(32)] + [NO_VALUE] * 160
STATUS = [-32768] + [0] * 19 + [8192] + [0] * 9 + [16384, -32768]

# Patient 1's dates: (stored ExamDate, stage of TExamStatus or None).
DATE_A = "2010-04-01 09:30:00"
DATE_B = "2010-08-15 00:00:00"
DATE_C = "2011-02-01 00:00:00"
DATE_D = "2012-06-30 00:00:00"


def exam_rows():
    rows = []
    next_id = [1001]

    def add(patient, date, row, item, vals, **extra):
        data = value_text(vals)
        record = {
            "ID": next_id[0], "PatientID": patient, "ExamDate": date, "Row": row, "Examination": 2,
            "SubExam": item, "Data1": data[0], "Data2": data[1], "Data3": data[2], "Data4": data[3],
            "Bui": status_text(STATUS), "PocketFree": 1, "StartTime": date[:11] + "09:30:00",
            "EndTime": date[:11] + "10:05:00", "ChargeID": 7, "IsPrinted": 1, "UpDate": date[:11] + "18:00:00",
            "CommentID": 9, "Comment": "兄弟製品の段階",
        }
        record.update(extra)
        rows.append([record[c] for c, _ in EXAM_COLUMNS])
        next_id[0] += 1

    add(1, DATE_A, 0, 2, POCKETS)
    add(1, DATE_A, 4, 1, MOBILITY)
    add(1, DATE_A, 0, 13, FURCATION)
    add(1, DATE_A, 3, 3, PLAQUE)
    add(1, DATE_A, 9, 2, BLEEDING)
    add(1, DATE_A, 10, 2, SUPPURATION)
    add(1, DATE_A, 11, 2, POCKETS)  # a row the import leaves out
    add(1, DATE_A, 0, 5, POCKETS)  # an item the import leaves out
    add(1, DATE_B, 0, 2, [v if v == NO_VALUE else v + 1 for v in POCKETS])
    add(1, DATE_B, 9, 2, SUPPURATION)
    c = value_text([v if v == NO_VALUE else 9 - v for v in POCKETS])
    add(1, DATE_C, 0, 2, POCKETS, Data1=c[0], Data2=c[1], Data3=c[2], Data4=None, PocketFree=None,
        StartTime=None, EndTime=None, Bui=None)
    add(1, DATE_C, 1, 1, MOBILITY, Examination=None)
    add(1, DATE_D, 0, 2, POCKETS)
    add(2, "2015-05-05 00:00:00", 0, 2, POCKETS)
    add(3, DATE_A, 0, 2, POCKETS)  # another patient on the same day
    add(9, DATE_B, 0, 2, POCKETS)
    return rows


STATUS_ROWS = [
    [1, 1, "2010-04-01 00:00:00", 7, 1, "初診時", "2010-04-01 18:00:00"],
    [2, 1, DATE_C, 7, 3, "ＳＰＴ移行時", "2011-02-01 18:00:00"],
    [3, 1, DATE_D, 7, 4, "最新ＳＰＴ時", "2012-06-30 18:00:00"],
    [4, 2, "2015-05-05 00:00:00", 7, 2, "基本治療終了時", "2015-05-05 18:00:00"],
    [5, 3, "2010-04-01 00:00:00", 7, 2, "基本治療終了時", "2010-04-01 18:00:00"],
]


def tables(for_jet):
    def is_date(text):
        return text is None or (len(text) == 19 and text[4] == "-")

    patients = []
    for (pid, kalte, ruby, name, birthday, sex) in PATIENTS:
        if for_jet and not is_date(birthday):
            birthday = None  # a Jet date column holds no text
        patients.append([pid, kalte, ruby, name, birthday, sex, "03-0000-%04d" % pid])
    return [("TPatient", PATIENT_COLUMNS, patients), ("TExamData", EXAM_COLUMNS, exam_rows()),
            ("TExamStatus", STATUS_COLUMNS, STATUS_ROWS)]


def write_sqlite(path):
    if os.path.exists(path):
        os.remove(path)
    conn = sqlite3.connect(path)
    conn.execute("PRAGMA journal_mode=DELETE")
    for name, columns, rows in tables(for_jet=False):
        conn.execute("CREATE TABLE %s (%s)" % (name, ", ".join('"%s" %s' % c for c in columns)))
        conn.executemany("INSERT INTO %s VALUES (%s)" % (name, ", ".join("?" * len(columns))), rows)
    conn.commit()
    conn.close()
    os.chmod(path, 0o600)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "jet"), exist_ok=True)
    write_sqlite(os.path.join(out, "vx2.MDB"))
    jet = os.path.join(out, "jet", "vx2.MDB")
    jet_writer.write_database(jet, tables(for_jet=True))
    os.chmod(jet, 0o600)


if __name__ == "__main__":
    main()
