#include "platform/gui/japanese_ui.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFont>
#include <QFontInfo>

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

TEST(JapaneseUi, StandardDialogTextsAreJapanese) {
    ASSERT_TRUE(LoadJapaneseTranslations());
    EXPECT_TRUE(LoadJapaneseTranslations());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
}
