#!/usr/bin/env python3
"""Makes the two databases of the older release that the converter reads.

Usage: make_old_databases.py OUTPUT_FOLDER

Writes vexaMOX.MDB (the specialist and certified-dentist edition) and
vexaMOXDH.MDB (the certified dental hygienist edition) as SQLite files with
the tables of the older release, TPatient and TExamData, and the same two
databases as Jet 4 files, the format the older release really wrote, in the
folder jet/. The rows are what a
clinic's old files hold and what the converter must survive:

- Japanese names, and patients 1..10 in the first file; the second has no
  patient 9, and a patient 11 beyond the ten numbers of the window.
- The old patient format (BirthDay a date, Sex a yes/no column); the
  hygienist edition lacks AppName and Lock, and its examination rows lack
  PocketFree, IsPrinted and Comment.
- Nulls in text, date and number columns, a missing value column, and an
  examination row without a stage.
- Stages 1..5 (5 is no stage of the current release).
- A patient without examinations (A-7), and examination rows of other
  patients that a conversion must leave behind.

The same rows always come out, so the converted rows can be compared with a
committed reference.
"""

import os
import sqlite3
import sys

import jet_writer

NO_VALUE = 128
MISSING, IMPLANT = -32768, 8192


def value_text(values):
    """192 site values, three characters each, cut into Data1..Data4."""
    text = "".join("%3d" % v for v in values)
    return [text[i * 144:(i + 1) * 144] for i in range(4)]


def status_text(words):
    return "".join("%6d" % w for w in words)


def pocket_values(patient, exam):
    """Pocket depths 1..9 in a pattern of the patient and the visit; the
    sites of missing teeth hold no value."""
    values = []
    for tooth in range(32):
        for site in range(6):
            if tooth in (0, 15 + patient % 3):
                values.append(NO_VALUE)
            else:
                values.append(1 + (tooth * 7 + site * 3 + patient * 5 + exam * 2) % 9)
    return values


def bleeding_values(patient, exam):
    return [1 if (site + patient + exam) % 5 == 0 else 0 for site in range(192)]


def mobility_values(patient, exam):
    values = [(tooth + patient + exam) % 4 for tooth in range(32)]
    return values + [NO_VALUE] * 160


def status_words(patient):
    words = [0] * 32
    words[0] = MISSING
    words[15 + patient % 3] = MISSING
    words[20] = IMPLANT if patient % 2 == 0 else 0
    return words


OLD_PATIENT_COLUMNS = [
    ("ID", "LONG PRIMARY KEY"), ("KalteNumber", "TEXT(20)"), ("Ruby", "TEXT(50)"), ("Name", "TEXT(50)"),
    ("BirthDay", "DATETIME"), ("Sex", "BIT"), ("TEL", "TEXT(20)"), ("Post", "TEXT(10)"),
    ("Address1", "TEXT(100)"), ("Address2", "TEXT(100)"), ("NextExamDate", "DATETIME"),
    ("LastExamDate", "DATETIME"), ("Lock", "BYTE"), ("AppName", "TEXT(50)"), ('"UpDate"', "DATETIME"),
]

OLD_EXAM_COLUMNS = [
    ("ID", "LONG PRIMARY KEY"), ("PatientID", "LONG"), ("ExamDate", "DATETIME"), ("Row", "LONG"),
    ("Examination", "LONG"), ("SubExam", "LONG"), ("Data1", "TEXT(144)"), ("Data2", "TEXT(144)"),
    ("Data3", "TEXT(144)"), ("Data4", "TEXT(144)"), ("Bui", "TEXT(192)"), ("PocketFree", "INTEGER"),
    ("StartTime", "DATETIME"), ("EndTime", "DATETIME"), ("ChargeID", "LONG"), ("IsPrinted", "BIT"),
    ('"UpDate"', "DATETIME"), ("CommentID", "INTEGER"), ("Comment", "TEXT(50)"),
]

STAGES = {1: "初診時", 2: "基本治療終了時", 3: "ＳＰＴ移行時", 4: "最新ＳＰＴ時", 5: "その他"}

