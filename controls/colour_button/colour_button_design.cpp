#include "controls/colour_button/colour_button_design.h"

#include "controls/colour_button/ole_colour.h"
#include "controls/colour_button/prismet_properties.h"
#include "platform/gui/colour.h"

#include <QDir>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mox::prismet {

namespace {

QString Unquoted(const QString& raw) {
    const QString value = raw.trimmed();
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"')) return value;
    QString out;
    const QString body = value.mid(1, value.size() - 2);
    for (int i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c != u'\\' || i + 1 == body.size()) {
            out += c;
            continue;
        }
        const QChar e = body.at(++i);
        if (e == u'r')
            out += u'\r';
        else if (e == u'n')
            out += u'\n';
        else if (e == u't')
            out += u'\t';
        else
            out += e;
    }
    return out;
}

// "&H00C0FFC0&", "&HFF", "#RRGGBB" or a decimal number.
bool ParseColour(const QVariant& v, OleColor* out) {
    if (v.typeId() != QMetaType::QString) {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (!ok || n < INT32_MIN || n > UINT32_MAX) return false;
        *out = static_cast<OleColor>(n);
        return true;
    }
    QString text = v.toString().trimmed();
    bool ok = false;
    if (text.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        if (text.endsWith(u'&')) text.chop(1);
        const qulonglong n = text.mid(2).toULongLong(&ok, 16);
        if (!ok || n > UINT32_MAX) return false;
        *out = static_cast<OleColor>(n);
        return true;
    }
    if (text.startsWith(u'#')) {
        const QColor colour = QColor::fromString(text);
        if (!colour.isValid()) return false;
        *out = platform::ToVbColor(colour);
        return true;
    }
    const qlonglong n = text.toLongLong(&ok);
    if (!ok || n < INT32_MIN || n > UINT32_MAX) return false;
    *out = static_cast<OleColor>(n);
    return true;
}

// {"Name", "Size", "Bold", ...} or "Name,Size[,Bold][,Italic][,Underline][,Strikethrough]".
bool ParseFont(const QVariant& v, QFont* out) {
    if (v.typeId() == QMetaType::QFont) {
        *out = v.value<QFont>();
        return true;
    }
    QFont font;
    if (v.typeId() == QMetaType::QVariantMap) {
        const QVariantMap m = v.toMap();
        for (auto it = m.begin(); it != m.end(); ++it) {
            const QString key = it.key().toLower();
            if (key == QLatin1String("name"))
                font.setFamily(it.value().toString());
            else if (key == QLatin1String("size"))
                font.setPointSizeF(it.value().toDouble());
            else if (key == QLatin1String("bold"))
                font.setBold(it.value().toBool());
            else if (key == QLatin1String("italic"))
                font.setItalic(it.value().toBool());
            else if (key == QLatin1String("underline"))
                font.setUnderline(it.value().toBool());
            else if (key == QLatin1String("strikethrough"))
                font.setStrikeOut(it.value().toBool());
            else
                return false;
        }
    } else {
        const QStringList parts = v.toString().split(u',');
        if (parts.size() < 2 || parts[0].trimmed().isEmpty()) return false;
        font.setFamily(parts[0].trimmed());
        bool ok = false;
        const double size = parts[1].trimmed().toDouble(&ok);
        if (!ok || size <= 0) return false;
        font.setPointSizeF(size);
        for (int i = 2; i < parts.size(); ++i) {
            const QString style = parts[i].trimmed().toLower();
            if (style == QLatin1String("bold"))
                font.setBold(true);
            else if (style == QLatin1String("italic"))
                font.setItalic(true);
            else if (style == QLatin1String("underline"))
                font.setUnderline(true);
            else if (style == QLatin1String("strikethrough"))
                font.setStrikeOut(true);
            else
                return false;
        }
    }
    if (font.family().isEmpty()) return false;
    *out = font;
    return true;
}

bool LoadImages(const QVariant& v, const QString& baseDir, QList<QImage>* images, QString* failed) {
    QStringList paths;
    if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList)
        paths = v.toStringList();
    else
        paths = v.toString().split(u'|', Qt::SkipEmptyParts);
    const QDir base(baseDir.isEmpty() ? QDir::currentPath() : baseDir);
    for (const QString& p : paths) {
        const QString path = base.filePath(p.trimmed());
        QImage image(path);
        if (image.isNull()) {
            *failed = path;
            return false;
        }
        images->append(image);
    }
    return !images->isEmpty();
}

}  // namespace

