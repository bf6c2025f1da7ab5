#include "platform/gui/printer_dialog.h"

#include "platform/clock.h"

#include <QCoreApplication>
#include <QPrintDialog>
#include <QPrinter>

namespace mox::platform {
namespace {

PrinterDialogAnswerer& Answerer() {
    static PrinterDialogAnswerer answerer;
    return answerer;
}

bool RunRealDialog(PrinterTarget& printer, QWidget* parent) {
    QPrintDialog dialog(&printer.Printer(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted) return false;
    printer.PrinterChanged();
    return true;
}

// A queue that CUPS does not know leaves the earlier printer in place.
bool ApplyChoice(PrinterTarget& printer, const PrinterChoice& choice) {
    if (!choice.pdfFile.isEmpty()) {
        printer.UsePdfFile(choice.pdfFile);
        printer.Printer().setCopyCount(choice.copies);
        return true;
    }
    const bool wasPdf = printer.PrintsToPdf();
    const QString earlierName = printer.PrinterName();
    const QString earlierFile = printer.PdfFile();
    printer.UsePrinter(choice.printerName);
    if (!choice.printerName.isEmpty() && !printer.PrintsToPdf()) {
        printer.Printer().setCopyCount(choice.copies);
        return true;
    }
    if (wasPdf)
        printer.UsePdfFile(earlierFile);
    else
        printer.UsePrinter(earlierName);
    return false;
}

}  // namespace

// Sent and released while the application object still exists: a printer
// must not outlive the platform plugin that drives it.
PrinterTarget& ProgramPrinter() {
    static PrinterTarget* printer = nullptr;
    if (!printer) {
        printer = new PrinterTarget;
        if (QCoreApplication::instance())
            qAddPostRoutine([] {
                delete printer;
                printer = nullptr;
            });
    }
    return *printer;
}

void SetPrinterDialogAnswerer(PrinterDialogAnswerer answerer) { Answerer() = std::move(answerer); }

void InitPrinterDefaults() { ApplyDrawingDefaults(ProgramPrinter()); }

bool ShowPrinterDialog(QWidget* parent) {
    PrinterTarget& printer = ProgramPrinter();
    printer.EndDoc();
    bool confirmed = false;
    if (Answerer()) {
        PrinterDialogRequest request;
        request.currentPrinter = printer.PrinterName();
        request.currentPdfFile = printer.PdfFile();
        const std::optional<PrinterChoice> choice = Answerer()(request);
        if (choice) confirmed = ApplyChoice(printer, *choice);
    } else {
        confirmed = RunRealDialog(printer, parent);
    }
    if (confirmed) InitPrinterDefaults();
    ProcessEvents();
    return confirmed;
}

}  // namespace mox::platform
