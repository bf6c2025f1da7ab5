#pragma once
// CExamData: one row of TExamData, the values of one examination item on one
// examination date: 192 site values (tooth index × 6 + slot; 128 = no value)
// and 32 tooth status words. Data1..Data4 hold the site values as one
// 576-character text cut into four columns, Bui the status words.
//
// The record is a buffer between the caller's recordset and the screens: the
// caller opens and positions the recordset (or adds a row), RecSetGet copies
// the row in, RecSetPut copies the members out, and the caller updates.

#include "platform/db/database.h"
#include "records/exam_vocabulary.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

inline constexpr int kSiteCount = 192;

// The stored texts: a site value in 3 characters, a status word in 6, and
// 48 site values (one quadrant of teeth) in each of Data1..Data4.
inline constexpr int kSiteValueWidth = 3;
inline constexpr int kStatusWordWidth = 6;
inline constexpr int kValueColumnWidth = 144;

using ToothStatusWords = std::array<int16_t, 32>;

// The columns a copy of an examination row (the old-format conversion, the
// converter, the sample refresh) takes over from its source as they stand:
// all but the row's key (ID), its patient (PatientID), its stage label
// (Comment) and its change stamp (UpDate), which each copy sets itself.
inline constexpr std::array<const char*, 15> kCopiedExamColumns = {
    "ExamDate", "Row",        "Examination", "SubExam", "Data1",    "Data2",     "Data3",    "Data4",
    "Bui",      "PocketFree", "StartTime",   "EndTime", "ChargeID", "IsPrinted", "CommentID"};

class CExamData {
public:
    CExamData();

    int32_t ID = 0;
    int32_t PatientID = 0;
    QDateTime ExamDate;
    int32_t Row = 0;
    int32_t Examination = 0;
    int32_t SubExam = 0;
    int16_t PocketFree = 0;
    QDateTime StartTime;
    QDateTime EndTime;
    int32_t ChargeID = 0;
    bool IsPrinted = false;
    QDateTime UpDate;
    int16_t CommentID = 0;
    QString Comment;

    // Site value at index 0..191; any other index gives 0.
    int16_t bData(int16_t index) const;
    // Stores a site value; an index outside 0..191 is ignored, a value
    // outside 0..255 fails with an overflow and stores nothing.
    void SetbData(int16_t index, int16_t value);
    // Status word of tooth index 0..31; any other index gives 0.
    int16_t nBui(int16_t index) const;
    // Any index outside 0..31 is ignored.
    void SetnBui(int16_t index, int16_t value);

    // Every site value 128, every status word 0, numbers 0, dates now.
    void ClearBuffer();
    // A Null value column reads as its 48 sites without a value (128) and a
    // Null Bui as 32 status words 0, as in a cleared record; texts are joined
    // and cut into pieces as stored.
    void RecSetGet(const db::Recordset& rs);
    void RecSetPut(db::Recordset& rs) const;

    // The status words of the patient's latest examination before examDate
    // (its row 0), read on the main connection, which the caller keeps open.
    // False, and 32 zeros, when there is none.
    bool SetLastBui(int32_t patientId, const QDate& examDate, ToothStatusWords& status) const;

    int16_t GetRestToothCount() const;
    // 16 characters per jaw in chart order: the tooth's position number (a
    // letter A..E for a deciduous tooth), a blank where no natural tooth stands.
    void GetRestToothStr(QString& upper, QString& lower) const;

    // The two encodings as stored.
    QString ValueText() const;   // 576 characters, Data1..Data4 joined
    QString StatusText() const;  // 192 characters, Bui

private:
    std::array<uint8_t, kSiteCount> data_;
    ToothStatusWords bui_;
};

}  // namespace mox
