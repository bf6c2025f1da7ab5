#pragma once
// The printer: a CUPS queue, or a PDF file. A document begins with the first
// drawing after construction or after EndDoc, and is sent by EndDoc (or when
// the target is destroyed), as the original printer object did.

#include "platform/gui/painter_target.h"

#include <QString>
#include <memory>

class QPrinter;

namespace mox::platform {

class PrinterTarget : public PainterTarget {
public:
    PrinterTarget();
    ~PrinterTarget() override;
    TargetKind Kind() const override { return TargetKind::Printer; }

    // The printer's settings; a document that failed to end leaves a new
    // QPrinter with the same settings, so hold no reference across EndDoc.
    QPrinter& Printer() { return *printer_; }
    // Chooses a CUPS queue, or a PDF file; ends a document in progress.
    void UsePrinter(const QString& name);
    void UsePdfFile(const QString& path);
    // Takes over changes made directly on Printer() (paper, orientation).
    void PrinterChanged();
    QString PrinterName() const;
    bool PrintsToPdf() const;
    QString PdfFile() const;
    bool DocumentOpen() const { return painter_ != nullptr; }
    // Why the last document could not be started or ended ("" when it
    // was); cleared when another printer or file is chosen.
    QString LastError() const { return lastError_; }

protected:
    const QPaintDevice& MetricsDevice() const override;
    QPainter* BeginPainting() override;
    void EndPainting(QPainter*) override {}
    void DoClear() override {}
    void DoNewPage() override;
    void DoEndDoc() override;

private:
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    QString lastError_;
};

}  // namespace mox::platform
