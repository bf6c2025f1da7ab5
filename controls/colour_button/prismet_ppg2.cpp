#include "controls/colour_button/prismet_ppg2.h"
#include "platform/gui/colour.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mox::prismet {

namespace {

ColourChooser& Chooser() {
    static ColourChooser chooser;
    return chooser;
}

std::optional<QColor> ChooseColour(const QColor& initial, QWidget* parent) {
    if (Chooser()) return Chooser()(initial, parent);
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

}  // namespace

void SetColourChooser(ColourChooser chooser) { Chooser() = std::move(chooser); }

CPrismetPpg2::CPrismetPpg2(QWidget* parent) : PropertyPageBase(QStringLiteral("状態")) {
    auto* page = new QWidget(parent);
    window_ = page;
    auto* grid = new QGridLayout(page);

    struct Group {
        const char* title;
        const char* back;
        const char* fore;
        const char* index;
    };
    const Group groups[] = {
        {"通常時", "BackColor", "ForeColor", "ImageIndex"},
        {"無効時", "DisabledBackColor", "DisabledForeColor", "DisabledImageIndex"},
        {"押下時", "DownBackColor", "DownForeColor", "DownImageIndex"},
        {"マウスが上にのっている時", "MouseOverBackColor", "MouseOverForeColor", "MouseOverImageIndex"},
    };
    colours_.reserve(8);
    int g = 0;
    for (const Group& group : groups) {
        auto* box = new QGroupBox(QString::fromUtf8(group.title), page);
        auto* rows = new QGridLayout(box);
        const std::pair<const char*, const char*> colourRows[] = {{"背景色", group.back}, {"文字色", group.fore}};
        int r = 0;
        for (const auto& [label, property] : colourRows) {
            ColourRow row{property, new QLabel(box), new QPushButton(QStringLiteral("色選択"), box),
                          new QLineEdit(box)};
            const QString name = QString::fromLatin1(property);
            row.swatch->setObjectName(name + QStringLiteral("Swatch"));
            row.swatch->setFixedSize(40, 18);
            row.swatch->setAutoFillBackground(true);
            row.swatch->setFrameShape(QFrame::Box);
            row.choose->setObjectName(name + QStringLiteral("Button"));
            row.number->setObjectName(name);
            row.number->hide();
            rows->addWidget(new QLabel(QString::fromUtf8(label), box), r, 0);
            rows->addWidget(row.swatch, r, 1);
            rows->addWidget(row.choose, r, 2);
            colours_.push_back(row);
            ++r;
        }
        auto* index = new QLineEdit(box);
        index->setObjectName(QString::fromLatin1(group.index));
        rows->addWidget(new QLabel(QStringLiteral("ｲﾒｰｼﾞｲﾝﾃﾞｯｸｽ"), box), r, 0);
        rows->addWidget(index, r, 1, 1, 2);
        indexes_.push_back({group.index, index});
        grid->addWidget(box, g / 2, g % 2);
        ++g;
    }
    for (size_t i = 0; i < colours_.size(); ++i)
        QObject::connect(colours_[i].choose, &QPushButton::clicked, page, [this, i] { Choose(colours_[i]); });
}

void CPrismetPpg2::ShowColour(ColourRow& row) {
    QPalette palette = row.swatch->palette();
    palette.setColor(QPalette::Window, TranslateOleColor(row.colour));
    row.swatch->setPalette(palette);
    row.number->setText(QString::number(row.colour));
}

void CPrismetPpg2::Choose(ColourRow& row) {
    const auto chosen = ChooseColour(TranslateOleColor(row.colour), window_);
    if (!chosen) return;
    row.colour = platform::ToVbColor(*chosen);
    ShowColour(row);
}

void CPrismetPpg2::Load() {
    for (ColourRow& row : colours_) {
        row.colour = ResolveOleColor(Read(row.property).toUInt());
        ShowColour(row);
    }
    for (const IndexRow& row : indexes_) row.box->setText(QString::number(Read(row.property).toInt()));
}

com::HRESULT CPrismetPpg2::Save() {
    for (const ColourRow& row : colours_) {
        if (const com::HRESULT hr = Write(row.property, row.number->text().toUInt(), row.choose); !com::Succeeded(hr))
            return hr;
    }
    for (const IndexRow& row : indexes_) {
        int value = 0;
        if (const com::HRESULT hr = ParseShort(row.box->text(), row.box, &value); !com::Succeeded(hr)) return hr;
        if (const com::HRESULT hr = Write(row.property, value, row.box); !com::Succeeded(hr)) return hr;
    }
    return com::S_OK;
}

}  // namespace mox::prismet
