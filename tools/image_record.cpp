#include "tools/image_record.h"

#include "core/connections.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/sql_text.h"
#include "platform/message_box.h"
#include "records/record_fields.h"

#include <QStringList>

namespace mox {

namespace {

const QString kWorkTable = QStringLiteral("TImageWork");

QString Sentence(const char16_t* phrase, const QString& table) {
    return QString::fromUtf16(phrase) + table + QStringLiteral("）");
}

bool IsBusy(const db::DbError& e) { return e.GetFailure().kind == FailureKind::Busy; }

// The common retry rule of one call: a busy or locked database is tried
// again ten times, a second apart, without a word; then, and at once for any
// other error, the box asks Retry or Cancel. Retry runs the whole operation
// again, so a transaction is always begun afresh.
class Retrier {
public:
    // True when `operation` ran through; false after Cancel.
    bool Run(const std::function<void()>& operation, const QString& sentence) {
        sentence_ = sentence;
        for (;;) {
            try {
                operation();
                return true;
            } catch (const db::DbError& e) {
                if (IsBusy(e) && retriesLeft_ > 0) {
                    --retriesLeft_;
                    platform::Wait(1000);
                    continue;
                }
                if (Ask(e.GetFailure()) != platform::kRetry) return false;
            } catch (const std::exception& e) {
                Failure failure = FromException(e);
                failure.number = 5;
                if (Ask(failure) != platform::kRetry) return false;
            }
        }
    }
    // The operation names the step it is at, for the box.
    void At(const QString& sentence) { sentence_ = sentence; }
    const QString& Sentence() const { return sentence_; }

private:
    int Ask(const Failure& failure) const {
        LogFailure(failure);
        return platform::MsgBox(QStringLiteral("<") + QString::number(failure.number) + QStringLiteral("> ") +
                                    FailureText(failure) + QStringLiteral("\r\n\r\n") + sentence_,
                                48 + 5, QStringLiteral("エラー"));
    }
    int retriesLeft_ = 10;
    QString sentence_;
};

// Runs `step` on the image row with the given ID under the retry rule;
// `failure` when the connection, the step or the row is not there.
int16_t OnImageRow(int32_t id, const char16_t* phrase, int16_t failure,
                   const std::function<void(db::Recordset&)>& step) {
    MainDbUse use;
    if (!use) return failure;
    bool found = false;
    Retrier retry;
    const bool done = retry.Run(
        [&] {
            auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TImage WHERE ID=?"), {id});
            found = !rs->IsEOF();
            if (found) step(*rs);
        },
        Sentence(phrase, kImageTable));
    return done && found ? 0 : failure;
}

QString SlotColumn(const char* stem, int slot) { return QLatin1String(stem) + QString::number(slot + 1); }

int16_t StatusOf(db::Connection& conn) {
    if (!conn.TableExists(kImageTable)) return -1;
    return conn.ColumnNames(kImageTable).contains(QStringLiteral("Rotate9"), Qt::CaseInsensitive) ? 0 : 1;
}

void CreateOn(db::Connection& conn, const QString& table) { conn.Execute(ImageTableDdl(table)); }

void DropOn(db::Connection& conn, const QString& table) {
    conn.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + db::QuoteIdentifier(table));
}

QStringList ColumnsOf(db::Connection& conn, const QString& table) {
    if (!conn.TableExists(table))
        throw db::DbError(db::kErrSql, QStringLiteral("テーブル %1 がありません。").arg(table));
    return conn.ColumnNames(table);
}

QString ColumnList(const QStringList& columns) {
    QStringList quoted;
    for (const QString& c : columns) quoted << db::QuoteIdentifier(c);
    return quoted.join(QStringLiteral(", "));
}

// Every row of source into target by column name; a source column that the
// target lacks fails the copy, a target column that the source lacks keeps
// its default.
void CopyOn(db::Connection& conn, const QString& source, const QString& target) {
    const QStringList targetColumns = ColumnsOf(conn, target);
    const QStringList sourceColumns = ColumnsOf(conn, source);
    for (const QString& c : sourceColumns)
        if (!targetColumns.contains(c, Qt::CaseInsensitive))
            throw db::DbError(db::kErrItemNotFound,
                              QStringLiteral("テーブル %1 に列 %2 がありません。").arg(target, c));
    const QString list = ColumnList(sourceColumns);
    conn.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3")
                     .arg(db::QuoteIdentifier(target), list, db::QuoteIdentifier(source)));
}

// The rows of a leftover work table whose ID the table lacks, through the
// columns both have.
void CopyMissingRowsOn(db::Connection& conn, const QString& work, const QString& table) {
    const QStringList tableColumns = ColumnsOf(conn, table);
    QStringList common;
    for (const QString& c : ColumnsOf(conn, work))
        if (tableColumns.contains(c, Qt::CaseInsensitive)) common << c;
    const QString list = ColumnList(common);
    conn.Execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE ID NOT IN (SELECT ID FROM %1)")
                     .arg(db::QuoteIdentifier(table), list, db::QuoteIdentifier(work)));
}

}  // namespace

