#include "tests/printing/pdf_pages.h"

#include "platform/gui/printer_dialog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

namespace mox::test {

void AnswerPrintDialogWithPdf(const QString& pdf, int copies) {
    platform::SetPrinterDialogAnswerer([pdf, copies](const platform::PrinterDialogRequest&) {
        return std::optional<platform::PrinterChoice>(platform::PrinterChoice{QString(), pdf, copies});
    });
}

bool PdfToolsAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

void KeepPrintedPage(const QString& file, const QString& name) {
    const QString keep = qEnvironmentVariable("MOX_PRINTING_PAGES_DIR");
    if (keep.isEmpty()) return;
    QDir().mkpath(keep);
    QFile::remove(keep + QLatin1Char('/') + name);
    QFile::copy(file, keep + QLatin1Char('/') + name);
}

QString PdfText(const QString& pdf, const QStringList& options) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  options + QStringList{QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

PageRaster PageRaster::FromPdf(const QString& pdf, int page, int dpi, QPointF originMm) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess process;
    process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                               QString::number(page), QStringLiteral("-l"), QString::number(page),
                                               QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return PageRaster(QImage(), dpi);
    return PageRaster(QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32), dpi, originMm);
}

PageRaster::PageRaster(QImage image, double dpi, QPointF originMm)
    : image_(std::move(image)), dpi_(dpi), origin_(originMm) {}

QPoint PageRaster::Pixel(double xMm, double yMm) const {
    return QPoint(static_cast<int>(std::floor((origin_.x() + xMm) / 25.4 * dpi_)),
                  static_cast<int>(std::floor((origin_.y() + yMm) / 25.4 * dpi_)));
}

QColor PageRaster::At(double xMm, double yMm) const {
    const QPoint p = Pixel(xMm, yMm);
    return image_.rect().contains(p) ? image_.pixelColor(p) : QColor();
}

bool CloseTo(const QColor& seen, const QColor& expected, int tolerance) {
    return seen.isValid() && std::abs(seen.red() - expected.red()) <= tolerance &&
           std::abs(seen.green() - expected.green()) <= tolerance &&
           std::abs(seen.blue() - expected.blue()) <= tolerance;
}

bool PageRaster::HasNear(double xMm, double yMm, double radiusMm, const QColor& colour, int tolerance) const {
    const QPoint centre = Pixel(xMm, yMm);
    const int r = static_cast<int>(std::ceil(radiusMm / 25.4 * dpi_));
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const QPoint p = centre + QPoint(dx, dy);
            if (image_.rect().contains(p) && CloseTo(image_.pixelColor(p), colour, tolerance)) return true;
        }
    return false;
}

int PageRaster::DarkRunAcross(double xMm, double yMm, int darkness) const {
    const QPoint top = Pixel(xMm, yMm - 1);
    const QPoint bottom = Pixel(xMm, yMm + 1);
    int best = 0, run = 0;
    for (int y = top.y(); y <= bottom.y(); ++y) {
        const QColor c = image_.rect().contains(top.x(), y) ? image_.pixelColor(top.x(), y) : QColor(Qt::white);
        run = (c.red() + c.green() + c.blue()) / 3 < darkness ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

}  // namespace mox::test
