#include "converter/conversion_backup.h"

#include "core/connections.h"
#include "core/database_replacement.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/sqlite_file.h"
#include "platform/message_box.h"
#include "records/old_format.h"

#include <QFile>
#include <QFileInfo>

namespace mox::convert {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

int64_t CountRows(db::Connection& conn, const QString& table) {
    return conn.Scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).AsInt64();
}

// The copy opens as a database, passes the engine's check and holds the
// patients and examinations the main database holds.
bool BackupIsWhole(const QString& backupPath) {
    try {
        const MainDbUse use;
        if (!use) return false;
        const db::ConnectionPtr backup = db::Connection::Open(db::DataSourcePart(backupPath));
        const bool whole =
            db::IntegrityCheck(*backup) == QStringLiteral("ok") &&
            CountRows(*backup, QStringLiteral("TPatient")) == CountRows(*MainDbConn(), QStringLiteral("TPatient")) &&
            CountRows(*backup, QStringLiteral("TExamData")) == CountRows(*MainDbConn(), QStringLiteral("TExamData"));
        backup->Close();
        return whole;
    } catch (const db::DbError& e) {
        // The user reads that no copy could be made; the engine's words are for the log.
        LogFailure(QStringLiteral("コンバート前の控えの確認 %1").arg(backupPath), FailureLogText(e.GetFailure()));
        return false;
    }
}

}  // namespace

QString MakeConversionBackup() {
    const Settings& g = G();
    const QString mainPath = g.MainDb().Path();
    const QString backupPath = OldFormatConversion::UniqueKeptPath(g.AppPath(), platform::CurrentClock().Now());

    // Kept as every original before a conversion is: a copy of its own,
    // owner-only, read back from the disk.
    const Failure kept = KeepDatabaseFile(mainPath, backupPath, KeepBy::Copy);
    if (!kept && BackupIsWhole(backupPath)) return backupPath;

    // Only the copy just made is removed; earlier ones are never touched.
    Failure notKept = kept;
    if (!kept) {
        QFile::remove(backupPath);
        notKept.kind = FailureKind::Other;  // not whole: why is in the log
    }
    notKept = notKept.As(Doing::ConvertPatients, FailureStep::KeepOriginal);
    notKept.place = QFileInfo(backupPath).fileName();
    LogFailure(notKept);
    platform::MsgBox(FailureText(notKept), 16, QStringLiteral("コンバートエラー"));
    return {};
}

}  // namespace mox::convert
