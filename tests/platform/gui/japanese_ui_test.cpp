#include "platform/gui/japanese_ui.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QFont>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace mox::platform;

TEST(JapaneseUi, WindowsFontNamesResolveToTheirSubstitutes) {
    RegisterFontSubstitutes();
    RegisterFontSubstitutes();  // twice adds nothing twice
    const struct {
        const char* name;
        const char* family;
    } cases[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS Pゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
        {"MS ゴシック", "IPAGothic"},      {"ＭＳ 明朝", "IPAMincho"},     {"MS 明朝", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS P明朝", "IPAPMincho"},     {"Arial", "Liberation Sans"},
    };
    for (const auto& c : cases) {
        const QFontInfo info(QFont(QString::fromUtf8(c.name), 10));
        EXPECT_EQ(info.family(), QString::fromUtf8(c.family)) << c.name;
    }
    const QStringList substitutes = QFont::substitutes(QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(substitutes.filter(QStringLiteral("IPAPGothic"), Qt::CaseInsensitive).size(), 1)
        << substitutes.join(',').toStdString();
}

// Qt's texts, and the program's own where Qt's Japanese catalogue has none:
// the print dialog as the chart screen opens it, the printer properties'
// tab and the file dialogs' type of a folder.
TEST(JapaneseUi, StandardDialogTextsAreJapanese) {
    ASSERT_TRUE(LoadJapaneseTranslations());
    EXPECT_TRUE(LoadJapaneseTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));

    QPrinter printer;
    QPrintDialog dialog(&printer);
    QStringList shown;
    for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) shown << b->text() << b->toolTip();
    for (const QGroupBox* g : dialog.findChildren<QGroupBox*>()) shown << g->title();
    for (const QLabel* l : dialog.findChildren<QLabel*>()) shown << l->text();
    for (const QLineEdit* e : dialog.findChildren<QLineEdit*>()) shown << e->toolTip();
    for (const QTabWidget* t : dialog.findChildren<QTabWidget*>())
        for (int i = 0; i < t->count(); ++i) shown << t->tabText(i);
    for (const char* english : {"Pages", "Double Sided Printing", "Off", "Long side binding", "Short side binding"})
        EXPECT_FALSE(shown.contains(QString::fromLatin1(english))) << english;
    for (const char* japanese : {"ページ指定", "両面印刷", "しない", "長辺綴じ", "短辺綴じ"})
        EXPECT_TRUE(shown.contains(QString::fromUtf8(japanese))) << japanese;
    EXPECT_EQ(QCoreApplication::translate("QPrintPropertiesWidget", "Advanced"), QStringLiteral("詳細設定"));

    QFileSystemModel files;
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("控え")));
    const QModelIndex sub = files.setRootPath(folder.path());
    files.fetchMore(sub);
    EXPECT_EQ(files.type(files.index(folder.filePath(QStringLiteral("控え")))), QStringLiteral("フォルダ"));
}
