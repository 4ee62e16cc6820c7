#include "shell/ui/PositionScrollBar.h"

#include <QPainter>
#include <QStyleOptionSlider>

#include <cmath>

namespace {

// The style may draw the handle's outline a pixel beyond its rectangle.
constexpr int kHandleMarginPixels = 2;

}  // namespace

TPositionScrollBar::TPositionScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
    // With no hover and no press, the look never depends on where the mouse is.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void TPositionScrollBar::paintEvent(QPaintEvent *event)
{
    const qreal ratio = devicePixelRatioF();
    // At a fractional scale a moved image lands between device pixels and would blur.
    if (ratio != std::floor(ratio)) {
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    const QRect handle = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    const QRect handleArea = handle.adjusted(-kHandleMarginPixels, -kHandleMarginPixels,
                                             kHandleMarginPixels, kHandleMarginPixels);
    const TLook look = LookOf(option, handle);
    if (look != m_look) {
        m_groove = Render(option, QStyle::SC_ScrollBarGroove | QStyle::SC_ScrollBarAddPage | QStyle::SC_ScrollBarSubPage, rect());
        m_handle = Render(option, QStyle::SC_ScrollBarSlider, handleArea);
        m_look = look;
    }
    // The order the style paints in: the arrows come last and overlap the handle's outline
    // at either end, so they are drawn directly (they never cost much).
    QPainter painter(this);
    painter.drawImage(0, 0, m_groove);
    painter.drawImage(handleArea.topLeft(), m_handle);
    option.subControls = QStyle::SC_ScrollBarAddLine | QStyle::SC_ScrollBarSubLine;
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

TPositionScrollBar::TLook TPositionScrollBar::LookOf(const QStyleOptionSlider &option, const QRect &handle) const
{
    return TLook{size(), devicePixelRatioF(), int(option.state), option.direction, palette().cacheKey(), style(),
                 option.minimum, option.maximum, option.pageStep, handle.size()};
}

QImage TPositionScrollBar::Render(const QStyleOptionSlider &option, QStyle::SubControls parts, const QRect &area) const
{
    const qreal ratio = devicePixelRatioF();
    QImage image(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    QStyleOptionSlider partOption = option;
    partOption.subControls = parts;
    style()->drawComplexControl(QStyle::CC_ScrollBar, &partOption, &painter, this);
    return image;
}
