#pragma once
// The numbers an examination row is written in, named once: which item a
// row holds, which row of the examination it is, its treatment stage, how
// the input screen takes an item's values, what "no value" is stored as, and
// the colour a tooth's state gives its label. Stored data and the tooth
// buttons' modes use these numbers, so none of them may change.

#include "core/exam_stages.h"
#include "core/site_value.h"

#include <cstdint>

namespace mox {

// Examination items (TSubExam.ID, TExamData.SubExam).
inline constexpr int32_t kMobilityItem = 1;
inline constexpr int32_t kPocketDepthItem = 2;
inline constexpr int32_t kPlaqueItem = 3;
inline constexpr int32_t kFurcationItem = 13;

// The plaque item keeps tooth t's face bits (1, 2, 4, 8) at site value t and
// the bits of the faces not examined at site value t + this offset (15: none
// examined).
inline constexpr int kPlaqueNotExaminedOffset = 48;

// Rows of an examination (TExamData.Row, and the slot of the shared
// examination records that holds them): display rows 0..3, then the
// pocket-depth item's bleeding and suppuration marks.
inline constexpr int32_t kBleedingRow = 9;
inline constexpr int32_t kSuppurationRow = 10;

// Treatment stages and their labels: core/exam_stages.h.

// Input modes of an item (CSubExam.Mode, the tooth buttons' ExamMode).
inline constexpr int32_t kToothValueMode = 1;   // one value per tooth (mobility)
inline constexpr int32_t kPocketDepthMode = 3;  // six sites with bleeding and suppuration marks
inline constexpr int32_t kPlaqueMode = 4;
inline constexpr int32_t kFurcationMode = 6;
// Modes 0 and 2 are further items of one value per tooth; 5 and 9 further
// six-site items; 7 and 8 take a tooth and its neighbour (gap items).
// Values kept per tooth, walked tooth by tooth.
inline bool IsToothRouteType(int32_t mode) { return mode == 0 || mode == kToothValueMode || mode == 2; }
// Values kept per site (six to a tooth) rather than per tooth.
inline bool IsPerSiteType(int32_t mode) {
    return mode == kPocketDepthMode || mode == 5 || mode == kFurcationMode || mode == 9;
}
inline bool IsGapType(int32_t mode) { return mode == 7 || mode == 8; }

// A site or tooth without a value: kNoSiteValue (128) in a stored row, -1 on
// a tooth button.
inline constexpr int32_t kNoButtonValue = -1;
inline int32_t ButtonValueOf(int32_t storedValue) { return storedValue == kNoSiteValue ? kNoButtonValue : storedValue; }
// Anything a byte cannot hold is no value.
inline uint8_t StoredValueOf(int32_t buttonValue) {
    return buttonValue < 0 || buttonValue > 255 ? kNoSiteValue : static_cast<uint8_t>(buttonValue);
}

// Tooth status bits (the 32 status words of an examination).
inline constexpr uint16_t kToothMissing = 0x8000;
inline constexpr uint16_t kToothPontic = 0x4000;
inline constexpr uint16_t kToothImplant = 0x2000;
inline constexpr uint16_t kToothFourthState = 0x1000;
inline constexpr uint16_t kToothDeciduous = 0x0400;

// Colours of the tooth states (VB numbers, &HBBGGRR), on the input screen's
// labels and state buttons and on the printed tooth-number row.
inline constexpr uint32_t kImplantColour = 0x80FFFF;      // RGB(255, 255, 128)
inline constexpr uint32_t kPonticColour = 0xC0C0FF;       // RGB(255, 192, 192)
inline constexpr uint32_t kFourthStateColour = 0xE080E0;  // RGB(224, 128, 224)
inline constexpr uint32_t kMissingColour = 0xFF8080;      // RGB(128, 128, 255)
inline constexpr uint32_t kSoundToothColour = 0xFFFFFF;

// A tooth's colour: the first of its states in this order decides, so that
// an implant that replaced a missing tooth shows as an implant.
inline uint32_t ToothStateColour(int16_t status) {
    const auto bits = static_cast<uint16_t>(status);
    if (bits & kToothImplant) return kImplantColour;
    if (bits & kToothPontic) return kPonticColour;
    if (bits & kToothFourthState) return kFourthStateColour;
    if (bits & kToothMissing) return kMissingColour;
    return kSoundToothColour;
}

}  // namespace mox
