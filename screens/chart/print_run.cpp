#include "screens/chart/print_run.h"

#include "core/program_log.h"
#include "platform/db/db_error.h"
#include "platform/gui/printer_dialog.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"

#include <QPrinter>
#include <exception>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The job carries the application number for its own duration only.
class JobName {
public:
    JobName(platform::PrinterTarget& printer, const QString& applicationNumber)
        : printer_(printer), saved_(printer.Printer().docName()) {
        printer_.Printer().setDocName(saved_ + applicationNumber);
    }
    ~JobName() { printer_.Printer().setDocName(saved_); }
    JobName(const JobName&) = delete;
    JobName& operator=(const JobName&) = delete;

private:
    platform::PrinterTarget& printer_;
    QString saved_;
};

}  // namespace

PrintOutcome RunPrintJob(QWidget* parent, const QString& applicationNumber, const ComposePages& compose,
                         const std::function<void()>& confirmed) {
    if (!platform::ShowPrinterDialog(parent)) {
        platform::SetMousePointer(platform::kDefaultPointer);
        return PrintOutcome::Cancelled;
    }
    platform::PrinterTarget& printer = platform::ProgramPrinter();
    const int copies = printer.Printer().copyCount();
    printer.Printer().setCopyCount(1);

    QString failure;
    {
        const platform::Hourglass hourglass;
        const JobName name(printer, applicationNumber);
        try {
            if (confirmed) confirmed();
            platform::InitPrinterDefaults();
            compose(printer, copies);
        } catch (const std::exception& e) {
            const Failure cause = db::FailureOf(e);
            LogFailure(cause);
            failure = FailureText(cause);
        }
        printer.EndDoc();
        if (failure.isEmpty()) failure = printer.LastError();
    }
    if (!failure.isEmpty()) {
        platform::MsgBox(QStringLiteral("印刷できませんでした。") + kCrLf + kCrLf + failure, 16,
                         QStringLiteral("印刷エラー"));
        return PrintOutcome::Failed;
    }
    platform::MsgBox(QStringLiteral("プリンタへの出力が完了しました。　　"), 64, QStringLiteral("完了"));
    return PrintOutcome::Printed;
}

}  // namespace mox
