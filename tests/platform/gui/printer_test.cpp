#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/printer_dialog.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace mox::platform;

namespace {

class Printing : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterFontSubstitutes(); }
    void TearDown() override {
        SetPrinterDialogAnswerer(nullptr);
        ProgramPrinter().EndDoc();
    }
    mox::test::Sandbox sandbox_;
};

QString PdfText(const QString& pdf, const QStringList& options = {}) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  options + QStringList{QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

PrinterDialogAnswerer ChoosePdf(const QString& file, PrinterDialogRequest* seen = nullptr) {
    return [file, seen](const PrinterDialogRequest& request) -> std::optional<PrinterChoice> {
        if (seen) *seen = request;
        return PrinterChoice{QString(), file};
    };
}

}  // namespace

TEST_F(Printing, PdfReadsBackWithTheJapaneseText) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        MOX_COMPONENT_MISSING("pdftotext (package poppler-utils)");
    const QString pdf = sandbox_.File(QStringLiteral("chart.pdf"));
    PrinterTarget printer;
    printer.UsePdfFile(pdf);
    ApplyDrawingDefaults(printer);
    printer.SetCurrentX(20);
    printer.SetCurrentY(20);
    printer.Print(QStringLiteral("歯周検査 山田 金一 長 一"));
    printer.SetFontSize(14);
    printer.Print(QStringLiteral("ミラド協会"));
    printer.Line(20, 40, 120, 40);
    printer.NewPage();
    printer.SetCurrentX(20);
    printer.SetCurrentY(20);
    printer.Print(QStringLiteral("二頁目"));
    EXPECT_TRUE(printer.DocumentOpen());
    printer.EndDoc();
    EXPECT_FALSE(printer.DocumentOpen());
    EXPECT_TRUE(printer.LastError().isEmpty());

    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("歯周検査 山田 金一 長 一"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ミラド協会")));
    EXPECT_TRUE(text.contains(QStringLiteral("二頁目")));
    EXPECT_EQ(text.count(QChar(0x0C)), 2);  // two pages

    // The word boxes are in points: 10-point text stands about 10 points tall,
    // whatever the millimetre scale of the drawing.
    const QString boxes = PdfText(pdf, {QStringLiteral("-bbox")});
    const QRegularExpression word(
        QStringLiteral("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">歯周検査</word>"));
    const QRegularExpressionMatch match = word.match(boxes);
    ASSERT_TRUE(match.hasMatch()) << boxes.toStdString();
    const double height = match.captured(2).toDouble() - match.captured(1).toDouble();
    EXPECT_GT(height, 8.0);
    EXPECT_LT(height, 14.0);
}

TEST_F(Printing, EndDocWithNothingDrawnWritesNothing) {
    const QString pdf = sandbox_.File(QStringLiteral("none.pdf"));
    PrinterTarget printer;
    printer.UsePdfFile(pdf);
    printer.EndDoc();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(Printing, UnwritablePdfIsReportedNotFatal) {
    sandbox_.WriteText(QStringLiteral("file"), "x");
    PrinterTarget printer;
    printer.UsePdfFile(sandbox_.File(QStringLiteral("file/out.pdf")));
    ApplyDrawingDefaults(printer);
    printer.Line(0, 0, 10, 10);
    printer.Print(QStringLiteral("x"));
    EXPECT_FALSE(printer.DocumentOpen());
    EXPECT_FALSE(printer.LastError().isEmpty());
    printer.EndDoc();
}

TEST_F(Printing, ConfirmedDialogMakesTheChoiceTheProgramsPrinterWithDefaults) {
    PrinterTarget& printer = ProgramPrinter();
    // A document in progress is ended (and sent) before the dialog shows.
    const QString earlier = sandbox_.File(QStringLiteral("earlier.pdf"));
    printer.UsePdfFile(earlier);
    printer.Line(0, 0, 10, 10);
    ASSERT_TRUE(printer.DocumentOpen());
    printer.SetForeColor(0xFF);
    printer.SetFontName(QStringLiteral("Arial"));
    printer.SetScaleMode(kScalePixels);

    PrinterDialogRequest seen;
    const QString chosen = sandbox_.File(QStringLiteral("chosen.pdf"));
    SetPrinterDialogAnswerer(ChoosePdf(chosen, &seen));
    EXPECT_TRUE(ShowPrinterDialog());

    EXPECT_TRUE(QFile::exists(earlier));
    EXPECT_FALSE(seen.allowSelection);
    EXPECT_FALSE(seen.allowPageRange);
    EXPECT_EQ(seen.currentPdfFile, earlier);
    EXPECT_TRUE(printer.PrintsToPdf());
    EXPECT_EQ(printer.PdfFile(), chosen);
    EXPECT_EQ(printer.ScaleMode(), kScaleMillimeters);
    EXPECT_EQ(printer.ForeColor(), 0u);
    EXPECT_EQ(printer.FontName(), QStringLiteral("ＭＳ Ｐゴシック"));
}

TEST_F(Printing, CancelGivesFalseAndKeepsTheEarlierSettings) {
    PrinterTarget& printer = ProgramPrinter();
    const QString earlier = sandbox_.File(QStringLiteral("earlier.pdf"));
    printer.UsePdfFile(earlier);
    printer.SetForeColor(0xFF);
    printer.SetScaleMode(kScalePixels);
    bool asked = false;
    SetPrinterDialogAnswerer([&](const PrinterDialogRequest&) -> std::optional<PrinterChoice> {
        asked = true;
        return std::nullopt;
    });
    EXPECT_FALSE(ShowPrinterDialog());
    EXPECT_TRUE(asked);
    EXPECT_EQ(printer.PdfFile(), earlier);
    EXPECT_EQ(printer.ForeColor(), 0xFFu);
    EXPECT_EQ(printer.ScaleMode(), kScalePixels);
}

TEST_F(Printing, UnknownQueueIsAFailureThatKeepsTheEarlierPrinter) {
    PrinterTarget& printer = ProgramPrinter();
    const QString earlier = sandbox_.File(QStringLiteral("earlier.pdf"));
    printer.UsePdfFile(earlier);
    SetPrinterDialogAnswerer([](const PrinterDialogRequest&) -> std::optional<PrinterChoice> {
        return PrinterChoice{QStringLiteral("no-such-queue-on-this-host"), QString()};
    });
    EXPECT_FALSE(ShowPrinterDialog());
    EXPECT_TRUE(printer.PrintsToPdf());
    EXPECT_EQ(printer.PdfFile(), earlier);
}

TEST_F(Printing, PdfCutShortByAFullDiskIsReportedWhenTheDocumentEnds) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) MOX_COMPONENT_MISSING("/dev/full");
    PrinterTarget printer;
    printer.UsePdfFile(QStringLiteral("/dev/full"));
    ApplyDrawingDefaults(printer);
    printer.Line(0, 0, 10, 10);
    ASSERT_TRUE(printer.DocumentOpen());
    EXPECT_TRUE(printer.LastError().isEmpty());
    printer.EndDoc();
    EXPECT_FALSE(printer.LastError().isEmpty());
    // Another file starts afresh and is written whole.
    const QString next = sandbox_.File(QStringLiteral("next.pdf"));
    printer.UsePdfFile(next);
    EXPECT_TRUE(printer.LastError().isEmpty());
    printer.Line(0, 0, 10, 10);
    printer.EndDoc();
    EXPECT_TRUE(printer.LastError().isEmpty());
    EXPECT_GT(QFileInfo(next).size(), 100);
}

TEST_F(Printing, CopiesChosenInTheDialogAreThePrintersCopyCount) {
    SetPrinterDialogAnswerer([this](const PrinterDialogRequest&) -> std::optional<PrinterChoice> {
        return PrinterChoice{QString(), sandbox_.File(QStringLiteral("three.pdf")), 3};
    });
    ASSERT_TRUE(ShowPrinterDialog());
    EXPECT_EQ(ProgramPrinter().Printer().copyCount(), 3);
}
