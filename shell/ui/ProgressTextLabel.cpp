#include "shell/ui/ProgressTextLabel.h"

#include <QGlyphRun>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>

namespace {

// Text positions in Qt's layout are in 1/64 of a pixel, cut towards zero.
qreal ToLayoutUnits(qreal value)
{
    return qreal(int(value * 64.0)) / 64.0;
}

} // namespace

TProgressTextLabel::TProgressTextLabel(const QString &text, const QString &characters, QWidget *parent)
    : QLabel(text, parent), m_characters(characters)
{
}

void TProgressTextLabel::paintEvent(QPaintEvent *event)
{
    m_paintedFromGlyphs = PaintFromGlyphs();
    if (!m_paintedFromGlyphs)
        QLabel::paintEvent(event);
}

bool TProgressTextLabel::CanPaintFromGlyphs() const
{
    return !text().isEmpty() && textFormat() != Qt::RichText && !Qt::mightBeRichText(text())
           && frameWidth() == 0 && margin() == 0 && indent() <= 0 && layoutDirection() == Qt::LeftToRight
           && !testAttribute(Qt::WA_StyleSheet) && style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0
           // Links are all a label lets the mouse reach by default, and plain text has none.
           && (textInteractionFlags() & ~Qt::LinksAccessibleByMouse) == Qt::NoTextInteraction && !wordWrap()
           // Only an unscaled screen is checked against QLabel's pixels; a scaled one keeps
           // QLabel's painting.
           && devicePixelRatioF() == 1.0;
}

// What QLabel does for a line of plain text under Fusion, with the text's layout replaced
// by glyphs shaped beforehand: the pen of the label's foreground role in its current state,
// the text aligned within the contents, its origin on the layout's 1/64-pixel grid.
bool TProgressTextLabel::PaintFromGlyphs()
{
    if (!CanPaintFromGlyphs())
        return false;
    // Never prepared yet, the glyphs hold no resolution.
    if (m_glyphs.dpi != logicalDpiY() || m_glyphs.font != font())
        PrepareGlyphs();
    if (!m_glyphs.usable)
        return false;

    const QString shown = text();
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(shown.size());
    positions.reserve(shown.size());
    qreal width = 0;
    for (const QChar character : shown) {
        const auto index = m_glyphs.index.constFind(character.unicode());
        if (index == m_glyphs.index.cend())
            return false;
        indexes.append(*index);
        positions.append(QPointF(width, 0));
        width += m_glyphs.advance.value(character.unicode());
    }
    const QRect area = contentsRect();
    if (width > area.width() || m_glyphs.height > area.height())
        return false; // QLabel would clip it

    const Qt::Alignment align = alignment();
    qreal x = area.x();
    if (align & Qt::AlignRight)
        x += area.width() - width;
    else if (align & Qt::AlignHCenter)
        x += (area.width() - width) / 2;
    qreal y = area.y();
    if (align & Qt::AlignBottom)
        y += area.height() - m_glyphs.height;
    else if (align & Qt::AlignVCenter)
        y += (area.height() - m_glyphs.height) / 2;

    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    painter.setPen(QPen(option.palette.brush(foregroundRole()), painter.pen().widthF()));
    QGlyphRun run;
    run.setRawFont(m_glyphs.rawFont);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(ToLayoutUnits(x), ToLayoutUnits(y) + m_glyphs.ascent), run);
    return true;
}

// Lays out every ordered pair of the characters side by side, once per font: each character
// must come out as one glyph, always the same one with the same advance, on one baseline,
// from one font. A font that kerns a pair, joins or replaces characters, or takes some of
// them from another font shows it here, and the label then leaves its texts to QLabel.
void TProgressTextLabel::PrepareGlyphs()
{
    m_glyphs = TGlyphs();
    m_glyphs.font = font();
    m_glyphs.dpi = logicalDpiY();
    QString sample;
    for (const QChar first : m_characters) {
        for (const QChar second : m_characters) {
            sample += first;
            sample += second;
        }
    }
    QTextLayout layout(sample, font(), this);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid())
        return;
    line.setLineWidth(0x01000000);
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1)
        return;
    const QList<quint32> indexes = runs.first().glyphIndexes();
    const QList<QPointF> positions = runs.first().positions();
    if (indexes.size() != sample.size() || positions.size() != sample.size())
        return;
    for (qsizetype i = 0; i < sample.size(); ++i) {
        const qreal next = i + 1 < sample.size() ? positions.at(i + 1).x() : line.naturalTextWidth();
        const qreal advance = next - positions.at(i).x();
        const char16_t character = sample.at(i).unicode();
        if (positions.at(i).y() != positions.first().y())
            return;
        if (m_glyphs.index.contains(character)
            && (m_glyphs.index.value(character) != indexes.at(i) || m_glyphs.advance.value(character) != advance))
            return;
        m_glyphs.index.insert(character, indexes.at(i));
        m_glyphs.advance.insert(character, advance);
    }
    m_glyphs.rawFont = runs.first().rawFont();
    m_glyphs.ascent = line.ascent();
    m_glyphs.height = line.height();
    m_glyphs.usable = true;
}
