#pragma once
// Printing into a PDF through the print dialog, and reading printed PDFs
// back as a reader sees them: their text (pdftotext) and their pages as
// pictures (pdftoppm), with probes in the millimetres the sheet was drawn in.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QStringList>

namespace mox::test {

// The print dialog answered with the PDF file and `copies`, until another
// answerer is set.
void AnswerPrintDialogWithPdf(const QString& pdf, int copies = 1);

// True when pdftotext and pdftoppm (poppler-utils) can be run.
bool PdfToolsAvailable();

// With MOX_PRINTING_PAGES_DIR set, copies `file` there as `name`, so that a
// developer can look at what a test printed; otherwise nothing.
void KeepPrintedPage(const QString& file, const QString& name);

// The text of the PDF, "" when it cannot be read.
QString PdfText(const QString& pdf, const QStringList& options = {});

// One page of a PDF (or one picture) as drawn in millimetres from `origin`,
// the corner of the printable area on the paper.
class PageRaster {
public:
    // Renders page `page` (1-based) at `dpi`; null when pdftoppm fails.
    static PageRaster FromPdf(const QString& pdf, int page, int dpi, QPointF originMm);
    // A picture that was drawn from its own corner at `dpi`.
    PageRaster(QImage image, double dpi, QPointF originMm = {});

    bool IsNull() const { return image_.isNull(); }
    const QImage& Image() const { return image_; }
    QColor At(double xMm, double yMm) const;
    // True when a pixel within radiusMm of the point is within `tolerance` of
    // the colour in each channel.
    bool HasNear(double xMm, double yMm, double radiusMm, const QColor& colour, int tolerance = 40) const;
    // Consecutive pixels darker than `darkness` (sum of channels / 3) down
    // from yMm - 1 mm to yMm + 1 mm at xMm: the drawn width of a horizontal line.
    int DarkRunAcross(double xMm, double yMm, int darkness = 100) const;

private:
    QPoint Pixel(double xMm, double yMm) const;
    QImage image_;
    double dpi_ = 0;
    QPointF origin_;
};

bool CloseTo(const QColor& seen, const QColor& expected, int tolerance);

}  // namespace mox::test
