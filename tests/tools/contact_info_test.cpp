// The clinic's contact data in TImage row 0 and Info.txt, the refusals of
// values the report cannot carry, the self-update of the version-up
// program, and its start.

#include "tools/contact_info.h"

#include "platform/atomic_file.h"
#include "tests/tools/tools_test_support.h"
#include "tools/image_record.h"

#include <QFileInfo>

namespace mox::test {
namespace {

class ContactInfoTest : public ::testing::Test, public ToolsEnvironment {
protected:
    ContactInfoTest() { EXPECT_EQ(CImage().CheckTable(), 0); }
    QString InfoTxt() const { return box.File(QStringLiteral("Info.txt")); }
    int ContactRows() {
        return OpenDb(mainDb)->Scalar(QStringLiteral("SELECT COUNT(*) FROM TImage WHERE ID=0")).ToInt32();
    }
    void WriteProgram(const QString& name, const QByteArray& text, QFileDevice::Permissions mode) {
        box.WriteText(name, text);
        QFile::setPermissions(box.File(name), mode);
    }
    static constexpr QFileDevice::Permissions kExecutable = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                            QFileDevice::ExeGroup;

    const ContactInfo clinic{QStringLiteral("さくら歯科クリニック　本院"), QStringLiteral("山田 太郎 "),
                             QStringLiteral("yamada@example.jp")};
};

TEST_F(ContactInfoTest, RowZeroAndInfoTxtHoldTheDataAsTyped) {
    EXPECT_EQ(ReadContactInfo(), ContactInfo{});
    ASSERT_TRUE(SaveContactInfo(clinic));
    EXPECT_EQ(ContactRows(), 1);
    EXPECT_EQ(ReadContactInfo(), clinic);
    auto conn = OpenDb(mainDb);
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT ExamDate FROM TImage WHERE ID=0")).ToDateTime(), clock.Now());
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT \"UpDate\" FROM TImage WHERE ID=0")).ToDateTime(), clock.Now());

    // Code page 932, CR LF, labels of 14 bytes before the full-width colon.
    EXPECT_EQ(Bytes(InfoTxt()), Bytes(SourceDir() + QStringLiteral("/tests/tools/data/Info_reference.txt")));

    // A second save rewrites the row and the whole file.
    const ContactInfo next{QStringLiteral("①歯科"), QString(), QStringLiteral("～")};
    ASSERT_TRUE(SaveContactInfo(next));
    EXPECT_EQ(ContactRows(), 1);
    EXPECT_EQ(ReadContactInfo(), next);
    EXPECT_EQ(Bytes(InfoTxt()),
              QByteArray("\x88\xe3\x97\xc3\x8b\x40\x8a\xd6\x96\xbc    \x81\x46\x87\x40\x8e\x95\x89\xc8\r\n"
                         "\x92\x53\x93\x96\x8e\xd2\x96\xbc      \x81\x46\r\n"
                         "\x92\x53\x93\x96\x8e\xd2\x82\xcc"
                         "E-mail\x81\x46\x81\x60\r\n"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ContactInfoTest, ValuesTheReportCannotCarryAreRefusedNamingTheirField) {
    box.WriteText(QStringLiteral("Info.txt"), "earlier");
    const std::vector<std::pair<ContactInfo, QString>> refused = {
        {{QStringLiteral("𠮷野家歯科"), QStringLiteral("a"), QStringLiteral("b")},
         QStringLiteral("「所属医療機関名、または、医院名」に使用できない文字「𠮷」")},
        {{QStringLiteral("a"), QStringLiteral("Müller"), QStringLiteral("b")},
         QStringLiteral("「担当者名」に使用できない文字「ü」")},
        {{QStringLiteral("a"), QStringLiteral("b"), QString(201, QLatin1Char('m'))},
         QStringLiteral("「担当者のE-mail」は200文字以内")},
    };
    for (const auto& [info, says] : refused) {
        boxes.Clear();
        EXPECT_FALSE(SaveContactInfo(info));
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_TRUE(boxes.Shown()[0].prompt.startsWith(says)) << boxes.Shown()[0].prompt.toStdString();
    }
    EXPECT_EQ(ContactRows(), 0);
    EXPECT_EQ(Bytes(InfoTxt()), QByteArray("earlier"));
    EXPECT_TRUE(SaveContactInfo({QString(200, QLatin1Char('m')), QString(), QString()}));
}

TEST_F(ContactInfoTest, FailedInfoTxtIsReportedAndLeavesTheEarlierFile) {
    box.WriteText(QStringLiteral("Info.txt"), "earlier");
    {
        platform::FileStepFault fault(1, EACCES);
        EXPECT_FALSE(SaveContactInfo(clinic));
    }
    EXPECT_EQ(Bytes(InfoTxt()), QByteArray("earlier"));
    EXPECT_EQ(ReadContactInfo(), clinic);  // the row was stored before
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(InfoTxt()));

    // Without TImage the row cannot be stored: said so, Info.txt written.
    OpenDb(mainDb)->Execute(QStringLiteral("DROP TABLE TImage"));
    boxes.Clear();
    EXPECT_FALSE(SaveContactInfo(clinic));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("保存エラー"));
    EXPECT_EQ(Bytes(InfoTxt()), Bytes(SourceDir() + QStringLiteral("/tests/tools/data/Info_reference.txt")));
}

