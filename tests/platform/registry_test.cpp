#include "platform/registry.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLockFile>

using namespace mox::platform;

namespace {
const QString kKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\QD NORVALE\\QD Vexaline 2\\Execute");
}

TEST(Registry, RoundTripKeepsJapaneseAndSpacesInNamesAndValues) {
    mox::test::Sandbox sandbox;
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("MOXExe"), QStringLiteral("/opt/歯周 検査/VXMOX")));
    ASSERT_TRUE(RegistryWrite(QStringLiteral("HKEY_CURRENT_USER/Software/歯科 医院"), QStringLiteral("名前 の 値"),
                              QStringLiteral("値 = ; # \"引用\"")));
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("List like"), QStringLiteral("a, b,c")));
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("Path"), QStringLiteral("C:\\Program Files\\QD\\")));

    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("List like")), QStringLiteral("a, b,c"));
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("Path")), QStringLiteral("C:\\Program Files\\QD\\"));
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe")), QStringLiteral("/opt/歯周 検査/VXMOX"));
    EXPECT_EQ(RegistryRead(QStringLiteral("HKEY_CURRENT_USER\\Software\\歯科 医院"), QStringLiteral("名前 の 値")),
              QStringLiteral("値 = ; # \"引用\""));
    EXPECT_EQ(RegistrySubKeys(QStringLiteral("HKEY_CURRENT_USER/Software")), QStringList{QStringLiteral("歯科 医院")});
    EXPECT_EQ(RegistryValueNames(QStringLiteral("HKEY_CURRENT_USER/Software/歯科 医院")),
              QStringList{QStringLiteral("名前 の 値")});
    // The groups are the Windows path with '/' in the file itself.
    QFile file(sandbox.File(QStringLiteral("registry.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("HKEY_LOCAL_MACHINE"));
}

TEST(Registry, MissingKeyOrValueGivesTheFallback) {
    mox::test::Sandbox sandbox;
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe")), QString());
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe"), QStringLiteral("none")), QStringLiteral("none"));
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("Other"), QStringLiteral("1")));
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_TRUE(RegistrySubKeys(QStringLiteral("HKEY_LOCAL_MACHINE/Software/HLX")).isEmpty());
}

TEST(Registry, NamesMatchRegardlessOfCaseLikeWindows) {
    mox::test::Sandbox sandbox;
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("MOXExe"), QStringLiteral("a")));
    EXPECT_EQ(RegistryRead(QStringLiteral("hkey_local_machine/SOFTWARE/qd norvale/QD VEXALINE 2/execute"),
                           QStringLiteral("moxexe")),
              QStringLiteral("a"));
    // A second writer with other spelling updates the same value.
    ASSERT_TRUE(RegistryWrite(QStringLiteral("HKEY_LOCAL_MACHINE/SOFTWARE/QD NORVALE/QD Vexaline 2/Execute"),
                              QStringLiteral("MOXEXE"), QStringLiteral("b")));
    EXPECT_EQ(RegistryValueNames(kKey), QStringList{QStringLiteral("MOXExe")});
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe")), QStringLiteral("b"));
}

TEST(Registry, DeleteValueAndKeyWithEverythingBelow) {
    mox::test::Sandbox sandbox;
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("A"), QStringLiteral("1")));
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("B"), QStringLiteral("2")));
    ASSERT_TRUE(RegistryWrite(kKey + QStringLiteral("\\Sub"), QStringLiteral("C"), QStringLiteral("3")));
    ASSERT_TRUE(RegistryWrite(QStringLiteral("HKEY_LOCAL_MACHINE/Software/QD NORVALE/Keep"), QStringLiteral("D"),
                              QStringLiteral("4")));

    EXPECT_TRUE(RegistryDeleteValue(kKey, QStringLiteral("A")));
    EXPECT_FALSE(RegistryDeleteValue(kKey, QStringLiteral("A")));
    EXPECT_EQ(RegistryValueNames(kKey), QStringList{QStringLiteral("B")});

    EXPECT_TRUE(RegistryDeleteKey(QStringLiteral("HKEY_LOCAL_MACHINE/Software/QD NORVALE/QD Vexaline 2")));
    EXPECT_EQ(RegistryRead(kKey + QStringLiteral("/Sub"), QStringLiteral("C"), QStringLiteral("gone")),
              QStringLiteral("gone"));
    EXPECT_EQ(RegistrySubKeys(QStringLiteral("HKEY_LOCAL_MACHINE/Software/QD NORVALE")),
              QStringList{QStringLiteral("Keep")});
    EXPECT_FALSE(RegistryDeleteKey(QStringLiteral("HKEY_LOCAL_MACHINE/Software/Nothing")));
}

TEST(Registry, FileComesFromTheEnvironmentOnEveryCall) {
    mox::test::Sandbox first;
    const QString firstFile = first.File(QStringLiteral("registry.ini"));
    EXPECT_EQ(RegistryFilePath(), firstFile);
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("V"), QStringLiteral("first")));
    {
        mox::test::Sandbox second;
        EXPECT_EQ(RegistryRead(kKey, QStringLiteral("V"), QStringLiteral("none")), QStringLiteral("none"));
        ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("V"), QStringLiteral("second")));
        EXPECT_TRUE(QFile::exists(second.File(QStringLiteral("registry.ini"))));
    }
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("V")), QStringLiteral("first"));
}