std::map<QString, ButtonDesign> ParseDesignJson(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    std::map<QString, ButtonDesign> designs;
    if (!doc.isObject()) {
        if (error)
            *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                  : QStringLiteral("not an object");
        return designs;
    }
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!it.value().isObject()) {
            if (error) *error = QStringLiteral("%1: not an object").arg(it.key());
            return {};
        }
        designs[it.key()] = it.value().toObject().toVariantMap();
    }
    return designs;
}

std::map<QString, ButtonDesign> ParseDesignIni(const QString& text) {
    std::map<QString, ButtonDesign> designs;
    QString section;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            designs[section];
            continue;
        }
        const int eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        designs[section][line.left(eq).trimmed()] = Unquoted(line.mid(eq + 1));
    }
    return designs;
}

const std::vector<const char*>& DesignOrder() {
    static const std::vector<const char*> kOrder = {
        "Width",
        "Height",
        "ButtonForm",
        "ButtonShadow",
        "FocusRect",
        "Style",
        "Arrange",
        "ImagePosX",
        "ImagePosY",
        "CaptionPosX",
        "CaptionPosY",
        "TopToWrite",
        "AutoTurn",
        "Transparent",
        "Font",
        "BackColor",
        "ForeColor",
        "DownBackColor",
        "DownForeColor",
        "DisabledBackColor",
        "DisabledForeColor",
        "MouseOverBackColor",
        "MouseOverForeColor",
        "MouseOverPriority",
        "ImageList",
        "ImageIndex",
        "DownImageIndex",
        "DisabledImageIndex",
        "MouseOverImageIndex",
        "Caption",
        "Value",
        "Enabled",
    };
    return kOrder;
}

std::vector<DesignError> ApplyDesign(com::IDispatchObject& button, const ButtonDesign& design, const QString& baseDir) {
    std::vector<DesignError> errors;
    std::map<QString, std::pair<QString, QVariant>> byName;  // lower-case name -> (as written, value)
    for (auto it = design.begin(); it != design.end(); ++it) byName[it.key().toLower()] = {it.key(), it.value()};

    for (const char* name : DesignOrder()) {
        const auto found = byName.find(QString::fromLatin1(name).toLower());
        if (found == byName.end()) continue;
        const QString written = found->second.first;
        const QVariant raw = found->second.second;
        byName.erase(found);

        if (qstrcmp(name, "ImageList") == 0) {
            QList<QImage> images;
            QString failed;
            if (!LoadImages(raw, baseDir, &images, &failed)) {
                errors.push_back({written, com::E_INVALIDARG, QStringLiteral("画像を読み込めません: %1").arg(failed)});
                continue;
            }
            const com::HRESULT hr = button.Invoke(kDispSetImageList, com::InvokeKind::Method,
                                                  {QVariant::fromValue(images)}, nullptr, nullptr);
            if (!com::Succeeded(hr)) errors.push_back({written, hr, QString()});
            continue;
        }

        const DISPID id = button.GetIdOfName(QString::fromLatin1(name));
        const PropertyInfo* info = FindProperty(DispIdOfName(QString::fromLatin1(name)));
        if (id == -1 || !info) {
            errors.push_back({written, com::DISP_E_MEMBERNOTFOUND, QStringLiteral("不明なプロパティです。")});
            continue;
        }
        QVariant value = raw;
        if (info->type == PropType::Colour) {
            OleColor colour = 0;
            if (!ParseColour(raw, &colour)) {
                errors.push_back({written, com::DISP_E_TYPEMISMATCH,
                                  QStringLiteral("色の値が正しくありません: %1").arg(raw.toString())});
                continue;
            }
            value = colour;
        } else if (info->type == PropType::Font) {
            QFont font;
            if (!ParseFont(raw, &font)) {
                errors.push_back(
                    {written, com::DISP_E_TYPEMISMATCH, QStringLiteral("フォントの指定が正しくありません。")});
                continue;
            }
            value = font;
        }
        com::ExceptionInfo exc;
        const com::HRESULT hr = button.Invoke(id, com::InvokeKind::PropertyPut, {value}, nullptr, &exc);
        if (!com::Succeeded(hr)) errors.push_back({written, hr, exc.description});
    }
    for (const auto& [lower, entry] : byName)
        errors.push_back({entry.first, com::DISP_E_MEMBERNOTFOUND, QStringLiteral("不明なプロパティです。")});
    return errors;
}

}  // namespace mox::prismet
