#pragma once
// A converter's program folder in a sandbox, as the tests need it: the
// template copied to VXMOX2.MDB with one target slot already filled, the
// older release's two databases beside it, the converter's paths in G(), a
// clock stopped at a known moment, scripted message boxes and an end of the
// program that throws instead of ending the test.

#include "controls/colour_button/prismet_properties.h"
#include "converter/converter_start.h"
#include "core/connections.h"
#include "core/next_number.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/com/control_host.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "records/shared_records.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QFile>
#include <QStringList>

namespace mox::convert::test {

struct EndProgramCalled {};

inline QString OldReleaseDir() { return QStringLiteral(MOX_OLD_RELEASE_DIR); }
inline QString GoldenDir() { return QStringLiteral(MOX_CONVERTER_GOLDEN_DIR); }

// The moment every test converts at.
inline QDateTime ConversionMoment() { return QDateTime(QDate(2024, 5, 6), QTime(10, 20, 30)); }

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// One line per row, columns in table order joined by '|': Null as NULL,
// texts quoted, numbers bare, so that a Null that became an empty text or a
// number that became text shows.
inline QStringList DumpRows(db::Connection& conn, const QString& sql, const std::vector<db::Value>& params = {},
                            const QStringList& leaveOut = {}) {
    QStringList lines;
    auto rs = conn.OpenRecordset(sql, params);
    const QStringList names = rs->FieldNames();
    for (; !rs->IsEOF(); rs->MoveNext()) {
        QStringList cells;
        for (int i = 0; i < names.size(); ++i) {
            if (leaveOut.contains(names[i], Qt::CaseInsensitive)) continue;
            const db::Value v = rs->Field(i);
            if (v.IsNull())
                cells << QStringLiteral("NULL");
            else if (v.IsText())
                cells << QLatin1Char('"') + v.ToText() + QLatin1Char('"');
            else
                cells << v.ToText();
        }
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

// Every row of the tables a conversion may touch, identifiers included.
inline QStringList DumpDatabase(const QString& path) {
    auto conn = db::Connection::Open(db::DataSourcePart(path));
    QStringList all;
    for (const char* table : {"TPatient", "TExamData", "TNextAutoNumber"})
        all << DumpRows(*conn, QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(QLatin1String(table)));
    return all;
}

inline QString IntegrityCheck(const QString& path) {
    auto conn = db::Connection::Open(db::DataSourcePart(path));
    return conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText();
}

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        G() = Settings{};
        clock_.SetNow(ConversionMoment());
        SetEndProgramHandler([] { throw EndProgramCalled{}; });
        SetupConverterPaths(box_.Path());
        Globals().NextAutoNumber = std::make_unique<CNextAutoNumber>();
    }
    void TearDown() override {
        ResetAllSlots();
        SetEndProgramHandler({});
        ReleaseConverterObjects();
    }

    QString Path(const QString& name) const { return box_.File(name); }
    QString MainPath() const { return box_.File(QStringLiteral("VXMOX2.MDB")); }

    // The main database from the template, with slot 7 holding a patient of
    // its own and two examinations.
    void MakeMainDatabase() {
        ASSERT_FALSE(box_.CopyTemplate().isEmpty());
        auto conn = db::Connection::Open(db::DataSourcePart(MainPath()));
        conn->Execute(QStringLiteral("INSERT INTO TPatient (ID, KalteNumber, Name, BirthDay, Sex, \"UpDate\") "
                                     "VALUES (?, ?, ?, ?, ?, ?)"),
                      {7, QStringLiteral("K-7"), QStringLiteral("既存 患者"), QStringLiteral("1960/01/01"), 2,
                       QStringLiteral("2023-01-01 00:00:00")});
        conn->Close();
        for (int row : {0, 9}) {
            const int32_t id = GetNextAutoNumber(QStringLiteral("TExamData"));
            auto main = db::Connection::Open(db::DataSourcePart(MainPath()));
            main->Execute(QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, CommentID, Comment) "
                                         "VALUES (?, 7, '2023-01-01 00:00:00', ?, 1, '初診時')"),
                          {id, row});
        }
        ResetAllSlots();
    }

    // The older release's databases, copied into the program folder under
    // the given names.
    void CopySources(const QString& nameA = QStringLiteral("vexaMOX.MDB"),
                     const QString& nameB = QStringLiteral("vexaMOXDH.MDB")) {
        if (!nameA.isEmpty()) {
            ASSERT_TRUE(QFile::copy(OldReleaseDir() + QStringLiteral("/vexaMOX.MDB"), Path(nameA)));
        }
        if (!nameB.isEmpty()) {
            ASSERT_TRUE(QFile::copy(OldReleaseDir() + QStringLiteral("/vexaMOXDH.MDB"), Path(nameB)));
        }
    }

    // The colour buttons' module of the build, registered in the sandbox's
    // registry.
    static void RegisterColourButtons() {
        const QString module = mox::test::ProgramDir() + QStringLiteral("/libPrismet.so");
        ASSERT_EQ(com::EnsureModuleRegistered(module, QLatin1String(prismet::kClsidPrismet)), com::S_OK);
    }

    mox::test::Sandbox box_;
    platform::FakeClock clock_;
    platform::ScriptedMsgBoxes boxes_;
};

}  // namespace mox::convert::test
