// Backup and restore of a generated database of about 50 MB (examination
// rows of a large clinic), beside a plain copy of the same file on the same
// disk: once as QFile::copy does it, once synced as a backup must be. The
// aim is the disk's speed: a backup within 1.5 times the plain copy.

#include "core/connections.h"
#include "core/settings.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tools/database_copy.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using namespace mox;

QString TemplatePath() {
    return QString::fromLocal8Bit(qgetenv("MOX_PROGRAM_DIR")) + QStringLiteral("/VXMOX2_ORG.MDB");
}

struct Clinic {
    Clinic() {
        main = dir.filePath(QStringLiteral("VXMOX2.MDB"));
        QFile::copy(TemplatePath(), main);
        QFile::setPermissions(main, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto conn = db::Connection::Open(db::DataSourcePart(main));
        QString values;
        for (int site = 0; site < 192; ++site) values += QString::number(1 + site % 7).rightJustified(3);
        const QString bui = QString(QStringLiteral("     0")).repeated(32);
        for (int id = 1; QFileInfo(main).size() < 50'000'000 && id < 200'000;) {
            db::Transaction transaction(*conn);
            for (const int end = id + 5000; id < end; ++id)
                conn->Execute(
                    QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, SubExam, "
                                   "Data1, Data2, Data3, Data4, Bui, CommentID, Comment) "
                                   "VALUES (?, ?, ?, 0, 2, 2, ?, ?, ?, ?, ?, 1, '')"),
                    {100000 + id, 1 + id % 30,
                     QStringLiteral("2019-01-%1 00:00:00").arg(1 + id % 28, 2, 10, QLatin1Char('0')),
                     values.mid(0, 144), values.mid(144, 144), values.mid(288, 144), values.mid(432, 144), bui});
            transaction.Commit();
        }
        conn->Close();
        bytes = QFileInfo(main).size();
        source = dir.filePath(QStringLiteral("VXMOX2_source.MDB"));
        QFile::copy(main, source);
        G().AppPath = dir.path();
        G().MainDbFile = QStringLiteral("/VXMOX2.MDB");
        G().MainDbSource = db::DataSourcePart(main);
        platform::SetMsgBoxResponder([](const platform::ShownBox& b) {
            std::fprintf(stderr, "%s\n", qPrintable(b.prompt));
            return platform::kYes;
        });
    }
    QTemporaryDir dir;
    QString main, source;
    qint64 bytes = 0;
};

Clinic& TheClinic() {
    static Clinic clinic;
    return clinic;
}

void Report(benchmark::State& state, qint64 bytes) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_PlainCopy(benchmark::State& state) {
    Clinic& c = TheClinic();
    const QString target = c.dir.filePath(QStringLiteral("plain.MDB"));
    for (auto _ : state) {
        QFile::remove(target);
        QFile::copy(c.main, target);
    }
    Report(state, c.bytes);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainCopySynced(benchmark::State& state) {
    Clinic& c = TheClinic();
    const QString target = c.dir.filePath(QStringLiteral("plain.MDB"));
    for (auto _ : state) {
        QFile::remove(target);
        QFile::copy(c.main, target);
        const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY);
        ::fsync(fd);
        ::close(fd);
    }
    Report(state, c.bytes);
}
BENCHMARK(BM_PlainCopySynced)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BackUp(benchmark::State& state) {
    Clinic& c = TheClinic();
    const QString target = c.dir.filePath(QStringLiteral("backup.MDB"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
        if (!BackUpDatabase(c.main, target)) state.SkipWithError("backup failed");
    }
    Report(state, c.bytes);
}
BENCHMARK(BM_BackUp)->Unit(benchmark::kMillisecond)->UseRealTime();

// A restore copies twice: the chosen file beside the main file, and the
// main file to its safety copy.
void BM_Restore(benchmark::State& state) {
    Clinic& c = TheClinic();
    for (auto _ : state) {
        state.PauseTiming();
        for (const QString& f : QDir(c.dir.path()).entryList({QStringLiteral("VXMOX2_2*.MDB")}, QDir::Files))
            QFile::remove(c.dir.filePath(f));
        state.ResumeTiming();
        if (!RestoreDatabase(c.source, c.main, c.dir.path(), QStringLiteral("VXMOX2")).restored)
            state.SkipWithError("restore failed");
    }
    Report(state, c.bytes);
}
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
