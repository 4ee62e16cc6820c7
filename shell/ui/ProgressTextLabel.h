#pragma once

#include <QFont>
#include <QHash>
#include <QLabel>
#include <QRawFont>

// A label for the short texts of the progress row that change many times a minute ("12,3%",
// "осталось 12:34"). QLabel lays out and shapes every new text afresh, a tenth of a
// millisecond each time; this one shapes its characters once per font and draws each new
// text from those glyphs, to the same pixels. Any text, font or setting it cannot draw so
// exactly goes through QLabel's own painting: a character it was not given, a font that
// kerns, joins or replaces them, a style other than Fusion, a style sheet, a frame, a margin,
// a scaled screen or a text wider than the label.
class TProgressTextLabel : public QLabel
{
public:
    // characters: every character its texts may hold.
    TProgressTextLabel(const QString &text, const QString &characters, QWidget *parent = nullptr);

    // Whether the last paint drew from the shaped glyphs.
    bool PaintedFromGlyphs() const { return m_paintedFromGlyphs; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct TGlyphs
    {
        QFont font;
        int dpi = 0;
        bool usable = false;
        QRawFont rawFont;
        QHash<char16_t, quint32> index;
        QHash<char16_t, qreal> advance;
        qreal ascent = 0;
        qreal height = 0;
    };

    bool PaintFromGlyphs();
    bool CanPaintFromGlyphs() const;
    void PrepareGlyphs();

    QString m_characters;
    TGlyphs m_glyphs;
    bool m_paintedFromGlyphs = false;
};
