#pragma once

#include <QImage>
#include <QScrollBar>
#include <QStyle>

class QStyleOptionSlider;

// A scroll bar that only shows a position: it takes no mouse input and no focus, and it
// paints the style's groove and handle from images made once, redrawing them only when the
// size, the state, the palette or the range change. Drawn afresh on every step, Qt's raster
// engine split the Fusion groove's many lines over its thread pool, which woke the pool's
// threads every time the position moved. The result is the same pixels as QScrollBar's.
class TPositionScrollBar : public QScrollBar
{
public:
    explicit TPositionScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Everything the images depend on: all that the style is told except the position.
    struct TLook
    {
        QSize size;
        qreal devicePixelRatio = 0;
        int state = 0;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        qint64 paletteKey = 0;
        const QStyle *style = nullptr;
        int minimum = 0;
        int maximum = 0;
        int pageStep = 0;
        QSize handleSize;

        bool operator==(const TLook &other) const = default;
    };

    TLook LookOf(const QStyleOptionSlider &option, const QRect &handle) const;
    QImage Render(const QStyleOptionSlider &option, QStyle::SubControls parts, const QRect &area) const;

    TLook m_look;
    QImage m_groove;
    QImage m_handle;
};
