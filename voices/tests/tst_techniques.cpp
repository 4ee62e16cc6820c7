#include "voices/Techniques.h"

#include <QTest>

using enum TMedTech;

class TestTechniques : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InstructorsInfo.Init(); }

    void displayNames()
    {
        QCOMPARE(MedTechName(mtSilence), QStringLiteral("Просто тишина"));
        QCOMPARE(MedTechName(mtRandomBodyPartsEnum),
                 QStringLiteral("\"Перемешанное\" перечисление частей тела"));
        QCOMPARE(MedInstructorName(0), QStringLiteral("Мужской (Острель)"));
        QCOMPARE(MedInstructorName(1), QStringLiteral("Женский (Марвейн)"));
        for (int t = 0; t < kTechCount; ++t)
            QVERIFY(!MedTechName(static_cast<TMedTech>(t)).isEmpty());
    }

    void availability()
    {
        for (int t = 0; t < kTechCount; ++t) {
            QVERIFY(InstructorsInfo.IsAvailable(0, static_cast<TMedTech>(t)));
            QCOMPARE(InstructorsInfo.IsAvailable(1, static_cast<TMedTech>(t)), t <= 1);
        }
        QVERIFY(!InstructorsInfo.IsAvailable(0, static_cast<TMedTech>(9)));
    }

    void listIndexForTech_data()
    {
        QTest::addColumn<int>("instructor");
        QTest::addColumn<int>("tech");
        QTest::addColumn<int>("index");
        QTest::newRow("1, body parts -> nearest before") << 1 << int(mtBodyPartsEnum) << 1;
        QTest::newRow("0, random body parts") << 0 << int(mtRandomBodyPartsEnum) << 8;
        QTest::newRow("1, silence") << 1 << int(mtSilence) << 0;
        QTest::newRow("1, thoughts") << 1 << int(mtThoughtsReminds) << 1;
        QTest::newRow("0, concentration") << 0 << int(mtConcIntervals) << 3;
        QTest::newRow("unknown technique counts as silence") << 0 << 200 << 0;
    }

    void listIndexForTech()
    {
        QFETCH(int, instructor);
        QFETCH(int, tech);
        QFETCH(int, index);
        QCOMPARE(InstructorsInfo.GetListIndexForTech(instructor, static_cast<TMedTech>(tech)), index);
    }

    void techForListIndex_data()
    {
        QTest::addColumn<int>("instructor");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("tech");
        QTest::newRow("1, 1") << 1 << 1 << int(mtThoughtsReminds);
        QTest::newRow("1, past the end") << 1 << 2 << int(mtSilence);
        QTest::newRow("0, past the end") << 0 << 9 << int(mtSilence);
        QTest::newRow("0, -1") << 0 << -1 << int(mtSilence);
        QTest::newRow("1, -1") << 1 << -1 << int(mtSilence);
        QTest::newRow("0, 7") << 0 << 7 << int(mtBodyPartsEnum);
    }

    void techForListIndex()
    {
        QFETCH(int, instructor);
        QFETCH(int, index);
        QFETCH(int, tech);
        QCOMPARE(int(InstructorsInfo.GetTechForListIndex(instructor, index)), tech);
    }

    void mappingsAreInverseForAvailableTechniques()
    {
        for (TMedInstructor i = 0; i < kInstructorCount; ++i)
            for (int t = 0; t < kTechCount; ++t) {
                const auto tech = static_cast<TMedTech>(t);
                if (InstructorsInfo.IsAvailable(i, tech))
                    QCOMPARE(InstructorsInfo.GetTechForListIndex(i, InstructorsInfo.GetListIndexForTech(i, tech)), tech);
            }
    }
};

QTEST_GUILESS_MAIN(TestTechniques)
#include "tst_techniques.moc"
