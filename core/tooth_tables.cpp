#include "core/tooth_tables.h"

namespace mox {

namespace {

// Position of the tooth within its quadrant: 1 at the midline, 8 at the back.
int PositionOf(int tooth) {
    const int k = tooth % 8;
    const bool countsFromBack = (tooth / 8) % 2 == 0;  // 18..11 and 48..41
    return countsFromBack ? 8 - k : k + 1;
}

std::array<QString, kToothCount> Labels(bool deciduous) {
    std::array<QString, kToothCount> table;
    for (int t = 0; t < kToothCount; ++t) {
        const int pos = PositionOf(t);
        table[t] = deciduous && pos <= 5 ? QString(QChar(u'A' + pos - 1)) : QString::number(pos);
    }
    return table;
}

// Left-side teeth use the pictures of their right-side counterparts; in the
// upper root pictures the third molar shares the second molar's picture and
// the second premolar the first premolar's.
std::array<QString, kToothCount> PictureNames(QChar view, QChar part) {
    std::array<QString, kToothCount> table;
    for (int t = 0; t < kToothCount; ++t) {
        const bool upper = t < 16;
        int pos = PositionOf(t);
        if (upper && part == u'r') {
            if (pos == 8)
                pos = 7;
            else if (pos == 5)
                pos = 4;
        }
        table[t] = QStringLiteral("%1%2_%3_%4.gif").arg(upper ? 1 : 4).arg(pos).arg(view).arg(part);
    }
    return table;
}

std::array<int16_t, kToothCount> FurcationKinds() {
    std::array<int16_t, kToothCount> table;
    for (int t = 0; t < kToothCount; ++t) {
        const int pos = PositionOf(t);
        if (t < 16)
            table[t] = pos >= 6 ? kUpperMolarFurcation : pos == 4 || pos == 5 ? kUpperPremolarFurcation : kNoFurcation;
        else
            table[t] = pos >= 6 ? kLowerMolarFurcation : kNoFurcation;
    }
    return table;
}

}  // namespace

std::array<QString, kToothCount> ToothLabels = Labels(false);
std::array<QString, kToothCount> ToothLabelsDeciduous = Labels(true);
std::array<QString, kToothCount> HeadPicBuccal = PictureNames(u'b', u'h');
std::array<QString, kToothCount> HeadPicLingual = PictureNames(u'l', u'h');
std::array<QString, kToothCount> RootPicBuccal = PictureNames(u'b', u'r');
std::array<QString, kToothCount> RootPicLingual = PictureNames(u'l', u'r');
std::array<int16_t, kToothCount> FurcationType = FurcationKinds();

void MakeToothLabels() {
    ToothLabels = Labels(false);
    ToothLabelsDeciduous = Labels(true);
}

void MakeToothPictureNames() {
    HeadPicBuccal = PictureNames(u'b', u'h');
    HeadPicLingual = PictureNames(u'l', u'h');
    RootPicBuccal = PictureNames(u'b', u'r');
    RootPicLingual = PictureNames(u'l', u'r');
}

void MakeToothNumberTable() { FurcationType = FurcationKinds(); }

int16_t FurcationKindOf(int tooth) { return tooth >= 0 && tooth < kToothCount ? FurcationType[tooth] : kNoFurcation; }

}  // namespace mox