CImage::CImage() { ClearBuffer(); }

QString CImage::ImgPath(int slot) const { return slot >= 0 && slot < kImageSlots ? imgPath_[slot] : QString(); }
int16_t CImage::ReverseUD(int slot) const { return slot >= 0 && slot < kImageSlots ? reverseUD_[slot] : 0; }
int16_t CImage::ReverseLR(int slot) const { return slot >= 0 && slot < kImageSlots ? reverseLR_[slot] : 0; }
int32_t CImage::Rotate(int slot) const { return slot >= 0 && slot < kImageSlots ? rotate_[slot] : 0; }

void CImage::SetImgPath(int slot, const QString& value) {
    if (slot >= 0 && slot < kImageSlots) imgPath_[slot] = value;
}
void CImage::SetReverseUD(int slot, int16_t value) {
    if (slot >= 0 && slot < kImageSlots) reverseUD_[slot] = value;
}
void CImage::SetReverseLR(int slot, int16_t value) {
    if (slot >= 0 && slot < kImageSlots) reverseLR_[slot] = value;
}
void CImage::SetRotate(int slot, int32_t value) {
    if (slot >= 0 && slot < kImageSlots) rotate_[slot] = value;
}

void CImage::ClearBuffer() {
    const QDateTime now = platform::CurrentClock().Now();
    ID = 0;
    PatientID = 0;
    ExamDate = now;
    SNo = 0;
    for (int i = 0; i < kImageSlots; ++i) {
        imgPath_[i].clear();
        reverseUD_[i] = 0;
        reverseLR_[i] = 0;
        rotate_[i] = 0;
    }
    UpDate = now;
}

void CImage::RecSetGet(const db::Recordset& rs) {
    auto read = [&rs](const QString& column, auto reader, auto& member) {
        if (!rs.HasField(column)) return;
        try {
            member = reader(rs, column);
        } catch (const db::DbError&) {
        }
    };
    read(QStringLiteral("ID"), ReadLong, ID);
    read(QStringLiteral("PatientID"), ReadLong, PatientID);
    read(QStringLiteral("ExamDate"), ReadDate, ExamDate);
    read(QStringLiteral("SNo"), ReadLong, SNo);
    for (int i = 0; i < kImageSlots; ++i) {
        read(SlotColumn("ImgPath", i), ReadText, imgPath_[i]);
        read(SlotColumn("ReverseUD", i), ReadShort, reverseUD_[i]);
        read(SlotColumn("ReverseLR", i), ReadShort, reverseLR_[i]);
        read(SlotColumn("Rotate", i), ReadLong, rotate_[i]);
    }
    read(QStringLiteral("UpDate"), ReadDate, UpDate);
}

void CImage::RecSetPut(db::Recordset& rs) const {
    auto put = [&rs](const QString& column, const db::Value& value) {
        if (rs.HasField(column)) rs.SetField(column, value);
    };
    put(QStringLiteral("ID"), ID);
    put(QStringLiteral("PatientID"), PatientID);
    put(QStringLiteral("ExamDate"), ExamDate);
    put(QStringLiteral("SNo"), SNo);
    for (int i = 0; i < kImageSlots; ++i) {
        put(SlotColumn("ImgPath", i), imgPath_[i]);
        put(SlotColumn("ReverseUD", i), reverseUD_[i]);
        put(SlotColumn("ReverseLR", i), reverseLR_[i]);
        put(SlotColumn("Rotate", i), rotate_[i]);
    }
    put(QStringLiteral("UpDate"), platform::CurrentClock().Now());
}

int16_t CImage::Insert() {
    MainDbUse use;
    if (!use) return kImageWriteError;
    Retrier retry;
    const bool done = retry.Run(
        [this] {
            auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TImage WHERE 1=0"));
            rs->AddNew();
            RecSetPut(*rs);
            rs->Update();
        },
        Sentence(u"レコード追加エラー（", kImageTable));
    return done ? 0 : kImageWriteError;
}

int16_t CImage::Update(std::optional<int32_t> id) {
    return OnImageRow(id.value_or(ID), u"レコード更新エラー（", kImageWriteError, [this](db::Recordset& rs) {
        RecSetPut(rs);
        rs.Update();
    });
}

int16_t CImage::Read(int32_t id) {
    ClearBuffer();
    return OnImageRow(id, u"レコード読取エラー（", kImageReadError, [this](db::Recordset& rs) { RecSetGet(rs); });
}

