// The journal row of a meditation: the names chosen when Start was pressed, then how it
// ended and for how long.
#include "settings/ui/MeditationRecord.h"
#include "voices/Techniques.h"

#include <QTest>

class TestMeditationRecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InstructorsInfo.Init(); }

    void namesOfWhatWasChosen_data()
    {
        QTest::addColumn<bool>("playNidra");
        QTest::addColumn<int>("nidra");
        QTest::addColumn<bool>("playSound");
        QTest::addColumn<int>("sound");
        QTest::addColumn<QString>("preparation");
        QTest::addColumn<QString>("background");
        QTest::newRow("both") << true << 1 << true << 2 << QStringLiteral("Йога-нидра 2") << QStringLiteral("Море");
        QTest::newRow("unticked") << false << 1 << false << 2 << QString() << QString();
        QTest::newRow("\"(Без звука)\"") << true << 0 << true << 0 << QStringLiteral("Йога-нидра 1") << QString();
        QTest::newRow("outside the lists") << true << 5 << true << 3 << QString() << QString();
    }
    void namesOfWhatWasChosen()
    {
        QFETCH(bool, playNidra);
        QFETCH(int, nidra);
        QFETCH(bool, playSound);
        QFETCH(int, sound);
        QFETCH(QString, preparation);
        QFETCH(QString, background);
        TInstructorVoiceSets voices;
        voices[1].FNidrasLists->AddList(QStringLiteral("Йога-нидра 1"));
        voices[1].FNidrasLists->AddList(QStringLiteral("Йога-нидра 2"));
        TMp3FilesList backSounds;
        backSounds.AddList(QStringLiteral("Дождь"));
        backSounds.AddList(QStringLiteral("Море"));
        TOptionsData options;
        options.FMedInstructor = 1;
        options.FMedTechnique = TMedTech::mtThoughtsReminds;
        options.FMedLenMin = 25;
        options.FPlayNidra = playNidra;
        options.FNidraFileNum = nidra;
        options.FPlaySound = playSound;
        options.FBackSoundFileNum = sound;
        const QDateTime now(QDate(2026, 12, 11), QTime(7, 15, 30, 999), Qt::OffsetFromUTC, 5 * 3600);
        const JournalEntry entry = StartedMeditation(options, voices, backSounds, now);
        QCOMPARE(entry.start.toString(Qt::ISODate), QStringLiteral("2026-12-11T07:15:30+05:00"));
        QCOMPARE(entry.plannedMinutes, 25);
        QCOMPARE(entry.technique, MedTechName(TMedTech::mtThoughtsReminds));
        QCOMPARE(entry.instructor, QStringLiteral("Женский (Марвейн)"));
        QCOMPARE(entry.preparation, preparation);
        QCOMPARE(entry.background, background);
    }

    void endingAndWholeSeconds()
    {
        const JournalEntry started = StartedMeditation(TOptionsData(), TInstructorVoiceSets(), TMp3FilesList(),
                                                       QDateTime::currentDateTime());
        TMedSummary summary;
        summary.end = TMedEnd::WindowClosed;
        summary.meditatedMs = 61'999;
        const JournalEntry finished = FinishedMeditation(started, summary);
        QCOMPARE(finished.meditatedSeconds, 61);
        QCOMPARE(finished.ending, JournalEnding::WindowClosed);
        QCOMPARE(finished.plannedMinutes, 1); // an options length below 1 plays one minute
        QCOMPARE(finished.technique, MedTechName(TMedTech::mtSilence));
    }
};

QTEST_GUILESS_MAIN(TestMeditationRecord)
#include "tst_meditationrecord.moc"
