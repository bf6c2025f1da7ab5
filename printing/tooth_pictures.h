#pragma once
// The tooth pictures of a program folder's BMP/, as the chart screen's boxes
// and every printed chart draw them. Each file is decoded, and each way it is
// turned over made, once per process: the screen and the printer draw the
// same images, the first print after the window opened decodes nothing, and
// a PDF stores an image it was given before only once.
//
// A file that is missing or cannot be read is no picture, and is looked for
// again at the next request, so that a picture put back into the folder is
// drawn without a restart; the first failure of each file is named on the
// program's error output.

#include <QImage>
#include <QSet>
#include <QString>
#include <array>
#include <unordered_map>

namespace mox {

// Why a picture could not be had: the error number the print reports
// (ENOENT, EACCES, 481 for a file that is no picture) and a sentence naming
// the file.
struct PictureProblem {
    int number = 0;
    QString description;
};

class ToothPictureFiles {
public:
    explicit ToothPictureFiles(QString folder);
    ToothPictureFiles(const ToothPictureFiles&) = delete;
    ToothPictureFiles& operator=(const ToothPictureFiles&) = delete;

    // The pictures of `folder` that every window and print of the process
    // shares.
    static ToothPictureFiles& Of(const QString& folder);

    // The picture turned over left to right and/or top to bottom. Null when
    // the file could not be read; `problem`, when given, then says why.
    const QImage& Turned(const QString& fileName, bool leftRight, bool topBottom, PictureProblem* problem = nullptr);
    const QImage& Picture(const QString& fileName, PictureProblem* problem = nullptr);
    // How many files were decoded.
    int Decoded() const { return decoded_; }

private:
    struct Kept {
        QImage picture;
        std::array<QImage, 4> turned;  // by leftRight + 2 * topBottom
    };

    QString folder_;
    // Node-based, so that a picture handed out stays where it is while others are added.
    std::unordered_map<QString, Kept> kept_;
    QSet<QString> reported_;
    int decoded_ = 0;
};

}  // namespace mox
