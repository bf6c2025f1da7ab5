// The two property pages: what they show of a button and what they write
// back, including the presets of the position boxes and refused values.

#include "controls/colour_button/prismet_ctrl.h"
#include "controls/colour_button/prismet_ppg2.h"
#include "controls/colour_button/prismet_prop_page.h"
#include "platform/gui/colour.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mox::prismet {
namespace {

using com::InvokeKind;

class PrismetPages : public ::testing::Test {
protected:
    Variant Get(const char* name) {
        Variant v;
        control.Invoke(control.GetIdOfName(QLatin1String(name)), InvokeKind::PropertyGet, {}, &v, nullptr);
        return v;
    }
    void Put(const char* name, const Variant& v) {
        control.Invoke(control.GetIdOfName(QLatin1String(name)), InvokeKind::PropertyPut, {v}, nullptr, nullptr);
    }
    template <typename T>
    T* Field(com::IPropertyPage& page, const char* name) {
        T* w = page.Window()->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    CPrismetCtrl control{nullptr};
    platform::ScriptedMsgBoxes boxes;
};

TEST_F(PrismetPages, GeneralPageShowsTheButton) {
    Put("ButtonForm", 14);
    Put("AutoTurn", false);
    Put("TopToWrite", true);
    Put("Arrange", 0);
    Put("CaptionPosX", 12);
    CPrismetPropPage page(nullptr);
    page.SetObject(&control);
    EXPECT_EQ(page.Caption(), QStringLiteral("全体"));
    auto* shapes = Field<QComboBox>(page, "ButtonForm");
    EXPECT_EQ(shapes->count(), 15);
    EXPECT_EQ(shapes->currentText(), QStringLiteral("14 -星"));
    EXPECT_EQ(shapes->itemText(0), QStringLiteral(" 0 -まる（楕円）"));
    EXPECT_FALSE(Field<QLabel>(page, "ShapeIcon")->pixmap().isNull());
    EXPECT_EQ(Field<QComboBox>(page, "AutoTurn")->currentText(), QStringLiteral("しない"));
    EXPECT_EQ(Field<QComboBox>(page, "TopToWrite")->currentText(), QStringLiteral("縦書き"));
    EXPECT_EQ(Field<QComboBox>(page, "FocusRect")->currentText(), QStringLiteral("あり"));
    EXPECT_EQ(Field<QComboBox>(page, "CaptionPosX")->currentText(), QStringLiteral("12"));
    EXPECT_EQ(Field<QComboBox>(page, "CaptionPosY")->currentText(), QStringLiteral("-2"));
}

TEST_F(PrismetPages, WrapChoiceStoresWhatItSays) {
    CPrismetPropPage page(nullptr);
    page.SetObject(&control);
    auto* wrap = Field<QComboBox>(page, "AutoTurn");
    EXPECT_EQ(wrap->itemText(0), QStringLiteral("する"));
    EXPECT_EQ(wrap->currentText(), QStringLiteral("する"));  // AutoTurn is True by default
    wrap->setCurrentIndex(1);
    ASSERT_EQ(page.Apply(), com::S_OK);
    EXPECT_FALSE(Get("AutoTurn").toBool());
    wrap->setCurrentIndex(0);
    page.Apply();
    EXPECT_TRUE(Get("AutoTurn").toBool());
}

TEST_F(PrismetPages, PositionPresetsStoreTheirCodeAndTypedNumbersStoreThemselves) {
    CPrismetPropPage page(nullptr);
    page.SetObject(&control);
    auto* captionX = Field<QComboBox>(page, "CaptionPosX");
    auto* imageY = Field<QComboBox>(page, "ImagePosY");
    captionX->setCurrentIndex(captionX->findText(QStringLiteral("-2 横中央")));
    EXPECT_EQ(captionX->currentText(), QStringLiteral("-2 横中央"));
    imageY->setEditText(QStringLiteral("12"));
    Field<QComboBox>(page, "ButtonForm")->setCurrentIndex(9);
    Field<QComboBox>(page, "ButtonShadow")->setCurrentIndex(1);
    ASSERT_EQ(page.Apply(), com::S_OK);
    EXPECT_EQ(Get("CaptionPosX").toInt(), -2);
    EXPECT_EQ(Get("ImagePosY").toInt(), 12);
    EXPECT_EQ(Get("ButtonForm").toInt(), 9);
    EXPECT_EQ(Get("ButtonShadow").toInt(), 1);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(PrismetPages, TextThatIsNoNumberIsRefusedNotStoredAsZero) {
    Put("ImagePosX", 7);
    CPrismetPropPage page(nullptr);
    page.SetObject(&control);
    Field<QComboBox>(page, "ImagePosX")->setEditText(QStringLiteral("右"));
    EXPECT_FALSE(com::Succeeded(page.Apply()));
    EXPECT_EQ(Get("ImagePosX").toInt(), 7);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].prompt, QStringLiteral("-32768 ～ 32767 の数字を設定してください"));
}

TEST_F(PrismetPages, PositionBoxesWorkOnlyWithoutArrange) {
    Put("Arrange", 1);
    CPrismetPropPage page(nullptr);
    page.SetObject(&control);
    for (const char* name : {"CaptionPosX", "CaptionPosY", "ImagePosX", "ImagePosY"})
        EXPECT_FALSE(Field<QComboBox>(page, name)->isEnabled()) << name;
    Field<QComboBox>(page, "Arrange")->setCurrentIndex(0);
    for (const char* name : {"CaptionPosX", "CaptionPosY", "ImagePosX", "ImagePosY"})
        EXPECT_TRUE(Field<QComboBox>(page, name)->isEnabled()) << name;
}

TEST_F(PrismetPages, StatePageResolvesSystemColoursAndWritesChosenOnes) {
    Put("BackColor", 0x8000000Fu);
    Put("DownImageIndex", 3);
    CPrismetPpg2 page(nullptr);
    page.SetObject(&control);
    EXPECT_EQ(page.Caption(), QStringLiteral("状態"));
    auto* back = Field<QLineEdit>(page, "BackColor");
    EXPECT_EQ(back->text(), QString::number(0xF0F0F0));
    EXPECT_TRUE(back->isHidden());
    EXPECT_EQ(Field<QLabel>(page, "BackColorSwatch")->palette().color(QPalette::Window), QColor(240, 240, 240));
    EXPECT_EQ(Field<QLineEdit>(page, "DownImageIndex")->text(), QStringLiteral("3"));

    QColor offered;
    SetColourChooser([&](const QColor& initial, QWidget*) -> std::optional<QColor> {
        offered = initial;
        return QColor(0, 128, 255);
    });
    Field<QPushButton>(page, "MouseOverForeColorButton")->click();
    EXPECT_EQ(offered, QColor(0, 0, 0));
    EXPECT_EQ(Field<QLineEdit>(page, "MouseOverForeColor")->text(), QString::number(platform::VbRgb(0, 128, 255)));
    EXPECT_EQ(Field<QLabel>(page, "MouseOverForeColorSwatch")->palette().color(QPalette::Window), QColor(0, 128, 255));

    SetColourChooser([](const QColor&, QWidget*) { return std::optional<QColor>(); });  // cancelled
    Field<QPushButton>(page, "BackColorButton")->click();
    SetColourChooser(nullptr);

    ASSERT_EQ(page.Apply(), com::S_OK);
    EXPECT_EQ(Get("MouseOverForeColor").toUInt(), platform::VbRgb(0, 128, 255));
    EXPECT_EQ(Get("BackColor").toUInt(), 0xF0F0F0u);  // stored as plain RGB now
}

TEST_F(PrismetPages, StatePageShowsTheControlsRefusal) {
    CPrismetPpg2 page(nullptr);
    page.SetObject(&control);
    Field<QLineEdit>(page, "ImageIndex")->setText(QStringLiteral("-2"));
    EXPECT_EQ(page.Apply(), com::CTL_E_SETNOTSUPPORTEDATRUNTIME);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].prompt, QStringLiteral("-1 以上  の数字を設定してください"));
    EXPECT_EQ(Get("ImageIndex").toInt(), -1);
}

}  // namespace
}  // namespace mox::prismet
