#include "shell/ui/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace {

constexpr int kRingWidth = 2;
constexpr int kRingGap = 1;

// A frame laid over the window, transparent to the mouse, that follows the focused control
// as it moves, resizes, hides or shows.
class FocusRing : public QWidget
{
public:
    explicit FocusRing(QWidget *window) : QWidget(window)
    {
        setObjectName(QStringLiteral("focusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { Follow(now); });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            Place();
            break;
        default:
            break;
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(palette().color(QPalette::Active, QPalette::Highlight), kRingWidth);
        painter.setPen(pen);
        const qreal inset = kRingWidth / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 3, 3);
    }

private:
    void Follow(QWidget *now)
    {
        for (QWidget *w = m_target; w && w != parentWidget(); w = w->parentWidget())
            w->removeEventFilter(this);
        m_target = now && now != this && now->window() == parentWidget() ? now : nullptr;
        for (QWidget *w = m_target; w && w != parentWidget(); w = w->parentWidget())
            w->installEventFilter(this);
        Place();
    }

    void Place()
    {
        if (!m_target || !m_target->isVisibleTo(parentWidget())) {
            hide();
            return;
        }
        const int margin = kRingWidth + kRingGap;
        const QPoint topLeft = m_target->mapTo(parentWidget(), QPoint(0, 0));
        setGeometry(QRect(topLeft, m_target->size()).adjusted(-margin, -margin, margin, margin));
        show();
        raise();
        update();
    }

    QPointer<QWidget> m_target;
};

} // namespace

void InstallFocusRing(QWidget *window)
{
    new FocusRing(window);
}
