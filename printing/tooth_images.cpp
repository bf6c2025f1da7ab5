#include "printing/tooth_images.h"

#include "core/tooth_tables.h"
#include "platform/message_box.h"

#include <optional>

namespace mox {

using platform::DrawTarget;

namespace {

// Orientation codes: bit 1 mirrors top to bottom, bit 2 left to right.
constexpr int kFlipVertical = 1;
constexpr int kFlipHorizontal = 2;

// [row][left half][implant]
constexpr int kRootOrientation[4][2][2] = {{{0, 1}, {2, 3}}, {{1, 0}, {3, 2}}, {{1, 1}, {3, 3}}, {{0, 0}, {2, 2}}};
// [row][left half]
constexpr int kCrownOrientation[4][2] = {{0, 2}, {1, 3}, {1, 3}, {0, 2}};

// Rows 0 and 2 have their roots above the band line, rows 1 and 3 below it.
bool RootsAbove(int row) { return row == 0 || row == 2; }

// Prints one picture turned by orientation; the problem when it could not be read.
std::optional<PictureProblem> PrintPicture(DrawTarget& target, ToothPictureFiles& pictures, const QString& name,
                                           int orientation, double x, double y, double width, double height,
                                           QImage& loadSurface, QImage& flipSurface) {
    loadSurface = QImage();
    flipSurface = QImage();
    PictureProblem problem;
    const QImage& turned =
        pictures.Turned(name, (orientation & kFlipHorizontal) != 0, (orientation & kFlipVertical) != 0, &problem);
    if (turned.isNull()) return problem;
    loadSurface = pictures.Picture(name);
    flipSurface = turned;
    target.PaintPicture(flipSurface, x, y, width, height);
    return std::nullopt;
}

}  // namespace

void PrintToothImages(DrawTarget& target, const ChartLayout& layout, const ToothStatusWords& toothStates,
                      int16_t pictureMode0, int16_t pictureMode1, int16_t pictureMode2, int16_t pictureMode3,
                      ToothPictureFiles& pictures, QImage& loadSurface, QImage& flipSurface) {
    const int16_t modes[4] = {pictureMode0, pictureMode1, pictureMode2, pictureMode3};
    std::optional<PictureProblem> firstError;
    auto note = [&](std::optional<PictureProblem> error) {
        if (error && !firstError) firstError = std::move(error);
    };

    for (int row = 0; row < 4; ++row) {
        const bool buccal = row == 0 || row == 3;
        const bool printsRoots = modes[row] == 2 || modes[row] == 3;
        const bool printsCrowns = modes[row] == 1 || modes[row] == 3;
        const int firstTooth = row < 2 ? 0 : 16;
        for (int p = firstTooth; p < firstTooth + 16; ++p) {
            const int column = p - firstTooth;
            const bool leftHalf = column >= 8;
            QString crown = buccal ? HeadPicBuccal[p] : HeadPicLingual[p];
            QString root = buccal ? RootPicBuccal[p] : RootPicLingual[p];
            bool implant = false;
            const auto status = static_cast<uint16_t>(toothStates[p]);
            if (status & kToothImplant) {
                root = QStringLiteral("imp.gif");
                implant = true;
            } else if (status & kToothPontic) {
                root.clear();
            } else if (status & kToothMissing) {
                crown.clear();
                root.clear();
            }

            const double x = layout.Left + layout.PicOffset + layout.ColumnWidth * column;
            const double band = layout.BandY[row];
            if (!root.isEmpty() && printsRoots) {
                const double top = RootsAbove(row) ? band - layout.RootPicHeight : band;
                note(PrintPicture(target, pictures, root, kRootOrientation[row][leftHalf][implant], x, top,
                                  layout.PicWidth, layout.RootPicHeight, loadSurface, flipSurface));
            }
            if (!crown.isEmpty() && printsCrowns) {
                const double top = RootsAbove(row) ? band : band - layout.CrownPicHeight;
                note(PrintPicture(target, pictures, crown, kCrownOrientation[row][leftHalf], x, top, layout.PicWidth,
                                  layout.CrownPicHeight, loadSurface, flipSurface));
            }
        }
    }

    if (firstError)
        platform::MsgBox(QStringLiteral("エラー発生: ") + QString::number(firstError->number) +
                             QStringLiteral("\r\n\r\n") + firstError->description,
                         0);
}

}  // namespace mox
