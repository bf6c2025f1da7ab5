// Renders one button of every mode with typical values into
// tooth_button_gallery.png beside the test binaries, for a person to look at.

#include "controls/tooth_button/tooth_button_painter.h"
#include "tests/controls/tooth_button/tooth_button_test_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QPainter>
#include <functional>

using namespace mox::molarix;

namespace {

struct Sample {
    QString label;
    std::function<void(ToothButtonState&)> fill;
};

std::vector<Sample> Samples() {
    auto pocket = [](ToothButtonState& s) {
        const int v[6] = {3, 10, 4, 2, 6, -1};
        for (int k = 0; k < 6; ++k) s.SetData(0, k, v[k]);
        s.data[1][1] = 1;  // bleeding
        s.data[3][3] = 1;  // dot
        s.data[2][4] = 1;
    };
    return {
        {"-1", [](ToothButtonState&) {}},
        {"0 check", [](ToothButtonState& s) { s.data[0][0] = 1; }},
        {"0 focus",
         [](ToothButtonState& s) {
             s.data[0][0] = 0;
             s.focusItem = 0;
         }},
        {"1 value", [](ToothButtonState& s) { s.data[0][0] = 2; }},
        {"1 flags",
         [](ToothButtonState& s) {
             s.data[0][0] = 9;
             s.data[1][0] = 1;
             s.data[2][0] = 1;
             s.data[3][0] = 1;
         }},
        {"1 focus",
         [](ToothButtonState& s) {
             s.data[0][0] = 12;
             s.focusItem = 0;
         }},
        {"1 none", [](ToothButtonState&) {}},
        {"11 -1", [](ToothButtonState& s) { s.data[0][0] = -1; }},
        {"3 sites",
         [&](ToothButtonState& s) {
             pocket(s);
             s.systemType = 1;
             s.focusItem = 4;
         }},
        {"3 type0",
         [&](ToothButtonState& s) {
             pocket(s);
             s.systemType = 0;
             s.focusItem = 0;
         }},
        {"3 comp",
         [&](ToothButtonState& s) {
             pocket(s);
             s.systemType = 1;
             s.compData[0] = 0;
             s.compData[2] = 1;
         }},
        {"3 none", [](ToothButtonState& s) { s.focusItem = 2; }},
        {"10",
         [](ToothButtonState& s) {
             s.data[0] = {0, 1, 128, 5, -1, 12};
             s.data[1][0] = 1;
             s.systemType = 1;
         }},
        {"4 plaque",
         [](ToothButtonState& s) {
             s.systemType = 1;
             s.SetPlaqueUnTreat(8);
             s.SetPlaqueData(5);
         }},
        {"4 none", [](ToothButtonState& s) { s.SetPlaqueData(-1); }},
        {"5 cells",
         [](ToothButtonState& s) {
             s.data[0] = {1, 0, -1, 1, 1, 0};
             s.usePosition[5] = 0;
             s.focusItem = 4;
         }},
        {"5 none", [](ToothButtonState& s) { s.focusItem = 1; }},
        {"6 r3",
         [](ToothButtonState& s) {
             s.root = 3;
             s.systemType = 1;
             s.data[0][1] = 1;
             s.data[0][3] = 2;
             s.data[0][5] = 3;
         }},
        {"6 r21",
         [](ToothButtonState& s) {
             s.root = 21;
             s.systemType = 1;
             s.data[0][0] = 2;
             s.focusItem = 2;
             s.data[0][2] = -1;
             s.data[0][1] = 0;
         }},
        {"6 r22",
         [](ToothButtonState& s) {
             s.root = 22;
             s.systemType = 0;
             s.data[0][1] = 3;
             s.data[3][1] = 1;
             s.data[0][0] = 0;
         }},
        {"12",
         [](ToothButtonState& s) {
             s.data[0][1] = 4;
             s.data[0][4] = 7;
         }},
        {"12 focus",
         [](ToothButtonState& s) {
             s.data[0][1] = 2;
             s.focusItem = 4;
         }},
        {"13",
         [](ToothButtonState& s) {
             s.data[0] = {2, 3, -1, 1, -1, -1};
             s.data[2] = {0, 1, 0, 0, 0, 0};
             s.data[1][1] = 5;
             s.focusItem = 3;
         }},
        {"99", [](ToothButtonState&) {}},
    };
}

int ModeOf(const QString& label) { return label.section(u' ', 0, 0).toInt(); }

}  // namespace

TEST(ToothButtonGallery, RendersEveryMode) {
    mox::molarix::test::UseFontSubstitutes();
    const auto samples = Samples();
    constexpr int kButton = 47, kScale = 3, kColumns = 6, kCell = kButton * kScale + 8, kLabel = 16;
    const int rows = static_cast<int>((samples.size() + kColumns - 1) / kColumns);
    QImage sheet(kColumns * kCell, rows * (kCell + kLabel), QImage::Format_RGB32);
    sheet.fill(QColor(0xF9, 0xEC, 0xF8));
    QPainter out(&sheet);
    out.setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    for (size_t i = 0; i < samples.size(); ++i) {
        ToothButtonState s;
        s.examMode = ModeOf(samples[i].label);
        samples[i].fill(s);
        QImage face(kButton, kButton, QImage::Format_RGB32);
        face.fill(QColor(0xF0, 0xF0, 0xF0));
        {
            QPainter p(&face);
            PaintToothButton(p, s, kButton, kButton, 96);
        }
        const int x = static_cast<int>(i % kColumns) * kCell + 4;
        const int y = static_cast<int>(i / kColumns) * (kCell + kLabel);
        out.setPen(Qt::black);
        out.drawText(x, y + 12, samples[i].label);
        out.drawImage(QRect(x, y + kLabel, kButton * kScale, kButton * kScale), face);
    }
    out.end();
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/tooth_button_gallery.png");
    ASSERT_TRUE(sheet.save(path));
    std::printf("gallery: %s\n", qPrintable(path));
}
