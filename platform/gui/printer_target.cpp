#include "platform/gui/printer_target.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>

namespace mox::platform {

namespace {

// Qt's PDF writer reports no failed write: a full disk leaves a file that
// ends short of its trailer, which only reading it back shows.
bool PdfFileComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    if (!file.read(5).startsWith("%PDF-")) return false;
    const qint64 size = file.size();
    if (size < 16 || !file.seek(size - 16)) return false;
    return file.read(16).contains("%%EOF");
}

}  // namespace

PrinterTarget::PrinterTarget()
    : PainterTarget(QSizeF(1, 1), 600, 600), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    printer_->setPageSize(QPageSize(QPageSize::A4));
    printer_->setDocName(QStringLiteral("MOX-Chart"));
    PrinterChanged();
}

PrinterTarget::~PrinterTarget() { DoEndDoc(); }

void PrinterTarget::PrinterChanged() {
    lastError_.clear();
    const int dpi = printer_->resolution();
    SetDevice(printer_->pageLayout().paintRectPixels(dpi).size(), dpi, dpi);
}

void PrinterTarget::UsePrinter(const QString& name) {
    DoEndDoc();
    printer_->setOutputFileName(QString());
    printer_->setOutputFormat(QPrinter::NativeFormat);
    printer_->setPrinterName(name);
    PrinterChanged();
}

void PrinterTarget::UsePdfFile(const QString& path) {
    DoEndDoc();
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(path);
    PrinterChanged();
}

QString PrinterTarget::PrinterName() const { return printer_->printerName(); }
bool PrinterTarget::PrintsToPdf() const { return printer_->outputFormat() == QPrinter::PdfFormat; }
QString PrinterTarget::PdfFile() const { return PrintsToPdf() ? printer_->outputFileName() : QString(); }

const QPaintDevice& PrinterTarget::MetricsDevice() const { return *printer_; }

QPainter* PrinterTarget::BeginPainting() {
    if (painter_) return painter_.get();
    PrinterChanged();
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(printer_.get())) {
        lastError_ = PrintsToPdf() ? QStringLiteral("PDFファイルを作成できません。") + PdfFile()
                                   : QStringLiteral("プリンターに出力できません。") + PrinterName();
        return nullptr;
    }
    lastError_.clear();
    painter_ = std::move(painter);
    return painter_.get();
}

void PrinterTarget::DoNewPage() {
    // A new page with nothing drawn yet still opens the document, so that the
    // first page comes out blank as the printer object did.
    if (BeginPainting()) printer_->newPage();
}

void PrinterTarget::DoEndDoc() {
    if (!painter_) return;
    const bool ended = painter_->end();
    painter_.reset();
    if (ended && !(PrintsToPdf() && !PdfFileComplete(PdfFile()))) return;
    lastError_ = PrintsToPdf() ? QStringLiteral("PDFファイルを書き終えられません。") + PdfFile()
                               : QStringLiteral("印刷を終了できません。") + PrinterName();
    if (!PrintsToPdf()) return;
    // Qt's PDF writer keeps a failed write for every later document, which
    // would all come out empty: the next one gets a writer of its own.
    auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
    fresh->setOutputFormat(QPrinter::PdfFormat);
    fresh->setOutputFileName(printer_->outputFileName());
    fresh->setPageLayout(printer_->pageLayout());
    fresh->setDocName(printer_->docName());
    fresh->setCopyCount(printer_->copyCount());
    printer_ = std::move(fresh);
}

}  // namespace mox::platform
