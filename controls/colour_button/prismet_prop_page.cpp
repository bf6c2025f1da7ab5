#include "controls/colour_button/prismet_prop_page.h"

#include "controls/colour_button/button_shape.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace mox::prismet {

namespace {

QComboBox* List(const QString& name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

QComboBox* PositionBox(const QString& name, const QStringList& presets, QWidget* parent) {
    QComboBox* box = List(name, presets, parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

// A Boolean list: item data says what each entry stores.
QComboBox* BooleanList(const QString& name, const QString& first, bool firstStores, const QString& second,
                       QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItem(first, firstStores);
    box->addItem(second, !firstStores);
    return box;
}

void LoadBoolean(QComboBox* box, const QVariant& value) {
    const bool on = value.toBool();
    box->setCurrentIndex(box->itemData(0).toBool() == on ? 0 : 1);
}

const QStringList kHorizontalPresets = {QStringLiteral("-1 左端"), QStringLiteral("-2 横中央"),
                                        QStringLiteral("-3 右端")};
const QStringList kVerticalPresets = {QStringLiteral("-1 上寄せ"), QStringLiteral("-2 縦中央"),
                                      QStringLiteral("-3 下寄せ")};

}  // namespace

QPixmap CPrismetPropPage::ShapeIcon(int kind) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    const QRegion region = ShapeRegion(kind, 16, 12).translated(0, 2);
    for (const QRect& r : region) p.fillRect(r, QColor(0, 0, 160));
    for (const QRect& r : region.subtracted(region.translated(1, 1))) p.fillRect(r, QColor(128, 160, 255));
    p.end();
    return QPixmap::fromImage(icon);
}

CPrismetPropPage::CPrismetPropPage(QWidget* parent) : PropertyPageBase(QStringLiteral("全体")) {
    auto* page = new QWidget(parent);
    window_ = page;

    QStringList shapes;
    for (int kind = 0; kind < kShapeCount; ++kind) shapes << ShapeName(kind);
    buttonForm_ = List(QStringLiteral("ButtonForm"), shapes, page);
    for (int kind = 0; kind < kShapeCount; ++kind) buttonForm_->setItemIcon(kind, ShapeIcon(kind));
    shapeIcon_ = new QLabel(page);
    shapeIcon_->setObjectName(QStringLiteral("ShapeIcon"));
    shapeIcon_->setFixedSize(20, 20);
    buttonShadow_ = List(QStringLiteral("ButtonShadow"),
                         {QStringLiteral("0-標準"), QStringLiteral("1-細め"), QStringLiteral("2-なし")}, page);
    style_ =
        List(QStringLiteral("Style"), {QStringLiteral("0 - 通常ボタン"), QStringLiteral("1 - チェックボタン")}, page);
    // "する" (wrap) stores True: the caption wraps when AutoTurn is True.
    autoTurn_ = BooleanList(QStringLiteral("AutoTurn"), QStringLiteral("する"), true, QStringLiteral("しない"), page);
    topToWrite_ =
        BooleanList(QStringLiteral("TopToWrite"), QStringLiteral("横書き"), false, QStringLiteral("縦書き"), page);
    focusRect_ = BooleanList(QStringLiteral("FocusRect"), QStringLiteral("なし"), false, QStringLiteral("あり"), page);
    arrange_ = List(QStringLiteral("Arrange"),
                    {QStringLiteral("0 - なし"), QStringLiteral("1 - ｷｬﾌﾟｼｮﾝ：下　ｲﾒｰｼﾞ：上"),
                     QStringLiteral("2 - ｷｬﾌﾟｼｮﾝ：上　ｲﾒｰｼﾞ：下"), QStringLiteral("3 - ｷｬﾌﾟｼｮﾝ：左　ｲﾒｰｼﾞ：右"),
                     QStringLiteral("4 - ｷｬﾌﾟｼｮﾝ：右　ｲﾒｰｼﾞ：左")},
                    page);
    captionPosX_ = PositionBox(QStringLiteral("CaptionPosX"), kHorizontalPresets, page);
    captionPosY_ = PositionBox(QStringLiteral("CaptionPosY"), kVerticalPresets, page);
    imagePosX_ = PositionBox(QStringLiteral("ImagePosX"), kHorizontalPresets, page);
    imagePosY_ = PositionBox(QStringLiteral("ImagePosY"), kVerticalPresets, page);

    auto* shapeGroup = new QGroupBox(QStringLiteral("ボタンの形"), page);
    auto* shapeRow = new QHBoxLayout(shapeGroup);
    shapeRow->addWidget(buttonForm_, 1);
    shapeRow->addWidget(shapeIcon_);
    auto* shadowGroup = new QGroupBox(QStringLiteral("ボタンの影"), page);
    (new QHBoxLayout(shadowGroup))->addWidget(buttonShadow_);
    auto* styleGroup = new QGroupBox(QStringLiteral("ボタンスタイル"), page);
    (new QHBoxLayout(styleGroup))->addWidget(style_);
    auto* textGroup = new QGroupBox(QStringLiteral("テキスト"), page);
    auto* textForm = new QFormLayout(textGroup);
    textForm->addRow(QStringLiteral("折り返し"), autoTurn_);
    textForm->addRow(QStringLiteral("方向"), topToWrite_);
    textForm->addRow(QStringLiteral("フォーカス枠"), focusRect_);

    auto* placeGroup = new QGroupBox(QStringLiteral("ボタンのキャプションとイメージﾞ位置"), page);
    auto* place = new QGridLayout(placeGroup);
    place->addWidget(new QLabel(QStringLiteral("アレンジ"), placeGroup), 0, 0);
    place->addWidget(arrange_, 0, 1, 1, 2);
    place->addWidget(new QLabel(QStringLiteral("※Arrangeプロパティが０の場合のみ下記プロパティ有効"), placeGroup), 1, 0,
                     1, 3);
    place->addWidget(new QLabel(QStringLiteral("水平方向"), placeGroup), 2, 1);
    place->addWidget(new QLabel(QStringLiteral("垂直方向"), placeGroup), 2, 2);
    place->addWidget(new QLabel(QStringLiteral("キャプション"), placeGroup), 3, 0);
    place->addWidget(captionPosX_, 3, 1);
    place->addWidget(captionPosY_, 3, 2);
    place->addWidget(new QLabel(QStringLiteral("イメージ"), placeGroup), 4, 0);
    place->addWidget(imagePosX_, 4, 1);
    place->addWidget(imagePosY_, 4, 2);

    auto* grid = new QGridLayout(page);
    grid->addWidget(shapeGroup, 0, 0);
    grid->addWidget(shadowGroup, 1, 0);
    grid->addWidget(styleGroup, 2, 0);
    grid->addWidget(textGroup, 0, 1, 3, 1);
    grid->addWidget(placeGroup, 3, 0, 1, 2);

    QObject::connect(buttonForm_, &QComboBox::currentIndexChanged, page, [this] { ShowShapeIcon(); });
    QObject::connect(arrange_, &QComboBox::currentIndexChanged, page, [this] { EnablePositions(); });
    ShowShapeIcon();
    EnablePositions();
}

void CPrismetPropPage::ShowShapeIcon() { shapeIcon_->setPixmap(ShapeIcon(buttonForm_->currentIndex())); }

void CPrismetPropPage::EnablePositions() {
    const bool free = arrange_->currentIndex() == 0;
    for (QComboBox* box : {captionPosX_, captionPosY_, imagePosX_, imagePosY_}) box->setEnabled(free);
}

void CPrismetPropPage::Load() {
    buttonForm_->setCurrentIndex(Read("ButtonForm").toInt());
    buttonShadow_->setCurrentIndex(Read("ButtonShadow").toInt());
    style_->setCurrentIndex(Read("Style").toInt());
    LoadBoolean(autoTurn_, Read("AutoTurn"));
    LoadBoolean(topToWrite_, Read("TopToWrite"));
    LoadBoolean(focusRect_, Read("FocusRect"));
    arrange_->setCurrentIndex(Read("Arrange").toInt());
    captionPosX_->setEditText(QString::number(Read("CaptionPosX").toInt()));
    captionPosY_->setEditText(QString::number(Read("CaptionPosY").toInt()));
    imagePosX_->setEditText(QString::number(Read("ImagePosX").toInt()));
    imagePosY_->setEditText(QString::number(Read("ImagePosY").toInt()));
    ShowShapeIcon();
    EnablePositions();
}

com::HRESULT CPrismetPropPage::Save() {
    struct ListField {
        const char* name;
        QComboBox* box;
        bool boolean;
    };
    const ListField lists[] = {
        {"ButtonForm", buttonForm_, false}, {"ButtonShadow", buttonShadow_, false}, {"Style", style_, false},
        {"AutoTurn", autoTurn_, true},      {"TopToWrite", topToWrite_, true},      {"FocusRect", focusRect_, true},
        {"Arrange", arrange_, false},
    };
    for (const ListField& f : lists) {
        const com::Variant value =
            f.boolean ? com::Variant(f.box->currentData().toBool()) : com::Variant(f.box->currentIndex());
        if (const com::HRESULT hr = Write(f.name, value, f.box); !com::Succeeded(hr)) return hr;
    }
    const std::pair<const char*, QComboBox*> positions[] = {{"CaptionPosX", captionPosX_},
                                                            {"CaptionPosY", captionPosY_},
                                                            {"ImagePosX", imagePosX_},
                                                            {"ImagePosY", imagePosY_}};
    for (const auto& [name, box] : positions) {
        QString text = box->currentText();
        for (int i = 0; i < box->count(); ++i)
            if (text == box->itemText(i)) text = text.left(2);  // "-2 横中央" stores -2
        int value = 0;
        if (const com::HRESULT hr = ParseShort(text, box, &value); !com::Succeeded(hr)) return hr;
        if (const com::HRESULT hr = Write(name, value, box); !com::Succeeded(hr)) return hr;
    }
    return com::S_OK;
}

}  // namespace mox::prismet