# (id, kalte number, reading, name, birthday, sex, phone, post code, address)
PATIENTS_A = [
    (1, "A0001", "ヤマダ タロウ", "山田 太郎", "1950-03-04 00:00:00", 1, "03-1234-5678", "100-0001", "東京都千代田区千代田1-1"),
    (2, "A0002", "サトウ ハナコ", "佐藤 花子", "1962-07-21 00:00:00", 0, "06-2345-6789", "530-0001", "大阪府大阪市北区梅田2-2"),
    (3, "A0003", "スズキ イチロウ", "鈴木 一郎", "1971-11-30 00:00:00", 1, "", "", ""),
    (4, "A0004", None, "高橋 美咲", None, None, None, None, None),
    (5, "A0005", "タナカ ケンタ", "田中 健太", "1980-01-15 00:00:00", 1, "011-222-3333", "060-0001", "北海道札幌市中央区3-3"),
    (6, "A0006", "イトウ ユミ", "伊藤 由美", "1958-09-09 00:00:00", 0, "", "", ""),
    (7, "A0007", "ワタナベ マコト", "渡辺 誠", "1945-05-05 00:00:00", 1, "", "", ""),
    (8, "A0008", "ヤマモト サクラ", "山本 さくら", "1990-04-01 00:00:00", 0, "", "", ""),
    (9, "A0009", "ナカムラ ダイスケ", "中村 大輔", "1966-12-24 00:00:00", 1, "", "", ""),
    (10, "A0010", "コバヤシ ナオコ", "小林 直子", "1975-08-08 00:00:00", 0, "", "", ""),
]

PATIENTS_B = [
    (1, "H0001", "カトウ メグミ", "加藤 恵", "1968-02-02 00:00:00", 0, "", "", ""),
    (2, "H0002", "ヨシダ ショウタ", "吉田 翔太", "1985-06-18 00:00:00", 1, "092-111-2222", "810-0001", "福岡県福岡市中央区天神4-4"),
    (3, "H0003", "ヤマグチ アイ", "山口 愛", "1993-10-10 00:00:00", 0, "", "", ""),
    (4, "H0004", "マツモト タカシ", "松本 隆", "1955-03-03 00:00:00", 1, "", "", ""),
    (5, "H0005", "イノウエ ヨウコ", "井上 陽子", "1961-01-01 00:00:00", 0, "", "", ""),
    (6, "H0006", "キムラ タクヤ", "木村 拓也", "1979-07-07 00:00:00", 1, "", "", ""),
    (7, "H0007", "ハヤシ マリ", "林 真理", "1970-12-12 00:00:00", 0, "", "", ""),
    (8, "H0008", "シミズ ケン", "清水 健", "1949-04-29 00:00:00", 1, "", "", ""),
    (10, "H0010", "モリ ユウコ", "森 優子", "1988-08-18 00:00:00", 0, "", "", ""),
    (11, "H0011", "イケダ マナブ", "池田 学", "1972-02-22 00:00:00", 1, "", "", ""),
]

# Examinations by patient: (date, stage); a stage of None is stored as Null.
EXAMS_A = {
    1: [("2018-04-10 00:00:00", 1), ("2018-07-02 00:00:00", 2), ("2019-01-20 00:00:00", 5)],
    2: [("2018-05-11 00:00:00", 1), ("2018-09-14 00:00:00", 3), ("2019-03-01 00:00:00", 4)],
    3: [("2019-02-02 00:00:00", None)],
    4: [("2019-06-06 00:00:00", 2)],
}
EXAMS_B = {
    2: [("2017-10-03 00:00:00", 3), ("2018-10-04 00:00:00", 4)],
    5: [("2018-01-09 00:00:00", 1)],
    9: [("2018-02-02 00:00:00", 1)],
}


