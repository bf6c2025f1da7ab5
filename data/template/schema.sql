-- Tables of the main database VXMOX2.MDB and of its template VXMOX2_ORG.MDB.
--
-- Declared types keep the Access type names (see README.md in this folder):
-- LONG, INTEGER (16-bit), BYTE, TEXT(n), DATETIME, BIT. Code that tells the
-- database format by its column types reads them back exactly as written
-- here, so a type is changed only together with that code.
--
-- "UpDate" is quoted because UPDATE is an SQL keyword; every statement that
-- names the column must quote it the same way.

BEGIN;

-- The format stamp: one row, ID 1. Major * 10000 + Minor * 1000 + Revision
-- must reach 1000 for the program to accept the file.
CREATE TABLE TVersion (
    ID          LONG PRIMARY KEY,
    Major       LONG,
    Minor       LONG,
    Revision    LONG
);

-- Treatment stages (examination occasions), IDs 0..4.
CREATE TABLE TComType (
    ID          INTEGER PRIMARY KEY,
    Comment     TEXT(50),
    CommentDR   TEXT(50),
    CommentDH   TEXT(50),
    DR          BIT,
    DH          BIT
);

-- Examination items: one row per item, shown in input-screen row DisplayRow - 1.
CREATE TABLE TSubExam (
    ID          LONG PRIMARY KEY,
    Name        TEXT(50),
    Mode        LONG,
    Status      INTEGER,
    Btn0Name    TEXT(20),
    Btn1Name    TEXT(20),
    Btn2Name    TEXT(20),
    Btn3Name    TEXT(20),
    Btn4Name    TEXT(20),
    Btn0Val     INTEGER,
    Btn1Val     INTEGER,
    Btn2Val     INTEGER,
    Btn3Val     INTEGER,
    Btn4Val     INTEGER,
    Btn5Val     INTEGER,
    Btn6Val     INTEGER,
    Btn7Val     INTEGER,
    Btn8Val     INTEGER,
    Btn9Val     INTEGER,
    ValColor0   LONG,
    ValColor1   LONG,
    ValColor2   LONG,
    ValColor3   LONG,
    Brightness0 LONG,
    Brightness1 LONG,
    Brightness2 LONG,
    Brightness3 LONG,
    GradPart0   LONG,
    GradPart1   LONG,
    GradPart2   LONG,
    SubName0    TEXT(20),
    SubName1    TEXT(20),
    SubName2    TEXT(20),
    CEJ         LONG,
    DisplayRow  INTEGER
);

-- Staff members with the order in which each one enters values.
CREATE TABLE TCharge (
    ID                  LONG PRIMARY KEY,
    Name                TEXT(50),
    VectorPattern       LONG,
    PocketPattern       INTEGER,
    PocketVector        TEXT(48),
    PlaquePattern       TEXT(32),
    PlaquePosition      TEXT(10),
    PocketPosition      TEXT(18),
    PocketPatternKihon  INTEGER,
    PocketVectorKihon   TEXT(48),
    PocketPositionKihon TEXT(18),
    "UpDate"            DATETIME
);

-- Cases: 1..30 for the clinic's own, 98 and 99 for the samples. BirthDay as
-- text and Sex as a 16-bit integer mark the current format.
CREATE TABLE TPatient (
    ID           LONG PRIMARY KEY,
    KalteNumber  TEXT(20),
    Ruby         TEXT(50),
    Name         TEXT(50),
    BirthDay     TEXT(10),
    Sex          INTEGER,
    TEL          TEXT(20),
    Post         TEXT(10),
    Address1     TEXT(100),
    Address2     TEXT(100),
    NextExamDate DATETIME,
    LastExamDate DATETIME,
    Lock         BYTE,
    AppName      TEXT(50),
    "UpDate"     DATETIME
);

