#include "records/exam_slot.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

TEST(ExamSlotTest, ANewSlotIsZeroFilledAndAClearedOneHoldsNoValue) {
    ExamSlot slot;
    EXPECT_EQ(slot.Loaded, 0);
    EXPECT_EQ(slot.PD[191], 0);
    EXPECT_EQ(slot.PlaqueUnexamined[31], 0);

    slot.Loaded = -1;
    slot.ToothState[5] = int16_t(kToothImplant);
    slot.PD.fill(4);
    slot.Mobility.fill(1);
    slot.Furcation.fill(2);
    slot.PlaqueFaces.fill(3);
    slot.PlaqueUnexamined.fill(15);
    slot.BOP.fill(1);
    slot.Suppuration.fill(1);
    slot.ExamDate = QDateTime(QDate(2019, 4, 8), QTime(0, 0));
    slot.KindName = QStringLiteral("初診時");
    slot.Clear();

    EXPECT_EQ(slot.Loaded, 0);
    for (int16_t word : slot.ToothState) EXPECT_EQ(word, 0);
    for (const auto* sites : {&slot.PD, &slot.Furcation, &slot.BOP, &slot.Suppuration})
        for (uint8_t v : *sites) EXPECT_EQ(v, kNoSiteValue);
    for (const auto* teeth : {&slot.Mobility, &slot.PlaqueFaces, &slot.PlaqueUnexamined})
        for (uint8_t v : *teeth) EXPECT_EQ(v, kNoSiteValue);
    // Nothing reads them while the slot is empty; loading sets them again.
    EXPECT_EQ(slot.ExamDate.date(), QDate(2019, 4, 8));
    EXPECT_EQ(slot.KindName, QStringLiteral("初診時"));
}

}  // namespace
}  // namespace mox