TEST_F(ContactInfoTest, NewVersionUpProgramTakesTheOldOnesPlaceOnlyWhenThereIsOne) {
    // No old program: nothing happens.
    WriteProgram(QStringLiteral("VXMOXVerUp.new"), "new", QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(InstallNewVersionUp(box.Path()));
    EXPECT_TRUE(QFileInfo::exists(box.File(QStringLiteral("VXMOXVerUp.new"))));
    EXPECT_FALSE(QFileInfo::exists(box.File(QStringLiteral("VXMOXVerUp"))));

    // A failed rename keeps both files as they were.
    WriteProgram(QStringLiteral("VXMOXVerUp"), "old", kExecutable);
    {
        platform::FileStepFault fault(2, EIO);  // the sync passes, the rename fails
        EXPECT_FALSE(InstallNewVersionUp(box.Path()));
    }
    EXPECT_EQ(Bytes(box.File(QStringLiteral("VXMOXVerUp"))), QByteArray("old"));
    EXPECT_EQ(Bytes(box.File(QStringLiteral("VXMOXVerUp.new"))), QByteArray("new"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(box.File(QStringLiteral("VXMOXVerUp.new"))));

    EXPECT_TRUE(InstallNewVersionUp(box.Path()));
    EXPECT_EQ(Bytes(box.File(QStringLiteral("VXMOXVerUp"))), QByteArray("new"));
    EXPECT_FALSE(QFileInfo::exists(box.File(QStringLiteral("VXMOXVerUp.new"))));
    EXPECT_EQ(ModeOf(box.File(QStringLiteral("VXMOXVerUp"))), 0750u);
}

TEST_F(ContactInfoTest, VersionUpProgramStartsDetachedWithoutArgumentsOrSaysWhyNot) {
    const QString marker = box.File(QStringLiteral("started"));
    WriteProgram(QStringLiteral("VXMOXVerUp"),
                 QStringLiteral("#!/bin/sh\necho \"$# $(pwd)\" > '%1'\n").arg(marker).toUtf8(), kExecutable);
    ASSERT_TRUE(StartVersionUp(box.Path()));
    ASSERT_TRUE(WaitFor([&] { return QFileInfo(marker).size() > 0; }));
    EXPECT_EQ(Bytes(marker).trimmed(), QStringLiteral("0 %1").arg(box.Path()).toUtf8());
    EXPECT_TRUE(boxes.Shown().empty());

    QFile::setPermissions(box.File(QStringLiteral("VXMOXVerUp")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(StartVersionUp(box.Path()));
    QFile::remove(box.File(QStringLiteral("VXMOXVerUp")));
    EXPECT_FALSE(StartVersionUp(box.Path()));
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(QStringLiteral("実行の許可")));
    EXPECT_TRUE(boxes.Shown()[1].prompt.contains(QStringLiteral("見つかりません")));
    EXPECT_TRUE(boxes.Shown()[1].prompt.contains(box.File(QStringLiteral("VXMOXVerUp"))));
}

}  // namespace
}  // namespace mox::test
