// A user's walk from the input screen to the chart screen and its prints,
// on the real windows in a temporary program folder: sample case 98 chosen
// in the input screen, the chart screen opened as its chart button opens
// it, the three pages looked at, 99 chosen, 31 and "あ" typed; then every
// print of every kind into PDF files, the blank form, and the blank form
// and the chart sheet once more. With MOX_SCREENSHOT_DIR set, the screens
// are grabbed there and the PDFs kept there.

#include "tests/printing/pdf_pages.h"
#include "tests/screens/chart/chart_test_support.h"
#include "tests/screens/input/input_window.h"

#include <QListWidget>
#include <QPushButton>

namespace mox::test {
namespace {

QString Keep(const QString& name) {
    const QString dir = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
    return dir.isEmpty() ? QString() : dir + u'/' + name;
}

TEST(ChartWalkThrough, FromTheInputScreenToEveryPrint) {
    InputWindow input;
    CopyToothPictures(input.box);
    input.ChoosePatient(98);
    ASSERT_EQ(G().CurPatientId, 98);

    PFrmChartDR* chart = ShowChartScreen(input.form.get());
    ASSERT_NE(chart, nullptr);
    PFrmChartDR& w = *chart;
    EXPECT_EQ(w.LblOutNo->text(), QStringLiteral("98"));
    for (int page = 0; page < 3; ++page) {
        w.SSTab1->setCurrentIndex(page);
        ChartScreenEnvironment::Grab(w, QStringLiteral("chart_98_page%1").arg(page));
    }
    EXPECT_EQ(w.LstEntry->count(), 4);

    ChartScreenEnvironment::Choose(w, 99);
    for (int page = 0; page < 3; ++page) {
        w.SSTab1->setCurrentIndex(page);
        ChartScreenEnvironment::Grab(w, QStringLiteral("chart_99_page%1").arg(page));
    }
    EXPECT_EQ(w.LstEntry->count(), 3);
    EXPECT_EQ(G().CurPatientId, 98) << "the input screen keeps its patient";

    for (const QString& typed : {QStringLiteral("31"), QStringLiteral("あ")}) {
        input.boxes.Clear();
        ChartScreenEnvironment::Type(w, typed);
        EXPECT_EQ(input.Captions(), std::vector<QString>{QStringLiteral("範囲外エラー")});
        EXPECT_EQ(w.CmbOutNo->currentText(), QStringLiteral("99"));
        ChartScreenEnvironment::Grab(w, QStringLiteral("chart_typed_%1").arg(typed == QStringLiteral("31") ? 31 : 0));
    }

    // The prints of sample case 98, all into PDF files.
    ChartScreenEnvironment::Choose(w, 98);
    w.SSTab1->setCurrentIndex(0);
    if (!PdfToolsAvailable()) MOX_COMPONENT_MISSING("pdftotext and pdftoppm (package poppler-utils)");
    auto print = [&](const QString& name, const std::function<void()>& click) {
        const QString kept = Keep(name);
        const QString pdf = kept.isEmpty() ? input.box.File(name) : kept;
        QFile::remove(pdf);
        AnswerPrintDialogWithPdf(pdf);
        input.boxes.Clear();
        click();
        EXPECT_EQ(input.Captions(), std::vector<QString>{QStringLiteral("完了")}) << name.toStdString();
        EXPECT_TRUE(QFile::exists(pdf)) << name.toStdString();
        return pdf;
    };
    for (int kind = 0; kind < 3; ++kind) {
        print(QStringLiteral("chart_sheet_%1.pdf").arg(kind), [&] {
            QWidget* button = w.ButtonWindow(QStringLiteral("BtnPrintChart"), kind);
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        });
        print(QStringLiteral("data_sheet_%1.pdf").arg(kind), [&] {
            QWidget* button = w.ButtonWindow(QStringLiteral("BtnPrintData"), kind);
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        });
    }
    print(QStringLiteral("blank_form.pdf"), [&] { QTest::mouseClick(w.BtnBlankPrint, Qt::LeftButton); });
    ChartScreenEnvironment::Grab(w, QStringLiteral("chart_after_blank"));
    print(QStringLiteral("blank_form_again.pdf"), [&] { QTest::mouseClick(w.BtnBlankPrint, Qt::LeftButton); });
    const QString again = print(QStringLiteral("chart_sheet_after_blank.pdf"), [&] { w.BtnPrintChart_Click(0); });
    ChartScreenEnvironment::Grab(w, QStringLiteral("chart_after_chart_print"));
    EXPECT_TRUE(PdfText(again).contains(QStringLiteral("2→1")));
    w.close();
}

}  // namespace
}  // namespace mox::test
