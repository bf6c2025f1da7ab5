// The atomic file writes: whatever step fails, or wherever the process dies,
// the destination is the old complete file or the new complete one.

#include "platform/atomic_file.h"
#include "platform/descriptor.h"
#include "tests/support/kill_at.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <stdexcept>

namespace mox::platform {
namespace {

const QByteArray kOld("the old complete content");
// Larger than one copy buffer, so that a copy takes several write steps.
const QByteArray kNew(150000, 'n');

class AtomicFileTest : public ::testing::Test {
protected:
    QString Make(const QString& name, const QByteArray& bytes, mode_t mode) {
        box_.WriteText(name, bytes);
        ::chmod(QFile::encodeName(box_.File(name)).constData(), mode);
        return box_.File(name);
    }
    QByteArray Read(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    mode_t ModeOf(const QString& path) const {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    int Open(const QString& path) const { return ::open(QFile::encodeName(path).constData(), O_RDONLY); }
    // Every file in the folder but the ones a test made itself.
    QStringList Files() const {
        return QDir(box_.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    // The three writers, each turning `target` from kOld into kNew.
    struct Writer {
        const char* name;
        std::function<int(AtomicFileTest&, const QString& target)> run;
    };
    static std::vector<Writer> Writers() {
        return {
            {"write",
             [](AtomicFileTest&, const QString& target) {
                 return WriteFileAtomically(target,
                                            [](FileSink& sink) {
                                                for (qsizetype at = 0; at < kNew.size(); at += 50000)
                                                    if (Failure f = sink.Write(kNew.mid(at, 50000))) return f;
                                                return Failure();
                                            })
                     .code;
             }},
            {"copy",
             [](AtomicFileTest& t, const QString& target) {
                 return CopyFileAtomically(t.Make(QStringLiteral("source"), kNew, 0640), target).code;
             }},
            {"place",
             [](AtomicFileTest& t, const QString& target) {
                 return PlaceFileAtomically(t.Make(QStringLiteral("written"), kNew, 0600), target).code;
             }},
            {"verified copy",
             [](AtomicFileTest& t, const QString& target) {
                 const Descriptor in(t.Open(t.Make(QStringLiteral("source"), kNew, 0600)));
                 return CopyDescriptorAtomically(in.get(), target).code;
             }},
        };
    }

    test::Sandbox box_;
};

TEST_F(AtomicFileTest, NewContentReplacesTheTargetAndTheModeIsKept) {
    // A new file holds patient data: owner-only.
    const QString fresh = box_.File(QStringLiteral("new.MDB"));
    EXPECT_EQ(WriteFileAtomically(fresh, [](FileSink& sink) { return sink.Write(kNew); }).code, 0);
    EXPECT_EQ(Read(fresh), kNew);
    EXPECT_EQ(ModeOf(fresh), 0600u);

    // A replaced file keeps its mode, also through a placed file.
    const QString target = Make(QStringLiteral("VXMOX2.MDB"), kOld, 0640);
    EXPECT_EQ(WriteFileAtomically(target, [](FileSink& sink) { return sink.Write(kNew); }).code, 0);
    EXPECT_EQ(ModeOf(target), 0640u);
    ASSERT_EQ(PlaceFileAtomically(Make(QStringLiteral("VXCP.MDB"), kOld, 0600), target).code, 0);
    EXPECT_EQ(Read(target), kOld);
    EXPECT_EQ(ModeOf(target), 0640u);

    // A copy takes the source's bytes and mode, a read-only target too.
    const QString readOnly = Make(QStringLiteral("backup.MDB"), kOld, 0444);
    ASSERT_EQ(CopyFileAtomically(Make(QStringLiteral("source"), kNew, 0600), readOnly).code, 0);
    EXPECT_EQ(Read(readOnly), kNew);
    EXPECT_EQ(ModeOf(readOnly), 0600u);

    // A database copy is owner-only from its first byte, whatever the
    // source's mode.
    const QString open = Make(QStringLiteral("open.MDB"), kNew, 0644);
    const QString database = box_.File(QStringLiteral("database.MDB"));
    const QStringList before = Files();
    QStringList beingWritten;
    {
        FileStepFault whileCopied(2, [&](FileStep step) {
            EXPECT_EQ(step, FileStep::Write);
            for (const QString& name : Files())
                if (!before.contains(name)) {
                    beingWritten << name;
                    EXPECT_EQ(ModeOf(box_.File(name)), 0600u) << name.toStdString();
                }
        });
        ASSERT_EQ(CopyFileAtomically(open, database, FileAccess::OwnerOnly).code, 0);
    }
    EXPECT_EQ(beingWritten.size(), 1);
    EXPECT_EQ(Read(database), kNew);
    EXPECT_EQ(ModeOf(database), 0600u);
    QFile::remove(open);
    QFile::remove(database);

    EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXMOX2.MDB"), QStringLiteral("backup.MDB"),
                                    QStringLiteral("new.MDB"), QStringLiteral("source")}));
}

TEST_F(AtomicFileTest, FailureAtEveryStepLeavesTheOldFileAndNoTemporary) {
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        for (int k = 1;; ++k) {
            SCOPED_TRACE(k);
            const QString target = Make(QStringLiteral("VXMOX2.MDB"), kOld, 0600);
            FileStepFault fault(k, ENOSPC);
            const int result = writer.run(*this, target);
            if (fault.StepsTaken() < k) {  // every step passed: the write is done
                EXPECT_EQ(result, 0);
                EXPECT_EQ(Read(target), kNew);
                EXPECT_GT(k, 3);
                break;
            }
            if (fault.Steps()[k - 1] == FileStep::SyncFolder) {
                // The rename has happened; the new file stands.
                EXPECT_EQ(result, 0);
                EXPECT_EQ(Read(target), kNew);
            } else {
                EXPECT_EQ(result, ENOSPC);
                EXPECT_EQ(Read(target), kOld);
            }
            QFile::remove(box_.File(QStringLiteral("written")));  // left to the caller by a failed place
            QFile::remove(box_.File(QStringLiteral("source")));
            EXPECT_EQ(Files(), QStringList{QStringLiteral("VXMOX2.MDB")});
        }
    }
}

TEST_F(AtomicFileTest, ProducerThatGivesUpOrThrowsLeavesTheOldFile) {
    const QString target = Make(QStringLiteral("VXMOX2.MDB"), kOld, 0600);
    EXPECT_EQ(WriteFileAtomically(target,
                                  [](FileSink& sink) {
                                      sink.Write(QByteArray("half of it"));
                                      return FromErrno(FailureStep::Write, EIO);
                                  })
                  .code,
              EIO);
    EXPECT_EQ(Read(target), kOld);

    FileStepFault fault(2, [](FileStep) { throw std::runtime_error("入出力エラー"); });
    EXPECT_THROW(WriteFileAtomically(target, [](FileSink& sink) { return sink.Write(kNew); }), std::runtime_error);
    EXPECT_EQ(Read(target), kOld);
    EXPECT_EQ(Files(), QStringList{QStringLiteral("VXMOX2.MDB")});
}

// What reached the new file is spoiled after its sync, as a file system
// that drops or alters a write would: the verified copy refuses it.
TEST_F(AtomicFileTest, VerifiedCopyThatDiffersFromItsSourceReplacesNothing) {
    const Descriptor in(Open(Make(QStringLiteral("source"), kNew, 0600)));
    const QString target = Make(QStringLiteral("VXMOX2.MDB"), kOld, 0600);
    int verifyAt = 0;
    {
        FileStepFault counter;
        ASSERT_EQ(CopyDescriptorAtomically(in.get(), target).code, 0);
        const auto& steps = counter.Steps();
        verifyAt = static_cast<int>(std::find(steps.begin(), steps.end(), FileStep::Verify) - steps.begin()) + 1;
        ASSERT_LE(verifyAt, counter.StepsTaken());
    }
    const std::vector<std::function<void(QFile&)>> spoils = {
        [](QFile& f) {
            f.seek(kNew.size() / 2);
            f.write("x");
        },
        [](QFile& f) { f.resize(kNew.size() - 1000); },
    };
    for (const auto& spoil : spoils) {
        Make(QStringLiteral("VXMOX2.MDB"), kOld, 0600);
        FileStepFault fault(verifyAt, [&](FileStep) {
            for (const QString& part :
                 QDir(box_.Path()).entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden)) {
                QFile f(box_.File(part));
                if (f.open(QIODevice::ReadWrite)) spoil(f);
            }
        });
        EXPECT_EQ(CopyDescriptorAtomically(in.get(), target).code, EIO);
        EXPECT_EQ(Read(target), kOld);
        EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXMOX2.MDB"), QStringLiteral("source")}));
    }
}

// The name a restore keeps the old database under: after a rename puts a
// new file under the old name, the kept name still holds the old content.
TEST_F(AtomicFileTest, KeptNameHoldsTheOldFileAfterARenameReplacesIt) {
    const QString main = Make(QStringLiteral("VXMOX2.MDB"), kOld, 0600);
    const QString kept = box_.File(QStringLiteral("VXMOX2_20261208_1405.MDB"));
    const Descriptor fd(Open(main));
    ASSERT_EQ(KeepFileAs(main, fd.get(), kept).code, 0);
    ASSERT_EQ(PlaceFileAtomically(Make(QStringLiteral("staged"), kNew, 0600), main).code, 0);
    EXPECT_EQ(Read(main), kNew);
    EXPECT_EQ(Read(kept), kOld);
    // An earlier kept file is never replaced.
    EXPECT_EQ(KeepFileAs(main, fd.get(), kept).code, EEXIST);
    EXPECT_EQ(Read(kept), kOld);
}

// A new file never replaces one that another program gave its name
// meanwhile, a link to nothing included: the caller keeps its file.
TEST_F(AtomicFileTest, ANewFileIsPlacedOnlyUnderAFreeName) {
    const QString taken = Make(QStringLiteral("clinic_変換.mdb"), kOld, 0644);
    const QString dangling = box_.File(QStringLiteral("clinic_変換_2.mdb"));
    ASSERT_TRUE(QFile::link(box_.File(QStringLiteral("gone")), dangling));
    // Written owner-only, as the programs' work files are: the taken file's
    // mode is not lent to it.
    const QString written = Make(QStringLiteral("written"), kNew, 0600);
    EXPECT_EQ(PlaceNewFileAtomically(written, taken).code, EEXIST);
    EXPECT_EQ(PlaceNewFileAtomically(written, dangling).code, EEXIST);
    EXPECT_EQ(Read(taken), kOld);
    EXPECT_FALSE(QFileInfo::exists(box_.File(QStringLiteral("gone"))));
    const QString free = box_.File(QStringLiteral("clinic_変換_3.mdb"));
    ASSERT_EQ(PlaceNewFileAtomically(written, free).code, 0);
    EXPECT_EQ(Read(free), kNew);
    EXPECT_EQ(ModeOf(free), 0600u);
    EXPECT_FALSE(QFileInfo::exists(written));
}

TEST_F(AtomicFileTest, KillAtEveryStepLeavesTheOldOrTheNewFile) {
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        bool renamed = false;
        for (int k = 1;; ++k) {
            SCOPED_TRACE(k);
            const QString target = Make(QStringLiteral("VXMOX2.MDB"), kOld, 0600);
            const test::ChildEnd end = test::RunInChild([&] {
                test::KillAtFileStep fault(k);
                writer.run(*this, target);
            });
            const QByteArray bytes = Read(target);
            EXPECT_TRUE(bytes == kOld || bytes == kNew);
            // Once the new file stood, a later kill cannot bring the old back.
            if (renamed) {
                EXPECT_EQ(bytes, kNew);
            }
            renamed = bytes == kNew;
            if (end == test::ChildEnd::RanThrough) {  // every step passed
                EXPECT_EQ(bytes, kNew);
                break;
            }
            ASSERT_EQ(end, test::ChildEnd::Killed);
        }
        EXPECT_TRUE(renamed);
    }
}

}  // namespace
}  // namespace mox::platform
