#pragma once
// The recording target's log read back as records, so that tests can ask for
// "every line in this colour" instead of matching log text.

#include <QString>
#include <QStringList>
#include <vector>

namespace mox::test {

struct Drawn {
    QString kind;            // Line, Box, FilledBox, Circle, PSet, Text, Picture, Polygon, ...
    std::vector<double> at;  // the numbers of the shape, in log order (a Picture: w, h, x, y, width, height)
    QString text;            // Text only
    QString font;            // Text only
    double size = 0;         // Text only
    bool bold = false;       // Text only
    QString colour;          // BBGGRR in hexadecimal, as logged
    int width = 0;           // DrawWidth of lines and shapes
    int style = 0;           // DrawStyle
    QString fill;            // "BBGGRR/style" of Box, Circle, Polygon
};

std::vector<Drawn> ParseDrawing(const QStringList& log);
std::vector<Drawn> OfKind(const std::vector<Drawn>& drawn, const QString& kind);
std::vector<Drawn> OfKind(const QStringList& log, const QString& kind);

}  // namespace mox::test
