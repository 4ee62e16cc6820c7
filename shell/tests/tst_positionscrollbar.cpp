#include "shell/ui/PositionScrollBar.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QTest>
#include <QThread>

namespace {

// A row like the main window's: the bar beside a label, on the window's background.
struct TRow
{
    QWidget window;
    QScrollBar *bar;

    TRow(QScrollBar *scrollBar, int width)
        : bar(scrollBar)
    {
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(bar, 1);
        layout->addWidget(new QLabel(QStringLiteral("12,3%")));
        bar->setRange(0, 100);
        window.resize(width, 36);
        window.show();
    }
};

// How often the threads of Qt's global pool have woken so far: their context switches.
quint64 PoolWakeUps()
{
    quint64 switches = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("Thread (pooled)"))
            continue;
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                switches += line.mid(line.indexOf(':') + 1).trimmed().toULongLong();
        }
    }
    return switches;
}

// The wake-ups once the pool's threads have gone back to sleep after their last task.
quint64 SettledPoolWakeUps()
{
    quint64 before = PoolWakeUps();
    for (int tries = 0; tries < 40; ++tries) {
        QThread::msleep(25);
        const quint64 now = PoolWakeUps();
        if (now == before)
            break;
        before = now;
    }
    return before;
}

// Moves the bar through every position, painting each on the real offscreen window.
void PaintEveryPosition(TRow &row)
{
    for (int value = 0; value <= row.bar->maximum(); ++value) {
        row.bar->setValue(value);
        row.window.repaint();
    }
}

}  // namespace

class TestPositionScrollBar : public QObject
{
    Q_OBJECT

private slots:
    // Once the bar is first painted, moving it wakes no thread of the pool. The plain scroll
    // bar shows that the check can fail.
    void movingTheBarLeavesTheThreadPoolAsleep()
    {
        TRow position(new TPositionScrollBar(Qt::Horizontal), 700);
        QVERIFY(QTest::qWaitForWindowExposed(&position.window));
        position.window.repaint();
        const quint64 before = SettledPoolWakeUps();
        PaintEveryPosition(position);
        QCOMPARE(SettledPoolWakeUps(), before);

        TRow plain(new QScrollBar(Qt::Horizontal), 700);
        QVERIFY(QTest::qWaitForWindowExposed(&plain.window));
        plain.window.repaint();
        const quint64 plainBefore = SettledPoolWakeUps();
        PaintEveryPosition(plain);
        QVERIFY(SettledPoolWakeUps() > plainBefore);
    }

    void looksExactlyLikeTheScrollBar_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("maximum");
        QTest::newRow("main window width") << 700 << true << 100;
        QTest::newRow("disabled") << 700 << false << 100;
        QTest::newRow("narrow") << 240 << true << 100;
        QTest::newRow("wide") << 1400 << true << 100;
        QTest::newRow("no range") << 700 << true << 0;
    }

    void looksExactlyLikeTheScrollBar()
    {
        QFETCH(int, width);
        QFETCH(bool, enabled);
        QFETCH(int, maximum);
        TRow plain(new QScrollBar(Qt::Horizontal), width);
        TRow position(new TPositionScrollBar(Qt::Horizontal), width);
        for (TRow *row : {&plain, &position}) {
            row->bar->setMaximum(maximum);
            row->bar->setEnabled(enabled);
        }
        for (int value = 0; value <= maximum; ++value) {
            plain.bar->setValue(value);
            position.bar->setValue(value);
            const QImage expected = plain.window.grab().toImage();
            QVERIFY(!expected.isNull());
            QVERIFY2(position.window.grab().toImage() == expected, qPrintable(QStringLiteral("at %1").arg(value)));
        }
    }

    void followsAChangeOfLook()
    {
        TRow plain(new QScrollBar(Qt::Horizontal), 700);
        TRow position(new TPositionScrollBar(Qt::Horizontal), 700);
        for (TRow *row : {&plain, &position})
            row->bar->setValue(40);
        QCOMPARE(position.window.grab().toImage(), plain.window.grab().toImage());
        for (TRow *row : {&plain, &position}) {
            QPalette palette = row->bar->palette();
            palette.setColor(QPalette::Button, Qt::darkGreen);
            row->bar->setPalette(palette);
            row->bar->setPageStep(40);
            row->window.resize(500, 36);
        }
        QCOMPARE(position.window.grab().toImage(), plain.window.grab().toImage());
    }

    void takesNeitherFocusNorClicks()
    {
        TPositionScrollBar bar(Qt::Horizontal);
        QCOMPARE(bar.focusPolicy(), Qt::NoFocus);
        QVERIFY(bar.testAttribute(Qt::WA_TransparentForMouseEvents));
    }
};

QTEST_MAIN(TestPositionScrollBar)
#include "tst_positionscrollbar.moc"
