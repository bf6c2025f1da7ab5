#pragma once
// CPrismetPpg2, the state page ("状態"): back colour, text colour and image
// index of the normal, disabled, pressed and mouse-over states. Colours are
// chosen in the platform's colour dialog, reached through a seam so tests
// can answer it.

#include "controls/colour_button/ole_colour.h"
#include "controls/colour_button/property_exchange.h"

#include <QColor>
#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QPushButton;
class QLabel;

namespace mox::prismet {

// Returns the chosen colour, or nothing when the dialog was cancelled.
using ColourChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;
// Replaces the colour dialog (nullptr restores QColorDialog).
void SetColourChooser(ColourChooser chooser);

class CPrismetPpg2 final : public PropertyPageBase {
public:
    explicit CPrismetPpg2(QWidget* parent);

protected:
    void Load() override;
    com::HRESULT Save() override;

private:
    struct ColourRow {
        const char* property;
        QLabel* swatch;
        QPushButton* choose;
        QLineEdit* number;  // hidden: the colour in decimal
        OleColor colour = 0;
    };
    struct IndexRow {
        const char* property;
        QLineEdit* box;
    };
    void ShowColour(ColourRow& row);
    void Choose(ColourRow& row);

    std::vector<ColourRow> colours_;
    std::vector<IndexRow> indexes_;
};

}  // namespace mox::prismet
