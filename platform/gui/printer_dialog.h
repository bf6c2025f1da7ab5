#pragma once
// The program's printer and the printer dialog used before every print.

#include "platform/gui/printer_target.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace mox::platform {

// The program's printer (the VB Printer object); lives until the program ends.
PrinterTarget& ProgramPrinter();

// What the dialog allows. Windows' print-to-file box wrote the printer's raw
// output; it has no place here, but a PDF file is offered as a printer, since
// a clinic PC may have no printer queue at all.
struct PrinterDialogRequest {
    bool allowSelection = false;
    bool allowPageRange = false;
    QString currentPrinter;
    QString currentPdfFile;
};
// The user's confirmed choice: a printer queue, or (pdfFile not empty) a PDF,
// and the number of copies, which the printer then reports (copyCount).
struct PrinterChoice {
    QString printerName;
    QString pdfFile;
    int copies = 1;
};
// Answers the dialog in tests instead of showing it: a choice confirms,
// std::nullopt cancels. An empty answerer restores the real dialog.
using PrinterDialogAnswerer = std::function<std::optional<PrinterChoice>(const PrinterDialogRequest&)>;
void SetPrinterDialogAnswerer(PrinterDialogAnswerer answerer);

// Ends the document in progress, shows the dialog, makes the confirmed
// printer the program's printer and puts the drawing defaults on it. Cancel
// gives false and keeps the earlier printer and its settings.
bool ShowPrinterDialog(QWidget* parent = nullptr);

// The drawing defaults on the program's printer (ApplyDrawingDefaults).
void InitPrinterDefaults();

}  // namespace mox::platform
