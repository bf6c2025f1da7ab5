#pragma once
// CPrismetPropPage, the general page ("全体"): shape, border, style, text
// options, layout and the four position codes.

#include "controls/colour_button/property_exchange.h"

class QComboBox;
class QLabel;

namespace mox::prismet {

class CPrismetPropPage final : public PropertyPageBase {
public:
    explicit CPrismetPropPage(QWidget* parent);

    // The 16 x 16 picture of a shape shown beside the shape list.
    static QPixmap ShapeIcon(int kind);

protected:
    void Load() override;
    com::HRESULT Save() override;

private:
    void ShowShapeIcon();
    void EnablePositions();

    QComboBox* buttonForm_;
    QLabel* shapeIcon_;
    QComboBox* buttonShadow_;
    QComboBox* style_;
    QComboBox* autoTurn_;
    QComboBox* topToWrite_;
    QComboBox* focusRect_;
    QComboBox* arrange_;
    QComboBox* captionPosX_;
    QComboBox* captionPosY_;
    QComboBox* imagePosX_;
    QComboBox* imagePosY_;
};

}  // namespace mox::prismet
