#include "journal/ui/MinutesChart.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 4;
constexpr int kPadding = 8;
constexpr int kTickLength = 4;
// The share of its day's width a bar takes.
constexpr double kBarWidth = 0.8;
// The minutes scale is marked at 0 and at five even steps up to its top.
constexpr int kScaleSteps = 5;

}  // namespace

TMinutesChart::TMinutesChart(const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
{
    setAccessibleName(title);
    setMinimumHeight(230);
}

void TMinutesChart::SetDays(const QStringList &labels, const QList<double> &minutes)
{
    m_labels = labels;
    m_minutes = minutes;
    const double highest = minutes.isEmpty() ? 0 : *std::max_element(minutes.begin(), minutes.end());
    m_top = highest <= 10 ? 10 : std::ceil(highest / 10) * 10;
    update();
}

QRect TMinutesChart::FrameArea() const
{
    return rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

int TMinutesChart::TitleHeight() const
{
    return fontMetrics().height() + kPadding;
}

int TMinutesChart::ScaleWidth() const
{
    return fontMetrics().horizontalAdvance(QString::number(int(m_top))) + kTickLength + kPadding;
}

QRect TMinutesChart::PlotArea() const
{
    const QRect frame = FrameArea();
    const int dayLabels = fontMetrics().height() + kTickLength + kPadding / 2;
    return QRect(QPoint(frame.left() + kPadding + ScaleWidth(), frame.top() + kPadding + TitleHeight()),
                 QPoint(frame.right() - kPadding, frame.bottom() - kPadding - dayLabels));
}

QRect TMinutesChart::BarRect(int day) const
{
    const QRect plot = PlotArea();
    const double dayWidth = double(plot.width()) / double(std::max<qsizetype>(1, m_minutes.size()));
    const double value = std::clamp(m_minutes.value(day), 0.0, m_top);
    const int left = plot.left() + int(std::lround(dayWidth * (day + (1 - kBarWidth) / 2)));
    const int right = plot.left() + int(std::lround(dayWidth * (day + (1 + kBarWidth) / 2)));
    const int top = plot.bottom() - int(std::lround(double(plot.height()) * value / m_top));
    return QRect(QPoint(left, top), QPoint(right - 1, plot.bottom()));
}

void TMinutesChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    painter.fillRect(rect(), colours.window());
    const QRect frame = FrameArea();
    painter.setPen(colours.color(QPalette::Mid));
    painter.setBrush(colours.base());
    painter.drawRect(frame.adjusted(0, 0, -1, -1));

    painter.setPen(colours.color(QPalette::Text));
    const QRect titleArea(frame.left(), frame.top() + kPadding / 2, frame.width(), TitleHeight());
    painter.drawText(titleArea, Qt::AlignCenter, m_title);

    const QRect plot = PlotArea();
    PaintScale(painter, plot);
    for (int day = 0; day < m_minutes.size(); ++day) {
        const QRect bar = BarRect(day);
        if (bar.height() > 1)
            painter.fillRect(bar, colours.highlight());
    }
    PaintDays(painter, plot);
}

void TMinutesChart::PaintScale(QPainter &painter, const QRect &plot) const
{
    const QPalette &colours = palette();
    for (int step = 0; step <= kScaleSteps; ++step) {
        const int y = plot.bottom() - int(std::lround(double(plot.height()) * step / kScaleSteps));
        painter.setPen(colours.color(step == 0 ? QPalette::Mid : QPalette::Midlight));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(colours.color(QPalette::Mid));
        painter.drawLine(plot.left() - kTickLength, y, plot.left(), y);
        painter.setPen(colours.color(QPalette::Text));
        const int minutes = int(std::lround(m_top * step / kScaleSteps));
        const QRect label(plot.left() - ScaleWidth(), y - fontMetrics().height() / 2,
                          ScaleWidth() - kTickLength - kPadding / 2, fontMetrics().height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(minutes));
    }
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(plot.left(), plot.top(), plot.left(), plot.bottom());
}

void TMinutesChart::PaintDays(QPainter &painter, const QRect &plot) const
{
    if (m_labels.isEmpty())
        return;
    const double dayWidth = double(plot.width()) / double(m_labels.size());
    // Every label when they fit, else every second or third one, always the last (today).
    const int widest = fontMetrics().horizontalAdvance(QStringLiteral("00")) + kPadding / 2;
    const int every = std::max(1, int(std::ceil(widest / std::max(1.0, dayWidth))));
    painter.setPen(palette().color(QPalette::Text));
    for (int day = 0; day < m_labels.size(); ++day) {
        if ((m_labels.size() - 1 - day) % every != 0)
            continue;
        const int centre = plot.left() + int(std::lround(dayWidth * (day + 0.5)));
        painter.drawLine(centre, plot.bottom(), centre, plot.bottom() + kTickLength);
        const QRect label(centre - widest, plot.bottom() + kTickLength, 2 * widest, fontMetrics().height());
        painter.drawText(label, Qt::AlignCenter, m_labels.at(day));
    }
}