int16_t CImage::ReadToBox(int32_t patientId, std::vector<ImageListEntry>& list, bool flag) {
    list.clear();
    MainDbUse use;
    if (!use) return kImageReadError;
    const QDate current = G().CurExamDate;
    const QString currentText = current.toString(QStringLiteral("yyyy/MM/dd"));
    Retrier retry;
    const bool done = retry.Run(
        [&] {
            list.clear();
            enum { NotPlaced, Pending, Placed } entry = NotPlaced;
            int32_t last = -1;
            auto addCurrent = [&](int32_t number) {
                list.push_back({currentText + QLatin1Char('-') + QString::number(number), -1});
                entry = Placed;
            };
            auto rs = MainDbConn()->OpenRecordset(
                QStringLiteral("SELECT * FROM TImage WHERE PatientID=? ORDER BY ExamDate, SNo"), {patientId});
            for (; !rs->IsEOF(); rs->MoveNext()) {
                const QDate date = ReadDate(*rs, QStringLiteral("ExamDate")).date();
                if (entry == Pending && date != current) addCurrent(last + 1);
                if (entry == NotPlaced) {
                    if (date > current)
                        addCurrent(1);
                    else if (date == current)
                        entry = flag ? Pending : Placed;
                }
                const int32_t sno = ReadLong(*rs, QStringLiteral("SNo"));
                list.push_back({date.toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char('-') + QString::number(sno),
                                ReadLong(*rs, QStringLiteral("ID"))});
                last = sno;
            }
            if (entry == NotPlaced) addCurrent(1);
            if (entry == Pending) addCurrent(last + 1);
        },
        Sentence(u"レコード読取エラー（", kImageTable));
    return done ? 0 : kImageReadError;
}

int32_t CImage::ReadSNo(int32_t patientId, const QDateTime& examDate) {
    MainDbUse use;
    if (!use) return 0;
    int32_t sno = 0;
    Retrier retry;
    retry.Run(
        [&] {
            const db::Value v = MainDbConn()->Scalar(
                QStringLiteral("SELECT SNo FROM TImage WHERE PatientID=? AND ExamDate=? ORDER BY SNo DESC"),
                {patientId, examDate});
            sno = v.IsNull() ? 0 : v.ToInt32();
        },
        Sentence(u"レコード読取エラー（", kImageTable));
    return sno;
}

int16_t CImage::Delete(std::optional<int32_t> id) {
    MainDbUse use;
    if (!use) return kImageWriteError;
    const int32_t key = id.value_or(ID);
    Retrier retry;
    const bool done = retry.Run(
        [&] {
            auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TImage WHERE ID=?"), {key});
            if (!rs->IsEOF()) rs->Delete();
        },
        Sentence(u"レコード削除エラー（", kImageTable));
    return done ? 0 : kImageWriteError;
}

bool CImage::DeletePatientData(int32_t patientId) {
    MainDbUse use;
    if (!use) return false;
    try {
        MainDbConn()->Execute(QStringLiteral("DELETE FROM TImage WHERE PatientID=?"), {patientId});
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

int16_t CImage::GetStatusTable() {
    MainDbUse use;
    if (!use) return 0;
    int16_t status = 0;
    Retrier retry;
    if (!retry.Run([&] { status = StatusOf(*MainDbConn()); }, Sentence(u"テーブルチェックエラー（", kImageTable)))
        return 0;
    return status;
}

int16_t CImage::CheckTable(const ImageTableStepHook& stepHook) {
    MainDbUse use;
    if (!use) return kImageWriteError;
    const QString statusSentence = Sentence(u"テーブルチェックエラー（", kImageTable);
    Retrier retry;
    const bool done = retry.Run(
        [&] {
            db::Connection& conn = *MainDbConn();
            int step = 0;
            auto run = [&](const QString& sentence, const std::function<void()>& action) {
                retry.At(sentence);
                if (stepHook) stepHook(++step);
                action();
            };
            retry.At(statusSentence);
            db::Transaction transaction(conn);
            int16_t status = 0;
            run(statusSentence, [&] { status = StatusOf(conn); });
            const bool leftover = conn.TableExists(kWorkTable);
            if (status == 0 && !leftover) return;

            const QString create = Sentence(u"テーブル作成エラー（", kImageTable);
            const QString createWork = Sentence(u"テーブル作成エラー（", kWorkTable);
            const QString drop = Sentence(u"テーブル削除エラー（", kImageTable);
            const QString dropWork = Sentence(u"テーブル削除エラー（", kWorkTable);
            const QString copy = Sentence(u"テーブル作成エラー（", kImageTable);
            if (status == -1) run(create, [&] { CreateOn(conn, kImageTable); });
            if (leftover) {
                run(copy, [&] { CopyMissingRowsOn(conn, kWorkTable, kImageTable); });
                run(dropWork, [&] { DropOn(conn, kWorkTable); });
            }
            if (status == 1) {
                run(dropWork, [&] { DropOn(conn, kWorkTable); });
                run(createWork, [&] { CreateOn(conn, kWorkTable); });
                run(copy, [&] { CopyOn(conn, kImageTable, kWorkTable); });
                run(drop, [&] { DropOn(conn, kImageTable); });
                run(create, [&] { CreateOn(conn, kImageTable); });
                run(copy, [&] { CopyOn(conn, kWorkTable, kImageTable); });
                run(dropWork, [&] { DropOn(conn, kWorkTable); });
            }
            retry.At(create);
            transaction.Commit();
        },
        statusSentence);
    if (done) return 0;
    // A layout test that ends with Cancel reports the current layout, as
    // the test alone would.
    return retry.Sentence() == statusSentence ? 0 : kImageWriteError;
}

}  // namespace mox
