#pragma once
// CImage: one row of TImage, up to nine image slots of one patient and
// examination date (a file path, two flip flags and a rotation per slot),
// numbered per patient and date by SNo. The row with ID 0 holds the
// clinic's contact data of the version-up (contact_info.h).
//
// TImage is the one table the program makes itself; the template has none.
// CheckTable creates it, or rebuilds a table of the older layout (without
// Rotate9) keeping its rows. The rebuild runs in one transaction, so that a
// failure at any step leaves the table as it was; a work table that an
// interrupted rebuild of the Windows program left behind gives back the
// rows that TImage lacks before it goes.
//
// Each operation opens the main slot for its own duration. Results are 0,
// or the numbered message's code: 2104 for the writing and table
// operations, 2203 for the reading ones; the codes are returned, not shown.
// A busy or locked database is retried ten times, a second apart, without
// a word; after that, and at once for any other error, a box offers Retry
// and Cancel.

#include "core/image_table.h"
#include "platform/db/database.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mox {

inline constexpr int16_t kImageWriteError = 2104;
inline constexpr int16_t kImageReadError = 2203;
// One entry of the list that ReadToBox fills.
struct ImageListEntry {
    QString text;
    int32_t itemData = 0;
    bool operator==(const ImageListEntry&) const = default;
};

// Called before each step of a CheckTable run with the step's number (from
// 1, in the order the run takes them); tests throw from it to fail a step.
using ImageTableStepHook = std::function<void(int step)>;

class CImage {
public:
    CImage();

    int32_t ID = 0;
    int32_t PatientID = 0;
    QDateTime ExamDate;
    int32_t SNo = 0;
    QDateTime UpDate;

    // Slot 0..8; any other slot gives "" or 0, and setting it does nothing.
    QString ImgPath(int slot) const;
    int16_t ReverseUD(int slot) const;
    int16_t ReverseLR(int slot) const;
    int32_t Rotate(int slot) const;
    void SetImgPath(int slot, const QString& value);
    void SetReverseUD(int slot, int16_t value);
    void SetReverseLR(int slot, int16_t value);
    void SetRotate(int slot, int32_t value);

    // ID, PatientID and SNo 0, the dates now, every slot empty.
    void ClearBuffer();
    // Columns of the current row into the members; a missing column leaves
    // its member as it was.
    void RecSetGet(const db::Recordset& rs);
    // Members into the row; UpDate is now. A missing column is skipped.
    void RecSetPut(db::Recordset& rs) const;

    int16_t Insert();
    int16_t Update(std::optional<int32_t> id = std::nullopt);
    // Found: the row in the members and 0; else the ClearBuffer values and 2203.
    int16_t Read(int32_t id);
    // The patient's rows ("yyyy/mm/dd-SNo", item data ID) in date and SNo
    // order, with one entry for the input screen's current examination date
    // (item data -1) in its place; `flag` puts that entry after the rows of
    // the current date instead of letting one of them stand for it.
    int16_t ReadToBox(int32_t patientId, std::vector<ImageListEntry>& list, bool flag);
    // The highest SNo of the patient on that date; 0 when there is none.
    int32_t ReadSNo(int32_t patientId, const QDateTime& examDate);
    int16_t Delete(std::optional<int32_t> id = std::nullopt);
    // False when the main database does not open or the delete fails.
    bool DeletePatientData(int32_t patientId);

    // `stepHook` is told each step.
    int16_t CheckTable(const ImageTableStepHook& stepHook = {});
    // 0 current layout, -1 no table, 1 older layout.
    int16_t GetStatusTable();

private:
    std::array<QString, kImageSlots> imgPath_;
    std::array<int16_t, kImageSlots> reverseUD_{};
    std::array<int16_t, kImageSlots> reverseLR_{};
    std::array<int32_t, kImageSlots> rotate_{};
};

}  // namespace mox
