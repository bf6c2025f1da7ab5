#include "converter/source_databases.h"
#include "core/program_log.h"

#include "core/connections.h"
#include "core/files.h"
#include "core/settings.h"
#include "platform/message_box.h"

#include <QFileInfo>

namespace mox::convert {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

constexpr int kSourcePatients = 10;
constexpr int kTargetFlagLimit = 31;
// The sample patients (98, 99) and anything above them are no user cases.
constexpr int kSampleCases = 99;

// The database named `name` could not be read, as `reading` words it.
void ShowReadError(Doing reading, const QString& name, const Failure& failure) {
    Failure shown = failure.As(reading);
    shown.place = name;
    platform::MsgBox(FailureText(shown), 48, QStringLiteral("読み込みエラー"));
}

}  // namespace

QString SourceFileName(SourceDb source) {
    return source == SourceDb::A ? QStringLiteral("vexaMOX.MDB") : QStringLiteral("vexaMOXDH.MDB");
}

QString SourceLetter(SourceDb source) { return source == SourceDb::A ? QStringLiteral("A") : QStringLiteral("B"); }

QString LocateSourceDb(SourceDb source) {
    const QString path = FindFileIgnoringCase(G().AppPath() + QLatin1Char('/') + SourceFileName(source));
    (source == SourceDb::A ? G().SourceDbSourceA : G().SourceDbSourceB) = db::DataSourcePart(path);
    return path;
}

bool OpenSourceDb(SourceDb source) { return source == SourceDb::A ? OpenSourceDbA() : OpenSourceDbB(); }
bool ReleaseSourceDb(SourceDb source) { return source == SourceDb::A ? ReleaseSourceDbA() : ReleaseSourceDbB(); }
db::ConnectionPtr SourceDbConn(SourceDb source) { return source == SourceDb::A ? SourceDbConnA() : SourceDbConnB(); }

void CheckSourceTables(db::Connection& conn) {
    for (const QString& table : {QStringLiteral("TPatient"), QStringLiteral("TExamData")}) {
        if (!conn.TableExists(table))
            throw db::DbError(db::kErrItemNotFound,
                              QStringLiteral("%1 に表 %2 がありません。旧バージョンのデータベースではありません。")
                                  .arg(QFileInfo(conn.Info().dataSource).fileName(), table));
    }
}

SourceFlags ReadSourcePatients(SourceDb source) {
    SourceFlags flags{};
    const QString path = LocateSourceDb(source);
    if (!CheckFile(path)) {
        // Several names that differ only in letter case leave a guess: none is read.
        if (const QStringList found = FindFilesIgnoringCase(path); found.size() > 1) {
            QStringList names;
            for (const QString& file : found) names << QFileInfo(file).fileName();
            platform::MsgBox(
                QStringLiteral("コンバート元のデータベース(%1)として、\r\n名前の大文字・小文字だけが異なるファイルが"
                               "複数あるため、どれを読むか決められません。\r\nこの列の患者は選べません。")
                        .arg(SourceFileName(source)) +
                    kCrLf + kCrLf + names.join(kCrLf),
                48, QStringLiteral("読み込みエラー"));
        }
        return flags;
    }
    SourceDbUse use(source);
    if (!use) return flags;
    try {
        const db::ConnectionPtr conn = SourceDbConn(source);
        CheckSourceTables(*conn);
        auto rs =
            conn->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID>=? AND ID<=?"), {1, kSourcePatients});
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const int64_t id = rs->Field(QStringLiteral("ID")).ToInt64();
            if (id >= 1 && id <= kSourcePatients) flags[id - 1] = 1;
        }
    } catch (const db::DbError& e) {
        flags = {};
        // The library's or the engine's own words are for the log; the user
        // reads why.
        const Failure& failure = e.GetFailure();
        if (failure.doing == Doing::ReadJet)
            LogFailure(path, failure.detail);
        else
            LogFailure(failure);
        ShowReadError(Doing::ReadOldRelease, QFileInfo(path).fileName(), failure);
    }
    return flags;
}

TargetFlags ReadTargetPatients() {
    TargetFlags flags{};
    const QString path = G().MainDb().Path();
    if (!CheckFile(path)) return flags;
    MainDbUse use;
    if (!use) return flags;
    try {
        auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID>=? AND ID<?"),
                                              {1, kSampleCases});
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const int64_t id = rs->Field(QStringLiteral("ID")).ToInt64();
            if (id >= 1 && id <= kTargetFlagLimit) flags[id - 1] = 1;
        }
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        ShowReadError(Doing::ReadConvertTarget, QFileInfo(path).fileName(), e.GetFailure());
    }
    return flags;
}

}  // namespace mox::convert
