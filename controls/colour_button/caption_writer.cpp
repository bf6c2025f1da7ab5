#include "controls/colour_button/caption_writer.h"

#include "controls/colour_button/position_codes.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace mox::prismet {

QStringList SplitCaptionLines(const QString& text) {
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normal.split(QLatin1Char('\n'));
}

QStringList CaptionCharacters(const QString& line) {
    QStringList characters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    int start = 0;
    while (finder.toNextBoundary() != -1) {
        const int end = finder.position();
        if (end > start) characters.append(line.mid(start, end - start));
        start = end;
    }
    return characters;
}

bool IsSingleByteCharacter(const QString& character) {
    if (character.size() != 1) return false;
    const char16_t c = character.at(0).unicode();
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
}

namespace {

// The glyphs a vertical face turns so that they run along the column.
bool TurnsInColumn(const QString& character) {
    if (character.size() != 1) return false;
    const char16_t c = character.at(0).unicode();
    static const char16_t kTurned[] = {u'ー', u'―',  u'—',  u'－', u'～', u'〜', u'…',  u'‥', u'（', u'）',
                                       u'［', u'］', u'｛', u'｝', u'＜', u'＞', u'＝', u'→', u'←'};
    return (c >= 0x3008 && c <= 0x3011) || (c >= 0x3014 && c <= 0x301B) ||
           std::find(std::begin(kTurned), std::end(kTurned), c) != std::end(kTurned);
}

}  // namespace

QSize CaptionWriter::Measure(const QFont& font, const QFontMetrics& fm) {
    font_ = font;
    lineHeight_ = fm.height();
    columnWidth_ = fm.maxWidth();
    lines_.clear();
    for (const QString& line : SplitCaptionLines(text_)) {
        const QStringList chars = CaptionCharacters(line);
        if (!autoTurn_) {
            lines_.push_back(chars);
            continue;
        }
        QStringList current;
        if (vertical_) {
            const int perColumn = std::max(1, std::max(area_.height(), lineHeight_) / std::max(1, lineHeight_));
            for (const QString& ch : chars) {
                if (current.size() >= perColumn) {
                    lines_.push_back(current);
                    current.clear();
                }
                current.append(ch);
            }
        } else {
            const int limit = std::max(area_.width(), fm.maxWidth());
            QString text;
            for (const QString& ch : chars) {
                if (!current.isEmpty() && fm.horizontalAdvance(text + ch) > limit) {
                    lines_.push_back(current);
                    current.clear();
                    text.clear();
                }
                current.append(ch);
                text += ch;
            }
        }
        lines_.push_back(current);
    }

    if (vertical_) {
        int longest = 0;
        for (const QStringList& column : lines_) longest = std::max(longest, int(column.size()));
        block_ = QSize(columnWidth_ * int(lines_.size()), longest * lineHeight_);
    } else {
        int widest = 0;
        for (const QStringList& line : lines_) widest = std::max(widest, fm.horizontalAdvance(line.join(QString())));
        if (font.italic()) widest += fm.averageCharWidth() / 2;
        block_ = QSize(widest, lineHeight_ * int(lines_.size()));
    }
    return block_;
}

QRect CaptionWriter::Block() const {
    return QRect(PlaceAlong(codeX_, area_.left(), area_.width(), block_.width()),
                 PlaceAlong(codeY_, area_.top(), area_.height(), block_.height()), block_.width(), block_.height());
}

void CaptionWriter::Draw(QPainter& painter, const QRect& clip) const {
    const QRect block = Block();
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
    painter.setPen(colour_);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(font_);
    const QFontMetrics fm = painter.fontMetrics();

    if (!vertical_) {
        for (size_t i = 0; i < lines_.size(); ++i) {
            const QString text = lines_[i].join(QString());
            const int width = fm.horizontalAdvance(text);
            int x = block.left();
            if (codeX_ == kAlignCentre)
                x += (block.width() - width) / 2;
            else if (codeX_ == kAlignEnd)
                x += block.width() - width;
            painter.drawText(x, block.top() + int(i) * lineHeight_ + fm.ascent(), text);
        }
        painter.restore();
        return;
    }

    // Vertical writing: the first column on the right. A face whose name
    // starts with '@' is a vertical face: turned by -90 degrees its glyphs
    // stand upright, so only the ones that run along the line are turned.
    // Any other face turned by -90 degrees lays double-byte glyphs on their
    // side, as the turned font always did.
    for (size_t c = 0; c < lines_.size(); ++c) {
        const QStringList& column = lines_[c];
        const int x = block.right() + 1 - int(c + 1) * columnWidth_;
        int y = block.top();
        const int slack = block.height() - int(column.size()) * lineHeight_;
        if (codeY_ == kAlignEnd)
            y += slack;
        else if (codeY_ == kAlignCentre)
            y += slack / 2;
        for (const QString& ch : column) {
            const QRectF cell(x, y, columnWidth_, lineHeight_);
            const int w = fm.horizontalAdvance(ch);
            const bool turn = !IsSingleByteCharacter(ch) && (!verticalFace_ || TurnsInColumn(ch));
            if (turn) {
                painter.save();
                painter.translate(cell.center());
                painter.rotate(90);
                painter.drawText(QPointF(-w / 2.0, (fm.ascent() - fm.descent()) / 2.0), ch);
                painter.restore();
            } else {
                painter.drawText(QPointF(x + (columnWidth_ - w) / 2.0, y + fm.ascent()), ch);
            }
            y += lineHeight_;
        }
    }
    painter.restore();
}

}  // namespace mox::prismet
