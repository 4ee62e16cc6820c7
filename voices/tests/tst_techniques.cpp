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
        for (int tech = 0; tech < kTechCount; ++tech) {
            QTest::addRow("0, tech %d", tech) << 0 << tech << tech;
            QTest::addRow("1, tech %d", tech) << 1 << tech << (tech == 0 ? 0 : 1);
        }
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
        // Instructor 0 offers all nine: index i is technique i; anything else is silence.
        for (int index = -1; index <= 9; ++index)
            QTest::addRow("0, %d", index) << 0 << index << (index >= 0 && index < kTechCount ? index : 0);
        // Instructor 1 offers silence and the thoughts reminders only.
        for (int index = -1; index <= 9; ++index)
            QTest::addRow("1, %d", index) << 1 << index << (index == 1 ? int(mtThoughtsReminds) : int(mtSilence));
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
