// The committed tooth pictures as the chart reads them from the program
// folder: every name of the picture tables is there, as a GIF of the
// chart's proportions, drawn the way the chart turns them.

#include "core/tooth_tables.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QImageReader>
#include <set>

namespace mox {
namespace {

QString PicturePath(const QString& name) { return test::ProgramDir() + QStringLiteral("/BMP/") + name; }

QImage Picture(const QString& name) {
    QImageReader reader(PicturePath(name));
    EXPECT_EQ(reader.format(), QByteArray("gif")) << name.toStdString();
    return reader.read();
}

bool Ink(QRgb pixel) { return qRed(pixel) + qGreen(pixel) + qBlue(pixel) < 3 * 235; }

// Separate runs of drawn pixels along a row.
int Runs(const QImage& image, int y) {
    int runs = 0;
    bool inside = false;
    for (int x = 0; x < image.width(); ++x) {
        const bool ink = Ink(image.pixel(x, y));
        if (ink && !inside) ++runs;
        inside = ink;
    }
    return runs;
}

bool RowHasInk(const QImage& image, int y) { return Runs(image, y) > 0; }

std::set<QString> AllNames() {
    std::set<QString> names{QStringLiteral("imp.gif")};
    for (int t = 0; t < 32; ++t)
        for (const auto* table : {&HeadPicBuccal, &HeadPicLingual, &RootPicBuccal, &RootPicLingual})
            names.insert((*table)[t]);
    return names;
}

TEST(ToothPictures, EveryNameOfThePictureTablesIsAGifOfTheChartsProportions) {
    const std::set<QString> names = AllNames();
    EXPECT_EQ(names.size(), 61u);
    for (const QString& name : names) {
        const QImage image = Picture(name);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        const bool crown = name.endsWith(QStringLiteral("_h.gif"));
        // 34 : 31 for crowns, 34 : 63 for roots and the implant.
        EXPECT_EQ(image.width() * (crown ? 31 : 63), image.height() * 34) << name.toStdString();
        EXPECT_GE(image.width(), 68) << "sharp enough at 7 mm on paper: " << name.toStdString();
    }
}

TEST(ToothPictures, UpperRootsPointUpLowerRootsAndTheImplantDown) {
    for (const QString& name : AllNames()) {
        const QImage image = Picture(name);
        const bool upper = name.startsWith(QLatin1Char('1'));
        const bool crown = name.endsWith(QStringLiteral("_h.gif"));
        const int top = 0, bottom = image.height() - 1;
        // The cemento-enamel junction lies on the edge that meets the band
        // line: the root's far end and the crown's biting edge stay clear of
        // the other edge.
        const bool junctionAtTop = upper == crown;
        EXPECT_TRUE(RowHasInk(image, junctionAtTop ? top : bottom)) << name.toStdString();
        EXPECT_FALSE(RowHasInk(image, junctionAtTop ? bottom : top)) << name.toStdString();
    }
}

TEST(ToothPictures, MolarsShowTheirRootsIncisorsAndCaninesOne) {
    // Across the apical third of a root picture: separate roots are separate runs.
    auto mostRoots = [](const QString& name) {
        const QImage image = Picture(name);
        const bool upper = name.startsWith(QLatin1Char('1'));
        int most = 0;
        for (int i = 1; i < image.height() / 3; ++i)
            most = std::max(most, Runs(image, upper ? i : image.height() - 1 - i));
        return most;
    };
    for (const char* molar : {"16_b_r.gif", "17_b_r.gif", "16_l_r.gif", "46_b_r.gif", "47_b_r.gif", "46_l_r.gif"})
        EXPECT_GE(mostRoots(QString::fromLatin1(molar)), 2) << molar;
    for (const char* single : {"11_b_r.gif", "12_b_r.gif", "13_b_r.gif", "41_b_r.gif", "42_l_r.gif", "43_b_r.gif",
                               "44_b_r.gif", "45_b_r.gif"})
        EXPECT_EQ(mostRoots(QString::fromLatin1(single)), 1) << single;
    // A molar crown is wider at its contacts than an incisor's.
    auto widest = [](const QString& name) {
        const QImage image = Picture(name);
        int most = 0;
        for (int y = 0; y < image.height(); ++y) {
            int first = -1, last = -1;
            for (int x = 0; x < image.width(); ++x)
                if (Ink(image.pixel(x, y))) (first < 0 ? first : last) = x;
            if (first >= 0 && last > first) most = std::max(most, last - first);
        }
        return most;
    };
    EXPECT_GT(widest(QStringLiteral("16_b_h.gif")), widest(QStringLiteral("12_b_h.gif")) * 5 / 4);
    EXPECT_GT(widest(QStringLiteral("46_b_h.gif")), widest(QStringLiteral("41_b_h.gif")) * 3 / 2);
}

}  // namespace
}  // namespace mox
