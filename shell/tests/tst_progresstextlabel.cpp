#include "shell/ui/ProgressTextLabel.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QTest>

namespace {

const QString kPercentCharacters = QStringLiteral("0123456789.,%");
const QString kTimeCharacters = QStringLiteral("осталось 0123456789:");

// A row like the main window's progress row: the label at a fixed size, right-aligned and
// centred, on the window's background.
struct TRow
{
    QWidget window;
    QLabel *label;

    TRow(QLabel *shown, int pixels, int width)
        : label(shown)
    {
        auto *layout = new QHBoxLayout(&window);
        layout->addStretch(1);
        layout->addWidget(label);
        QFont font = label->font();
        font.setPixelSize(pixels);
        label->setFont(font);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFixedSize(width, 2 * pixels);
        window.show();
    }
};

QStringList EveryPercentage()
{
    QStringList texts;
    for (int tenths = 0; tenths <= 1000; ++tenths) {
        const QString number = QString::number(tenths / 10.0, 'f', 1);
        texts << number + QLatin1Char('%');
        texts << QString(number).replace(QLatin1Char('.'), QLatin1Char(',')) + QLatin1Char('%');
    }
    return texts;
}

QStringList SomeTimesLeft()
{
    QStringList texts;
    for (int seconds = 0; seconds < 4000; seconds += 37)
        texts << QStringLiteral("осталось %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    texts << QStringLiteral("осталось 16:39:00");
    return texts;
}

} // namespace

class TestProgressTextLabel : public QObject
{
    Q_OBJECT

private slots:
    void looksExactlyLikeTheLabel_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("characters");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("percentages") << EveryPercentage() << kPercentCharacters << 11 << true;
        QTest::newRow("percentages, disabled") << EveryPercentage() << kPercentCharacters << 11 << false;
        QTest::newRow("percentages, large") << EveryPercentage() << kPercentCharacters << 23 << true;
        QTest::newRow("times left") << SomeTimesLeft() << kTimeCharacters << 11 << true;
        QTest::newRow("times left, odd size") << SomeTimesLeft() << kTimeCharacters << 14 << true;
    }

    // Every text, drawn from the glyphs, has QLabel's pixels.
    void looksExactlyLikeTheLabel()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, characters);
        QFETCH(int, pixels);
        QFETCH(bool, enabled);
        auto *glyphLabel = new TProgressTextLabel(QString(), characters);
        TRow plain(new QLabel, pixels, 200);
        TRow glyphs(glyphLabel, pixels, 200);
        for (TRow *row : {&plain, &glyphs})
            row->label->setEnabled(enabled);
        for (const QString &text : texts) {
            plain.label->setText(text);
            glyphs.label->setText(text);
            const QImage expected = plain.window.grab().toImage();
            QVERIFY(!expected.isNull());
            QVERIFY2(glyphs.window.grab().toImage() == expected, qPrintable(text));
            QVERIFY2(glyphLabel->PaintedFromGlyphs(), qPrintable(text));
        }
    }

    void leavesToQLabelWhatItCannotDrawSo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("styleSheet");
        QTest::addColumn<int>("width");
        QTest::newRow("a character it was not given") << QStringLiteral("12,3 %!") << QString() << 200;
        QTest::newRow("rich text") << QStringLiteral("<b>12</b>") << QString() << 200;
        QTest::newRow("a style sheet") << QStringLiteral("12,3%") << QStringLiteral("color: blue;") << 200;
        QTest::newRow("wider than the label") << QStringLiteral("100,0%100,0%100,0%") << QString() << 30;
    }

    void leavesToQLabelWhatItCannotDrawSo()
    {
        QFETCH(QString, text);
        QFETCH(QString, styleSheet);
        QFETCH(int, width);
        auto *glyphLabel = new TProgressTextLabel(QString(), kPercentCharacters);
        TRow plain(new QLabel, 11, width);
        TRow glyphs(glyphLabel, 11, width);
        for (TRow *row : {&plain, &glyphs}) {
            row->label->setStyleSheet(styleSheet);
            row->label->setText(text);
        }
        QCOMPARE(glyphs.window.grab().toImage(), plain.window.grab().toImage());
        QVERIFY(!glyphLabel->PaintedFromGlyphs());
    }
};

QTEST_MAIN(TestProgressTextLabel)
#include "tst_progresstextlabel.moc"
