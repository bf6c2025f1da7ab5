#include "platform/gui/japanese_ui.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace mox::platform {

void RegisterFontSubstitutes() {
    static const struct {
        const char* windowsName;
        const char* substitute;
    } kFonts[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS Pゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
        {"ＭＳ ゴシック", "IPAGothic"},    {"MS ゴシック", "IPAGothic"},   {"MS Gothic", "IPAGothic"},
        {"ＭＳ 明朝", "IPAMincho"},        {"MS 明朝", "IPAMincho"},       {"MS Mincho", "IPAMincho"},
        {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS P明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
        {"Arial", "Liberation Sans"},
    };
    for (const auto& font : kFonts) {
        const QString name = QString::fromUtf8(font.windowsName);
        const QString substitute = QString::fromUtf8(font.substitute);
        if (!QFont::substitutes(name).contains(substitute, Qt::CaseInsensitive))
            QFont::insertSubstitution(name, substitute);
    }
}

bool LoadJapaneseTranslations() {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    static QTranslator* translator = nullptr;
    if (translator) return true;
    auto* candidate = new QTranslator(app);
    if (!candidate->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete candidate;
        return false;
    }
    QCoreApplication::installTranslator(candidate);
    translator = candidate;
    // Installed last, so asked first: it holds only texts Qt's lacks.
    auto* own = new QTranslator(app);
    if (own->load(QStringLiteral(":/translations/dialogs_ja.qm")))
        QCoreApplication::installTranslator(own);
    else
        delete own;
    return true;
}

}  // namespace mox::platform
