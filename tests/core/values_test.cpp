#include "core/connections.h"
#include "core/dates.h"
#include "core/exam_lookups.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "core/system_info.h"
#include "core/text_format.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

TEST(FormatOneDecimal, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(FormatOneDecimal(6.25), QStringLiteral("6.3"));
    EXPECT_EQ(FormatOneDecimal(-6.25), QStringLiteral("-6.3"));
    EXPECT_EQ(FormatOneDecimal(6.24), QStringLiteral("6.2"));
    EXPECT_EQ(FormatOneDecimal(3.0), QStringLiteral("3.0"));
    EXPECT_EQ(FormatOneDecimal(0.0), QStringLiteral("0.0"));
    EXPECT_EQ(FormatOneDecimal(0.96), QStringLiteral("1.0"));
    EXPECT_EQ(FormatOneDecimal(99.95), QStringLiteral("100.0"));
    EXPECT_EQ(FormatOneDecimal(47.2812693), QStringLiteral("47.3"));
    EXPECT_EQ(FormatOneDecimal(12.0 / 169.0 * 100.0), QStringLiteral("7.1"));
}

TEST(FormatOneDecimal, JudgesHalvesOnTheDecimalThatWasMeant) {
    // Binary floating point holds each of these a hair below the half.
    EXPECT_EQ(FormatOneDecimal(0.05), QStringLiteral("0.1"));
    EXPECT_EQ(FormatOneDecimal(0.15), QStringLiteral("0.2"));
    EXPECT_EQ(FormatOneDecimal(1.45), QStringLiteral("1.5"));
    EXPECT_EQ(FormatOneDecimal(2.675), QStringLiteral("2.7"));
    EXPECT_EQ(FormatOneDecimal(-0.15), QStringLiteral("-0.2"));
    // Means of whole pocket depths: 3/20 and 29/20.
    EXPECT_EQ(FormatOneDecimal(3.0 / 20.0), QStringLiteral("0.2"));
    EXPECT_EQ(FormatOneDecimal(29.0 / 20.0), QStringLiteral("1.5"));
    EXPECT_EQ(FormatOneDecimal(0.0499999), QStringLiteral("0.0"));
}

TEST(FormatOneDecimal, EdgesOfTheRange) {
    EXPECT_EQ(FormatOneDecimal(-0.04), QStringLiteral("0.0"));
    EXPECT_EQ(FormatOneDecimal(1e-300), QStringLiteral("0.0"));
    EXPECT_EQ(FormatOneDecimal(123456789.25), QStringLiteral("123456789.3"));
    EXPECT_EQ(FormatOneDecimal(std::nan("")), QString());
    EXPECT_EQ(FormatOneDecimal(1.0 / 0.0), QString());
}

TEST(Texts, NullToStrAndIdBase) {
    EXPECT_EQ(NullToStr(db::Value()), QString());
    EXPECT_EQ(NullToStr(db::Value(42)), QStringLiteral("42"));
    EXPECT_EQ(NullToStr(db::Value(QStringLiteral(" x "))), QStringLiteral(" x "));
    EXPECT_EQ(TrimBlanks(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
    G().IdPrefix = 1;
    EXPECT_EQ(GetIdBaseText(), QStringLiteral("1"));
}

TEST(GetAge, CountsWholeYears) {
    EXPECT_EQ(GetAge(QDate(2000, 3, 15), QDate(2024, 3, 14)), 23);
    EXPECT_EQ(GetAge(QDate(2000, 3, 15), QDate(2024, 3, 15)), 24);
    EXPECT_EQ(GetAge(QDate(2000, 2, 29), QDate(2021, 2, 28)), 20);
    EXPECT_EQ(GetAge(QDate(2000, 2, 29), QDate(2021, 3, 1)), 21);
    EXPECT_EQ(GetAge(QDate(2000, 12, 31), QDate(2001, 1, 1)), 0);
}

TEST(IsWithinMonths, AddsCalendarMonthsKeepingTheMonthEnd) {
    EXPECT_TRUE(IsWithinMonths(QDate(2020, 8, 31), QDate(2021, 2, 27), 6));
    EXPECT_FALSE(IsWithinMonths(QDate(2020, 8, 31), QDate(2021, 2, 28), 6));
    EXPECT_FALSE(IsWithinMonths(QDate(2019, 8, 31), QDate(2020, 2, 29), 6));  // leap year: 29 Feb is the limit
    EXPECT_TRUE(IsWithinMonths(QDate(2019, 8, 31), QDate(2020, 2, 28), 6));
    EXPECT_TRUE(IsWithinMonths(QDate(2020, 8, 31), QDate(2020, 1, 1), 6));
    EXPECT_FALSE(IsWithinMonths(QDate(2020, 1, 15), QDate(2020, 7, 15), 6));
    EXPECT_TRUE(IsWithinMonths(QDate(), QDate(2020, 7, 15), 6));
    EXPECT_TRUE(
        IsWithinMonths(QDateTime(QDate(2020, 1, 15), QTime(12, 0)), QDateTime(QDate(2020, 7, 15), QTime(11, 59)), 6));
}

TEST(IsRestTooth, OnlyMissingPonticAndImplantCount) {
    EXPECT_TRUE(IsRestTooth(0));
    EXPECT_TRUE(IsRestTooth(0x0400));
    EXPECT_TRUE(IsRestTooth(0x1000));
    EXPECT_FALSE(IsRestTooth(static_cast<int16_t>(0x8400)));
    EXPECT_FALSE(IsRestTooth(0x4000));
    EXPECT_FALSE(IsRestTooth(0x2000));
}

TEST(SystemInfo, FixedVersionAndHostName) {
    platform::ScriptedMsgBoxes boxes;
    EXPECT_EQ(GetWindowsVersion(), QStringLiteral("7"));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(GetMachineName().isEmpty());
    EXPECT_FALSE(GetMachineName().contains(QChar(u'\0')));
}

TEST(GetComTypeComment, ReadsTheTrimmedLabelAndReleasesTheSlot) {
    test::Sandbox sandbox;
    platform::ScriptedMsgBoxes boxes;
    ResetAllSlots();
    const QString file = sandbox.File(QStringLiteral("VXMOX2.MDB"));
    {
        auto conn = db::Connection::CreateFile(file);
        conn->Execute(QStringLiteral("CREATE TABLE TComType (ID INTEGER, Comment TEXT)"));
        conn->Execute(QStringLiteral("INSERT INTO TComType VALUES (1, ' 初診時  '), (2, NULL)"));
        conn->Close();
    }
    G().SetMainDatabase(file);
    EXPECT_EQ(GetComTypeComment(1), QStringLiteral("初診時"));
    EXPECT_EQ(GetComTypeComment(2), QString());
    EXPECT_EQ(GetComTypeComment(7), QString());
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);

    // Inside a held slot the connection stays open.
    ASSERT_TRUE(HoldMainDb());
    EXPECT_EQ(GetComTypeComment(1), QStringLiteral("初診時"));
    EXPECT_TRUE(MainDbConn()->IsOpen());
    CloseMainDb();
    EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace mox