TEST(Registry, WithoutOverrideTheFileLivesUnderXdgConfigHome) {
    mox::test::Sandbox sandbox;
    const QByteArray oldRegistry = qgetenv("VXMOX_REGISTRY");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("VXMOX_REGISTRY");
    qputenv("XDG_CONFIG_HOME", sandbox.Path().toLocal8Bit());

    EXPECT_EQ(RegistryFilePath(), sandbox.Path() + QStringLiteral("/VXMOX/registry.ini"));
    EXPECT_TRUE(RegistryWrite(kKey, QStringLiteral("V"), QStringLiteral("x")));
    EXPECT_TRUE(QFile::exists(sandbox.Path() + QStringLiteral("/VXMOX/registry.ini")));

    hadXdg ? qputenv("XDG_CONFIG_HOME", oldXdg) : qunsetenv("XDG_CONFIG_HOME");
    qputenv("VXMOX_REGISTRY", oldRegistry);
}

TEST(Registry, UnwritableFileIsReportedNotFatal) {
    mox::test::Sandbox sandbox;
    sandbox.WriteText(QStringLiteral("plain-file"), "x");
    // A folder that cannot exist because a file holds its name (even for root).
    qputenv("VXMOX_REGISTRY", sandbox.File(QStringLiteral("plain-file/registry.ini")).toLocal8Bit());
    EXPECT_FALSE(RegistryWrite(kKey, QStringLiteral("V"), QStringLiteral("x")));
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("V"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_FALSE(RegistryWrite(QString(), QStringLiteral("V"), QStringLiteral("x")));
}

TEST(Registry, BatchWritesTheFileOnceAtItsEnd) {
    mox::test::Sandbox sandbox;
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("Before"), QStringLiteral("1")));
    const QString file = sandbox.File(QStringLiteral("registry.ini"));
    auto onDisk = [&file] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = onDisk();
    {
        RegistryBatch batch;
        ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("MOXExe"), QStringLiteral("/opt/歯周/VXMOX")));
        ASSERT_TRUE(RegistryWrite(kKey + QStringLiteral("/Sub"), QStringLiteral("A"), QStringLiteral("2")));
        ASSERT_TRUE(RegistryDeleteValue(kKey, QStringLiteral("Before")));
        // Calls inside the batch see its changes; the file does not yet.
        EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe")), QStringLiteral("/opt/歯周/VXMOX"));
        EXPECT_EQ(RegistryValueNames(kKey), QStringList{QStringLiteral("MOXExe")});
        EXPECT_EQ(RegistrySubKeys(kKey), QStringList{QStringLiteral("Sub")});
        {
            RegistryBatch inner;  // joins: its end writes nothing yet
            ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("Inner"), QStringLiteral("3")));
            EXPECT_TRUE(inner.Finish());
        }
        EXPECT_EQ(onDisk(), before);
        EXPECT_TRUE(batch.Finish());
    }
    EXPECT_TRUE(onDisk().contains("MOXExe"));
    EXPECT_FALSE(onDisk().contains("Before"));
    EXPECT_EQ(RegistryRead(kKey + QStringLiteral("/Sub"), QStringLiteral("A")), QStringLiteral("2"));
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("Inner")), QStringLiteral("3"));

    // Left without Finish (a failure half-way), a batch keeps what was set.
    {
        RegistryBatch batch;
        ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("Late"), QStringLiteral("4")));
    }
    EXPECT_TRUE(onDisk().contains("Late"));
}

TEST(Registry, BatchOnAnUnwritableFileFailsAtItsEnd) {
    mox::test::Sandbox sandbox;
    sandbox.WriteText(QStringLiteral("plain-file"), "x");
    qputenv("VXMOX_REGISTRY", sandbox.File(QStringLiteral("plain-file/registry.ini")).toLocal8Bit());
    {
        RegistryBatch batch;
        EXPECT_TRUE(RegistryWrite(kKey, QStringLiteral("V"), QStringLiteral("x")));
        EXPECT_FALSE(batch.Finish());
    }
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("V"), QStringLiteral("none")), QStringLiteral("none"));
}

// A writer killed while it wrote the file leaves its lock, empty when it was
// killed at its first line, and its temporary copy. The next program takes
// the lock over at once (QSettings would wait until it is 30 s old) and
// removes the copy; a lock a running writer holds, and its copy, stay.
TEST(Registry, WhatAKilledWriterLeftIsClearedAtOnce) {
    mox::test::Sandbox sandbox;
    sandbox.WriteText(QStringLiteral("registry.ini.lock"), "");
    sandbox.WriteText(QStringLiteral("registry.ini.Ab12Cd"), "[HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(QDir(sandbox.Path()).entryList({QStringLiteral("registry.ini*")}, QDir::Files | QDir::Hidden),
              QStringList());
    ASSERT_TRUE(RegistryWrite(kKey, QStringLiteral("MOXExe"), QStringLiteral("/opt/mox/VXMOX")));
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe")), QStringLiteral("/opt/mox/VXMOX"));

    mox::test::Sandbox other;
    QLockFile running(RegistryFilePath() + QStringLiteral(".lock"));
    ASSERT_TRUE(running.tryLock(0));
    other.WriteText(QStringLiteral("registry.ini.Qs7pLm"), "[HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RegistryRead(kKey, QStringLiteral("MOXExe"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_TRUE(QFile::exists(other.File(QStringLiteral("registry.ini.Qs7pLm"))));
    EXPECT_TRUE(QFile::exists(RegistryFilePath() + QStringLiteral(".lock")));
}
