#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

// Bars of the minutes meditated on each of a run of days, under a title, with the days
// along the bottom and the minutes up the left side. Painted in the window's colours, so
// that it reads in a light and in a dark theme.
class TMinutesChart : public QWidget
{
public:
    explicit TMinutesChart(const QString &title, QWidget *parent = nullptr);

    // One label and one value for each day, oldest first.
    void SetDays(const QStringList &labels, const QList<double> &minutes);

    const QList<double> &Minutes() const { return m_minutes; }
    const QStringList &Labels() const { return m_labels; }
    // The top of the minutes scale: 10 at least, else the highest value rounded up to tens.
    double Top() const { return m_top; }
    // Where the bars stand, in the widget's coordinates.
    QRect PlotArea() const;
    QRect BarRect(int day) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect FrameArea() const;
    int TitleHeight() const;
    int ScaleWidth() const;
    void PaintScale(QPainter &painter, const QRect &plot) const;
    void PaintDays(QPainter &painter, const QRect &plot) const;

    QString m_title;
    QStringList m_labels;
    QList<double> m_minutes;
    double m_top = 10;
};
