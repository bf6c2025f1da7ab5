#include "printing/tooth_pictures.h"

#include "core/program_log.h"
#include "platform/failure.h"

#include <QFileInfo>
#include <QImageReader>
#include <cerrno>
#include <map>
#include <memory>

namespace mox {

namespace {

const QImage& NoPicture() {
    static const QImage none;
    return none;
}

}  // namespace

ToothPictureFiles::ToothPictureFiles(QString folder) : folder_(std::move(folder)) {}

ToothPictureFiles& ToothPictureFiles::Of(const QString& folder) {
    static std::map<QString, std::unique_ptr<ToothPictureFiles>> shared;
    std::unique_ptr<ToothPictureFiles>& files = shared[folder];
    if (!files) files = std::make_unique<ToothPictureFiles>(folder);
    return *files;
}

const QImage& ToothPictureFiles::Picture(const QString& fileName, PictureProblem* problem) {
    if (const auto found = kept_.find(fileName); found != kept_.end()) return found->second.picture;
    const QString path = folder_ + u'/' + fileName;
    const QFileInfo file(path);
    PictureProblem failure;
    QImage image;
    if (!file.isFile()) {
        failure = {ENOENT, FailureCause(FromErrno(FailureStep::Open, ENOENT)) + QStringLiteral(" ") + path};
    } else if (!file.isReadable()) {
        failure = {EACCES, FailureCause(FromErrno(FailureStep::Open, EACCES)) + QStringLiteral(" ") + path};
    } else {
        QImageReader reader(path);
        image = reader.read();
        if (image.isNull()) failure = {481, QStringLiteral("画像として読み込めません。 ") + path};
    }
    if (image.isNull()) {
        if (!reported_.contains(fileName)) {
            reported_.insert(fileName);
            LogFailure(QStringLiteral("歯の画像を読み込めません"), failure.description);
        }
        if (problem) *problem = failure;
        return NoPicture();
    }
    // Converted once, so that each paint only scales.
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ++decoded_;
    return kept_.emplace(fileName, Kept{image, {}}).first->second.picture;
}

const QImage& ToothPictureFiles::Turned(const QString& fileName, bool leftRight, bool topBottom,
                                        PictureProblem* problem) {
    const QImage& picture = Picture(fileName, problem);
    if (picture.isNull() || (!leftRight && !topBottom)) return picture;
    QImage& turned = kept_[fileName].turned[int(leftRight) + 2 * int(topBottom)];
    if (turned.isNull()) turned = picture.mirrored(leftRight, topBottom);
    return turned;
}

}  // namespace mox
