#include "records/exam_dates.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace mox {
namespace {

// The examination dates are written and read by hand for speed; Qt's own
// format parser is the reference they must agree with over every year that
// four digits hold: each month's first and last day of every year, and every
// day of the years a clinic's rows fall in.
TEST(ExamDatesTest, HandWrittenFormsAgreeWithQtsParserOverTheWholeRange) {
    std::vector<QDate> days;
    for (int year = 1; year <= 9999; ++year)
        for (int month = 1; month <= 12; ++month) {
            const QDate first(year, month, 1);
            days.push_back(first);
            days.push_back(first.addDays(first.daysInMonth() - 1));
        }
    for (QDate day(1890, 1, 1); day <= QDate(2110, 12, 31); day = day.addDays(1)) days.push_back(day);

    const QString listFormat = QStringLiteral("yyyy/MM/dd");
    const QString storedFormat = QStringLiteral("yyyy-MM-dd");
    int differences = 0;
    for (const QDate& day : days) {
        const QString listed = ExamDateText(day);
        const QString stored = day.toString(storedFormat);
        const bool same = listed == day.toString(listFormat) && ExamDateOfText(listed) == day &&
                          StoredExamDay(stored) == QDate::fromString(stored, storedFormat) &&
                          StoredExamDay(stored) == day;
        if (!same && ++differences <= 5)
            ADD_FAILURE() << day.toString(Qt::ISODate).toStdString() << " listed as " << listed.toStdString();
    }
    EXPECT_EQ(differences, 0);
}

TEST(ExamDatesTest, TextsThatNameNoDayAreRefusedAsQtRefusesThem) {
    for (const char* text : {"2023-02-29", "2024-02-30", "2023-13-01", "2023-00-10", "2023-01-00", "0000-01-01",
                             "2023-1-01", "2023/01/01", "20a3-01-01", "2023-01-3x", "", "2023-01-01x"}) {
        const QString stored = QString::fromLatin1(text);
        SCOPED_TRACE(text);
        EXPECT_FALSE(StoredExamDay(stored).isValid());
        EXPECT_EQ(StoredExamDay(stored), QDate::fromString(stored, QStringLiteral("yyyy-MM-dd")));
    }
    // The date boxes: a short year, a day that rolls over, letters.
    for (const auto& [y, m, d] : std::initializer_list<std::array<const char*, 3>>{{"23", "1", "1"},
                                                                                   {"2023", "2", "29"},
                                                                                   {"2023", "13", "1"},
                                                                                   {"2023", "1", "0"},
                                                                                   {"abcd", "1", "1"},
                                                                                   {"2023", "1", ""}}) {
        SCOPED_TRACE(std::string(y) + "/" + m + "/" + d);
        EXPECT_FALSE(ExamDateOf(QString::fromLatin1(y), QString::fromLatin1(m), QString::fromLatin1(d)));
    }
    EXPECT_EQ(ExamDateOfText(QStringLiteral(" 2024/2/29 ")), QDate(2024, 2, 29));
}

TEST(ExamDatesTest, ADayIsBoundedByItsOwnAndTheNextDaysStoredText) {
    const DayBounds last = BoundsOfDay(QDate(2023, 12, 31));
    EXPECT_EQ(last.from, QStringLiteral("2023-12-31"));
    EXPECT_EQ(last.to, QStringLiteral("2024-01-01"));
    // A row stored with a time of day sorts inside the bounds, one of the
    // next day outside.
    EXPECT_TRUE(QStringLiteral("2023-12-31 23:59:59") >= last.from && QStringLiteral("2023-12-31 23:59:59") < last.to);
    EXPECT_FALSE(QStringLiteral("2024-01-01 00:00:00") < last.to);
}

}  // namespace
}  // namespace mox
