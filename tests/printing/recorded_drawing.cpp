#include "tests/printing/recorded_drawing.h"

#include <QHash>
#include <QRegularExpression>

namespace mox::test {
namespace {

std::vector<double> Numbers(const QString& text) {
    static const QRegularExpression number(QStringLiteral(R"(-?\d+(?:\.\d+)?(?:e[-+]?\d+)?)"));
    std::vector<double> values;
    for (auto it = number.globalMatch(text); it.hasNext();) values.push_back(it.next().captured().toDouble());
    return values;
}

QString Attribute(const QString& line, const QString& name) {
    // Compiled once per name: sheets log tens of thousands of lines.
    static QHash<QString, QRegularExpression> attributes;
    auto found = attributes.find(name);
    if (found == attributes.end())
        found = attributes.insert(name, QRegularExpression(QStringLiteral(" %1=(\\S+)").arg(name)));
    const QRegularExpressionMatch match = found->match(line);
    return match.hasMatch() ? match.captured(1) : QString();
}

Drawn Parse(const QString& line) {
    Drawn d;
    d.kind = line.section(QLatin1Char(' '), 0, 0);
    if (d.kind == QStringLiteral("Text")) {
        static const QRegularExpression text(
            QStringLiteral(R"re(^Text (\S+) "(.*)" font="([^"]*)" (\S+)( bold)?.* color=(\w+))re"));
        const QRegularExpressionMatch m = text.match(line);
        if (m.hasMatch()) {
            d.at = Numbers(m.captured(1));
            d.text = m.captured(2);
            d.font = m.captured(3);
            d.size = m.captured(4).toDouble();
            d.bold = !m.captured(5).isEmpty();
            d.colour = m.captured(6);
        }
        return d;
    }
    QString geometry = line.section(QLatin1Char(' '), 1);
    const int attributes = geometry.indexOf(QStringLiteral(" color="));
    if (attributes >= 0) geometry.truncate(attributes);
    d.at = Numbers(geometry);
    d.colour = Attribute(line, QStringLiteral("color"));
    d.width = Attribute(line, QStringLiteral("width")).toInt();
    d.style = Attribute(line, QStringLiteral("style")).toInt();
    d.fill = Attribute(line, QStringLiteral("fill"));
    return d;
}

}  // namespace

std::vector<Drawn> ParseDrawing(const QStringList& log) {
    std::vector<Drawn> drawn;
    drawn.reserve(log.size());
    for (const QString& line : log) drawn.push_back(Parse(line));
    return drawn;
}

std::vector<Drawn> OfKind(const std::vector<Drawn>& drawn, const QString& kind) {
    std::vector<Drawn> matching;
    for (const Drawn& d : drawn)
        if (d.kind == kind) matching.push_back(d);
    return matching;
}

std::vector<Drawn> OfKind(const QStringList& log, const QString& kind) { return OfKind(ParseDrawing(log), kind); }

}  // namespace mox::test
