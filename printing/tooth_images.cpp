#include "printing/tooth_images.h"

#include "core/files.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/message_box.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <array>
#include <cerrno>
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

// The picture error that the box reports.
struct PictureError {
    int number;
    QString description;
};

// Rows 0 and 2 have their roots above the band line, rows 1 and 3 below it.
bool RootsAbove(int row) { return row == 0 || row == 2; }

// A picture file as read, and turned each way it was printed, kept while the
// file stays as it was: a chart sheet prints every picture several times, and
// a PDF stores an image it was given before only once.
struct KeptPicture {
    QDateTime modified;
    qint64 size = -1;
    QImage loaded;
    std::array<QImage, 4> turned;  // by orientation
};

// Loads, turns and prints one picture; the error when it could not be read.
std::optional<PictureError> PrintPicture(DrawTarget& target, const QString& path, int orientation, double x, double y,
                                         double width, double height, QImage& loadSurface, QImage& flipSurface) {
    loadSurface = QImage();
    flipSurface = QImage();
    const QFileInfo file(path);
    if (!file.isFile()) return PictureError{ENOENT, FileErrorDescription(ENOENT) + QStringLiteral(" ") + path};
    if (!file.isReadable()) return PictureError{EACCES, FileErrorDescription(EACCES) + QStringLiteral(" ") + path};

    static QHash<QString, KeptPicture> kept;
    KeptPicture& picture = kept[path];
    if (picture.loaded.isNull() || picture.modified != file.lastModified() || picture.size != file.size()) {
        picture = KeptPicture{file.lastModified(), file.size(), QImage(), {}};
        if (!picture.loaded.load(path)) {
            kept.remove(path);
            return PictureError{481, QStringLiteral("画像として読み込めません。 ") + path};
        }
    }
    QImage& turned = picture.turned[orientation];
    if (turned.isNull())
        turned = picture.loaded.mirrored((orientation & kFlipHorizontal) != 0, (orientation & kFlipVertical) != 0);
    loadSurface = picture.loaded;
    flipSurface = turned;
    target.PaintPicture(flipSurface, x, y, width, height);
    return std::nullopt;
}

}  // namespace

void PrintToothImages(DrawTarget& target, const ChartLayout& layout, const ToothStatusWords& toothStates,
                      int16_t pictureMode0, int16_t pictureMode1, int16_t pictureMode2, int16_t pictureMode3,
                      QImage& loadSurface, QImage& flipSurface) {
    const int16_t modes[4] = {pictureMode0, pictureMode1, pictureMode2, pictureMode3};
    const QString folder = G().ProgramDir + QStringLiteral("/BMP/");
    std::optional<PictureError> firstError;
    auto note = [&](std::optional<PictureError> error) {
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
            QString crown = folder + (buccal ? HeadPicBuccal[p] : HeadPicLingual[p]);
            QString root = folder + (buccal ? RootPicBuccal[p] : RootPicLingual[p]);
            bool implant = false;
            const auto status = static_cast<uint16_t>(toothStates[p]);
            if (status & kToothImplant) {
                root = folder + QStringLiteral("imp.gif");
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
                note(PrintPicture(target, root, kRootOrientation[row][leftHalf][implant], x, top, layout.PicWidth,
                                  layout.RootPicHeight, loadSurface, flipSurface));
            }
            if (!crown.isEmpty() && printsCrowns) {
                const double top = RootsAbove(row) ? band : band - layout.CrownPicHeight;
                note(PrintPicture(target, crown, kCrownOrientation[row][leftHalf], x, top, layout.PicWidth,
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
