#pragma once
// One print run of the chart screen on the program's printer: the printer
// dialog, then, with the hourglass showing and the job named after the
// program's title and the case's application number, the pages of every
// copy and the end of the document, then the outcome in a message box.
//
// The program counts the copies itself and leaves the printer's own count
// at 1, so that a queue that makes copies too never prints copies x copies
// sheets. A printer or PDF file that cannot be opened, or a document that
// cannot be ended, is reported in Japanese instead of the completion
// message.

#include "platform/gui/printer_target.h"

#include <QString>
#include <functional>

class QWidget;

namespace mox {

enum class PrintOutcome { Cancelled, Printed, Failed };

// Draws the document's pages: `copies` sets, as chosen in the dialog.
using ComposePages = std::function<void(platform::PrinterTarget& printer, int copies)>;

// `confirmed` runs after the dialog was confirmed and before the pages are
// composed (the screen puts itself into the state it prints).
PrintOutcome RunPrintJob(QWidget* parent, const QString& applicationNumber, const ComposePages& compose,
                         const std::function<void()>& confirmed = {});

}  // namespace mox