-- One row per examination item (Row 0..3), bleeding marks (Row 9) and
-- suppuration marks (Row 10) of one examination. Data1..Data4 hold 192 site
-- values of three characters each, Bui 32 tooth status words of six.
CREATE TABLE TExamData (
    ID          LONG PRIMARY KEY,
    PatientID   LONG,
    ExamDate    DATETIME,
    Row         LONG,
    Examination LONG,
    SubExam     LONG,
    Data1       TEXT(144),
    Data2       TEXT(144),
    Data3       TEXT(144),
    Data4       TEXT(144),
    Bui         TEXT(192),
    PocketFree  INTEGER,
    StartTime   DATETIME,
    EndTime     DATETIME,
    ChargeID    LONG,
    IsPrinted   BIT,
    "UpDate"    DATETIME,
    CommentID   INTEGER,
    Comment     TEXT(50)
);
-- The screens and the sample refresh read one patient's rows at a time, and
-- the examination list reads each row's day and stage from the first index
-- alone; the start-up upgrade checks every row's occasion label; the save
-- moves one patient's stage. The start-up upgrade makes the same indexes, in
-- the same words, in files that lack them.
CREATE INDEX TExamDataPatientDateOccasion ON TExamData (PatientID, ExamDate, CommentID);
CREATE INDEX TExamDataOccasion ON TExamData (CommentID, Comment);
CREATE INDEX TExamDataPatientOccasion ON TExamData (PatientID, CommentID);
-- The plaque rows still in the form of an earlier release (no not-examined
-- faces, or a value on an implant or a pontic), and rows whose text the
-- upgrade must read whole to judge; empty in a current database, so the
-- start-up upgrade reads this index instead of the examination table.
CREATE INDEX TExamDataPlaqueToFix ON TExamData (SubExam) WHERE SubExam = 3 AND (
    typeof(Data1) <> 'text' OR typeof(Data2) <> 'text'
    OR length(Data1) <> 144 OR length(Data2) <> 144
    OR Data1 GLOB '*[^ 0-9]*' OR Data2 GLOB '*[^ 0-9]*' OR Bui GLOB '*[^ 0-9+-]*'
    OR instr(substr(Data2, 1, 96), '128') > 0
    OR CAST(substr(Bui, 1, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 1, 3) <> '128'
    OR CAST(substr(Bui, 7, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 4, 3) <> '128'
    OR CAST(substr(Bui, 13, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 7, 3) <> '128'
    OR CAST(substr(Bui, 19, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 10, 3) <> '128'
    OR CAST(substr(Bui, 25, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 13, 3) <> '128'
    OR CAST(substr(Bui, 31, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 16, 3) <> '128'
    OR CAST(substr(Bui, 37, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 19, 3) <> '128'
    OR CAST(substr(Bui, 43, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 22, 3) <> '128'
    OR CAST(substr(Bui, 49, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 25, 3) <> '128'
    OR CAST(substr(Bui, 55, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 28, 3) <> '128'
    OR CAST(substr(Bui, 61, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 31, 3) <> '128'
    OR CAST(substr(Bui, 67, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 34, 3) <> '128'
    OR CAST(substr(Bui, 73, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 37, 3) <> '128'
    OR CAST(substr(Bui, 79, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 40, 3) <> '128'
    OR CAST(substr(Bui, 85, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 43, 3) <> '128'
    OR CAST(substr(Bui, 91, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 46, 3) <> '128'
    OR CAST(substr(Bui, 97, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 49, 3) <> '128'
    OR CAST(substr(Bui, 103, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 52, 3) <> '128'
    OR CAST(substr(Bui, 109, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 55, 3) <> '128'
    OR CAST(substr(Bui, 115, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 58, 3) <> '128'
    OR CAST(substr(Bui, 121, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 61, 3) <> '128'
    OR CAST(substr(Bui, 127, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 64, 3) <> '128'
    OR CAST(substr(Bui, 133, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 67, 3) <> '128'
    OR CAST(substr(Bui, 139, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 70, 3) <> '128'
    OR CAST(substr(Bui, 145, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 73, 3) <> '128'
    OR CAST(substr(Bui, 151, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 76, 3) <> '128'
    OR CAST(substr(Bui, 157, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 79, 3) <> '128'
    OR CAST(substr(Bui, 163, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 82, 3) <> '128'
    OR CAST(substr(Bui, 169, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 85, 3) <> '128'
    OR CAST(substr(Bui, 175, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 88, 3) <> '128'
    OR CAST(substr(Bui, 181, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 91, 3) <> '128'
    OR CAST(substr(Bui, 187, 6) AS INTEGER) & 24576 <> 0 AND substr(Data1, 94, 3) <> '128');

-- The counters of the next-number allocator: one row, ID 0.
CREATE TABLE TNextAutoNumber (
    ID        LONG PRIMARY KEY,
    Patient   LONG,
    Attend    LONG,
    Treat     LONG,
    Comment   LONG,
    SubExam   LONG,
    MainExam  LONG,
    Charge    LONG,
    ExamData  LONG,
    Plan      LONG,
    Doctor    LONG,
    Disease   LONG,
    Treatment LONG
);

-- The clinic's name as the import stores it: one row, ID 0.
CREATE TABLE TClinic (
    ID   LONG PRIMARY KEY,
    Name TEXT(200)
);

COMMIT;