def make_database(path, patients, exams, hygienist):
    if os.path.exists(path):
        os.remove(path)
    conn = sqlite3.connect(path)
    conn.execute("PRAGMA journal_mode=DELETE")
    patient_columns = [c for c in OLD_PATIENT_COLUMNS if not (hygienist and c[0] in ("AppName", "Lock"))]
    exam_columns = [c for c in OLD_EXAM_COLUMNS
                    if not (hygienist and c[0] in ("PocketFree", "IsPrinted", "Comment"))]
    conn.execute("CREATE TABLE TPatient (%s)" % ", ".join("%s %s" % c for c in patient_columns))
    conn.execute("CREATE TABLE TExamData (%s)" % ", ".join("%s %s" % c for c in exam_columns))

    for (pid, kalte, ruby, name, birthday, sex, tel, post, address) in patients:
        row = {
            "ID": pid, "KalteNumber": kalte, "Ruby": ruby, "Name": name, "BirthDay": birthday, "Sex": sex,
            "TEL": tel, "Post": post, "Address1": address, "Address2": None if pid == 4 else "",
            "NextExamDate": None if pid == 4 else "2019-10-01 00:00:00",
            "LastExamDate": "2019-04-01 00:00:00", "Lock": pid % 2, "AppName": "申請%02d" % pid,
            '"UpDate"': "2019-04-01 12:00:00",
        }
        names = [c[0] for c in patient_columns]
        conn.execute("INSERT INTO TPatient (%s) VALUES (%s)" % (", ".join(names), ", ".join("?" * len(names))),
                     [row[n] for n in names])

    next_id = 500 if hygienist else 100
    for pid, visits in sorted(exams.items()):
        for visit, (date, stage) in enumerate(visits):
            rows = [(0, 2, pocket_values(pid, visit)), (1, 1, mobility_values(pid, visit)),
                    (9, 2, bleeding_values(pid, visit))]
            for (row_number, item, values) in rows:
                data = value_text(values)
                # A value column the old release left empty.
                if pid == 1 and visit == 1 and row_number == 1:
                    data[3] = None
                start = date[:11] + "09:30:00"
                row = {
                    "ID": next_id, "PatientID": pid, "ExamDate": date, "Row": row_number, "Examination": 2,
                    "SubExam": item, "Data1": data[0], "Data2": data[1], "Data3": data[2], "Data4": data[3],
                    "Bui": status_text(status_words(pid)), "PocketFree": None if visit == 2 else visit,
                    "StartTime": None if (pid == 1 and visit == 0) else start,
                    "EndTime": None if (pid == 1 and visit == 0) else date[:11] + "10:15:00",
                    "ChargeID": None if pid == 3 else 1 + visit, "IsPrinted": visit % 2,
                    '"UpDate"': date[:11] + "18:00:00", "CommentID": stage,
                    # The old label may disagree with the number; the
                    # converter names the stage afresh.
                    "Comment": STAGES.get(stage, "") + ("（旧）" if stage else ""),
                }
                names = [c[0] for c in exam_columns]
                conn.execute(
                    "INSERT INTO TExamData (%s) VALUES (%s)" % (", ".join(names), ", ".join("?" * len(names))),
                    [row[n] for n in names])
                next_id += 1
    conn.commit()
    conn.close()
    os.chmod(path, 0o600)


def copy_to_jet(sqlite_path, jet_path):
    """The same tables and rows as a Jet file."""
    conn = sqlite3.connect(sqlite_path)
    tables = []
    for table in ("TPatient", "TExamData"):
        columns = [(name, declared) for (_, name, declared, _, _, _) in conn.execute("PRAGMA table_info(%s)" % table)]
        rows = [list(r) for r in conn.execute("SELECT * FROM %s ORDER BY rowid" % table)]
        tables.append((table, columns, rows))
    conn.close()
    jet_writer.write_database(jet_path, tables)
    os.chmod(jet_path, 0o600)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "jet"), exist_ok=True)
    for name, patients, exams, hygienist in (("vexaMOX.MDB", PATIENTS_A, EXAMS_A, False),
                                             ("vexaMOXDH.MDB", PATIENTS_B, EXAMS_B, True)):
        make_database(os.path.join(out, name), patients, exams, hygienist)
        copy_to_jet(os.path.join(out, name), os.path.join(out, "jet", name))


if __name__ == "__main__":
    main()
