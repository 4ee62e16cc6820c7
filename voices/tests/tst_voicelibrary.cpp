#include "voices/VoiceLibrary.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

using V = TInstructorVoices;

struct ListSource
{
    QStringList V::*list;
    const char *folder;
};

// Where each list of instructor 0 comes from.
const ListSource kInstructor0[] = {
    {&V::FRemindersTech1List, "Ostrel/RemindsTech1"},
    {&V::FRemindersTech2List, "Ostrel/RemindsTech2"},
    {&V::FRemindersTech3InhalList, "Ostrel/RemindsTech3/Inhals"},
    {&V::FRemindersTech3ExhalList, "Ostrel/RemindsTech3/Exhals"},
    {&V::FRemindersTech6List, "Ostrel/RemindsTech6"},
    {&V::FRemindersConcIntSecList, "Ostrel/RemindsConcTech1/Seconds"},
    {&V::FRemindersConcIntSecNotBegList, "Ostrel/RemindsConcTech1/Seconds/More"},
    {&V::FRemindersConcIntTimeList, "Ostrel/RemindsConcTech1/Time"},
    {&V::FRemindersConcIntTimeNotBegList, "Ostrel/RemindsConcTech1/Time/More"},
    {&V::FRemindersConcIntEndList, "Ostrel/EndRemindsConcTech1"},
    {&V::FMedBegsTech1List, "Ostrel/MedBegsTech1"},
    {&V::FMedBegsTech2List, "Ostrel/MedBegsTech2"},
    {&V::FMedBegsTech3List, "Ostrel/MedBegsTech3"},
    {&V::FMedBegsTech4List, "Ostrel/MedBegsTech4"},
    {&V::FMedBegsTech5List, "Ostrel/MedBegsTech5"},
    {&V::FMedBegsTech6List, "Ostrel/MedBegsTech6"},
    {&V::FMedBegsTech7List, "Ostrel/MedBegsTech7"},
    {&V::FMedBegsTech8List, "Ostrel/MedBegsTech8"},
    {&V::FMedBegsQuickList, "Ostrel/MedBegQuick"},
    {&V::FMedBegsTechConcAddList, "Ostrel/MedBegsConcAddText"},
    {&V::FMedBegsTechPrepContIntSecList, "Ostrel/MedBegsTech8"},
    {&V::FMedBegsTechPrepContIntTimeList, "Ostrel/MedBegsTech8"},
    {&V::FMedEndsList, "Ostrel/MedEnds"},
    {&V::FMedEndsTech6List, "Ostrel/MedEndsTech5"},
};

const ListSource kInstructor1[] = {
    {&V::FMedBegsTech1List, "Marvane/MedBegsTech1"},
    {&V::FMedBegsTech8List, "Marvane/MedBegsTech8"},
    {&V::FMedBegsQuickList, "Marvane/MedBegQuick"},
    {&V::FRemindersTech1List, "Marvane/RemindsTech1"},
    {&V::FMedEndsList, "Marvane/MedEnds"},
};

const QStringList kTitles0{
    QStringLiteral("Стандартная подготовка к медитации (7 мин.)"),
    QStringLiteral("Перечисление частей тела 1 (14 мин.)"),
    QStringLiteral("Перечисление частей тела 2 (18 мин.)"),
    QStringLiteral("Перечисление частей тела 3 (14 мин.)"),
    QStringLiteral("Перечисление частей тела 4 (16 мин.)"),
    QStringLiteral("Визуализация 1 (13 мин.)"),
    QStringLiteral("Визуализация 2 (12 мин.)"),
    QStringLiteral("Визуализация 3 (11 мин.)"),
    QStringLiteral("Ощущения тепла и холода 1 (13 мин)"),
    QStringLiteral("Ощущения тепла и холода 2 (14 мин)"),
    QStringLiteral("Ощущения тяжести и лёгкости (11 мин)"),
    QStringLiteral("Разотождествление (12 мин.)"),
};

const QStringList kTitles1{
    QStringLiteral("Перечисление частей тела 1 (13 мин.)"),
    QStringLiteral("Перечисление частей тела 2 (17 мин.)"),
    QStringLiteral("Визуализация 1 (12 мин.)"),
    QStringLiteral("Визуализация 2 (11 мин.)"),
    QStringLiteral("Визуализация 3 (13 мин.)"),
    QStringLiteral("Визуализация 4 (13 мин.)"),
    QStringLiteral("Визуализация 5 (17 мин.)"),
    QStringLiteral("Визуализация 6 (13 мин.)"),
    QStringLiteral("Визуализация 7 (12 мин.)"),
    QStringLiteral("Визуализация 8 (17 мин.)"),
    QStringLiteral("Напряжение и расслабление мышц (11 мин.)"),
    QStringLiteral("Таинственное путешествие 1 (12 мин.)"),
    QStringLiteral("Таинственное путешествие 2 (11 мин.)"),
};

// Instructor 1's preparation folders, in the order of her titles.
const int kFolders1[] = {2, 5, 1, 3, 4, 7, 8, 10, 11, 12, 6, 9, 13};


QStringList allLists(const TInstructorVoices &v)
{
    QStringList all;
    for (QStringList V::*list :
         {&V::FRemindersTech1List, &V::FRemindersTech2List, &V::FRemindersTech3InhalList,
          &V::FRemindersTech3ExhalList, &V::FRemindersTech6List, &V::FRemindersConcIntSecList,
          &V::FRemindersConcIntSecNotBegList, &V::FRemindersConcIntTimeList,
          &V::FRemindersConcIntTimeNotBegList, &V::FRemindersConcIntEndList, &V::FMedBegsTech1List,
          &V::FMedBegsTech2List, &V::FMedBegsTech3List, &V::FMedBegsTech4List, &V::FMedBegsTech5List,
          &V::FMedBegsTech6List, &V::FMedBegsTech7List, &V::FMedBegsTech8List, &V::FMedBegsQuickList,
          &V::FMedBegsTechConcAddList, &V::FMedBegsTechPrepContIntSecList,
          &V::FMedBegsTechPrepContIntTimeList, &V::FMedEndsList, &V::FMedEndsTech6List})
        all += v.*list;
    return all;
}

} // namespace

class TestVoiceLibrary : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_programDir;
    TVoiceLibraryReport m_report;
    QStringList m_reports; // the folders reported empty
    std::unique_ptr<TInstructorVoiceSets> m_voices;

    QString sounds(const QString &relative) const { return m_programDir + QStringLiteral("Sounds/") + relative; }

    void touch(const QString &relative)
    {
        const QString path = sounds(relative);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    }

    // Every folder of the layout with one recording named "1.mp3".
    void makeFullLayout()
    {
        for (const ListSource &row : kInstructor0)
            touch(QString::fromLatin1(row.folder) + QStringLiteral("/1.mp3"));
        for (const ListSource &row : kInstructor1)
            touch(QString::fromLatin1(row.folder) + QStringLiteral("/1.mp3"));
        for (int n = 1; n <= 12; ++n)
            touch(QStringLiteral("Ostrel/Nidras%1/1.mp3").arg(n, 2, 10, QLatin1Char('0')));
        for (int n = 1; n <= 13; ++n)
            touch(QStringLiteral("Marvane/Nidras%1/1.mp3").arg(n, 2, 10, QLatin1Char('0')));
    }

    void load()
    {
        m_report = LoadVoiceLibrary(m_programDir, *m_voices);
        m_reports = m_report.emptyFolders;
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_programDir = m_tmp->path() + QLatin1Char('/');
        m_voices = std::make_unique<TInstructorVoiceSets>();
    }

    void fullLayoutFillsEveryListFromItsFolder()
    {
        makeFullLayout();
        load();
        QCOMPARE(m_reports, QStringList());
        const TInstructorVoices &ostrel = (*m_voices)[0];
        for (const ListSource &row : kInstructor0)
            QCOMPARE(ostrel.*row.list, QStringList{sounds(QString::fromLatin1(row.folder) + QStringLiteral("/1.mp3"))});

        const TInstructorVoices &marvane = (*m_voices)[1];
        for (const ListSource &row : kInstructor1)
            QCOMPARE(marvane.*row.list, QStringList{sounds(QString::fromLatin1(row.folder) + QStringLiteral("/1.mp3"))});
        QCOMPARE(allLists(marvane).size(), 5); // her other 19 lists stay empty

        QCOMPARE(ostrel.VoiceCoef, 0.4);
        QCOMPARE(marvane.VoiceCoef, 0.4);
    }

    void preparationPlaylistsHaveTheirTitlesAndFolders()
    {
        makeFullLayout();
        load();
        const TMp3FilesList &ostrel = *(*m_voices)[0].FNidrasLists;
        QCOMPARE(ostrel.flistscount, 12);
        for (qint32 i = 0; i < 12; ++i) {
            QCOMPARE(ostrel.at(i).name, kTitles0[i]);
            QCOMPARE(ostrel.at(i).Vol, 1.0);
            QCOMPARE(ostrel.at(i).mp3files,
                     QStringList{sounds(QStringLiteral("Ostrel/Nidras%1/1.mp3").arg(i + 1, 2, 10, QLatin1Char('0')))});
        }
        const TMp3FilesList &marvane = *(*m_voices)[1].FNidrasLists;
        QCOMPARE(marvane.flistscount, 13);
        for (qint32 i = 0; i < 13; ++i) {
            QCOMPARE(marvane.at(i).name, kTitles1[i]);
            QCOMPARE(marvane.at(i).Vol, 1.0);
            QCOMPARE(marvane.at(i).mp3files,
                     QStringList{sounds(QStringLiteral("Marvane/Nidras%1/1.mp3").arg(kFolders1[i], 2, 10, QLatin1Char('0')))});
        }
    }

    void onlyTheFolderOwnMp3FilesCount()
    {
        makeFullLayout();
        touch(QStringLiteral("Ostrel/RemindsTech2/notes.txt"));
        touch(QStringLiteral("Ostrel/RemindsTech2/old/2.mp3"));
        load();
        QCOMPARE((*m_voices)[0].FRemindersTech2List,
                 QStringList{sounds(QStringLiteral("Ostrel/RemindsTech2/1.mp3"))});
    }

    void anEmptyVoiceFolderIsReportedOnceAndLoadingGoesOn()
    {
        makeFullLayout();
        QVERIFY(QFile::remove(sounds(QStringLiteral("Marvane/MedEnds/1.mp3"))));
        touch(QStringLiteral("Marvane/MedEnds/readme.txt"));
        load();
        QCOMPARE(m_reports, QStringList{sounds(QStringLiteral("Marvane/MedEnds/"))});
        const QString text = VoiceLibraryProblemsText(m_report);
        QVERIFY2(text.contains(sounds(QStringLiteral("Marvane/MedEnds/"))) && text.contains(QStringLiteral("нет записей")),
                 qPrintable(text));
        QVERIFY((*m_voices)[1].FMedEndsList.isEmpty());
        QCOMPARE((*m_voices)[1].FNidrasLists->flistscount, 13);
        QCOMPARE((*m_voices)[1].VoiceCoef, 0.4);
    }

    // A FIFO named like a recording is passed over without being opened, and reported.
    void aFifoIsSkippedAndReported()
    {
        makeFullLayout();
        const QString fifo = sounds(QStringLiteral("Ostrel/RemindsTech2/0.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        const QString preparationFifo = sounds(QStringLiteral("Marvane/Nidras02/0.mp3"));
        QCOMPARE(::mkfifo(QFile::encodeName(preparationFifo).constData(), 0644), 0);
        load();
        QCOMPARE(m_reports, QStringList());
        QCOMPARE((*m_voices)[0].FRemindersTech2List, QStringList{sounds(QStringLiteral("Ostrel/RemindsTech2/1.mp3"))});
        QCOMPARE(m_report.skippedFiles, (QStringList{fifo, preparationFifo}));
        QVERIFY(VoiceLibraryProblemsText(m_report).contains(fifo));
    }

    void anEmptyPreparationFolderIsNotReported()
    {
        makeFullLayout();
        QVERIFY(QFile::remove(sounds(QStringLiteral("Ostrel/Nidras03/1.mp3"))));
        load();
        QCOMPARE(m_reports, QStringList());
        QVERIFY((*m_voices)[0].FNidrasLists->at(2).mp3files.isEmpty());
    }

    void withoutSoundsEveryVoiceFolderIsReported()
    {
        load();
        // 29 voice lists from 27 folders: MedBegsTech8 fills three of them.
        QCOMPARE(m_reports.size(), 27);
        QCOMPARE(m_reports.first(), sounds(QStringLiteral("Ostrel/RemindsTech1/")));
        QVERIFY(VoiceLibraryProblemsText(m_report).contains(QStringLiteral("…и ещё 17.")));
        QCOMPARE(allLists((*m_voices)[0]), QStringList());
        QCOMPARE((*m_voices)[0].FNidrasLists->flistscount, 12);
        QCOMPARE((*m_voices)[1].FNidrasLists->flistscount, 13);
        QCOMPARE((*m_voices)[1].FNidrasLists->at(12).name, kTitles1[12]);
        QVERIFY((*m_voices)[1].FNidrasLists->at(12).mp3files.isEmpty());
    }

    // A user's library beside the installed one: the user's recordings come first in every
    // list, and a folder the installed library lacks is filled from the user's alone.
    void theUsersLibraryComesBeforeTheInstalledOne()
    {
        makeFullLayout();
        QVERIFY(QFile::remove(sounds(QStringLiteral("Marvane/MedEnds/1.mp3"))));
        const QString installed = m_programDir;
        m_programDir = m_tmp->path() + QStringLiteral("/user/");
        touch(QStringLiteral("Ostrel/RemindsTech1/mine.mp3"));
        touch(QStringLiteral("Marvane/MedEnds/mine.mp3"));
        touch(QStringLiteral("Ostrel/Nidras01/mine.mp3"));
        const QString user = m_programDir;

        m_reports.clear();
        LoadVoiceLibrary(QStringList{user, installed}, *m_voices);
        QCOMPARE(m_reports, QStringList());
        QCOMPARE((*m_voices)[0].FRemindersTech1List,
                 (QStringList{user + QStringLiteral("Sounds/Ostrel/RemindsTech1/mine.mp3"),
                              installed + QStringLiteral("Sounds/Ostrel/RemindsTech1/1.mp3")}));
        QCOMPARE((*m_voices)[1].FMedEndsList, QStringList{user + QStringLiteral("Sounds/Marvane/MedEnds/mine.mp3")});
        QCOMPARE((*m_voices)[0].FNidrasLists->at(0).mp3files,
                 (QStringList{user + QStringLiteral("Sounds/Ostrel/Nidras01/mine.mp3"),
                              installed + QStringLiteral("Sounds/Ostrel/Nidras01/1.mp3")}));
        QCOMPARE((*m_voices)[0].FNidrasLists->at(0).name, kTitles0[0]);
        QCOMPARE((*m_voices)[0].FMedEndsList, QStringList{installed + QStringLiteral("Sounds/Ostrel/MedEnds/1.mp3")});
    }

    void reloadingReplacesThePreviousSets()
    {
        makeFullLayout();
        load();
        load();
        QCOMPARE((*m_voices)[0].FNidrasLists->flistscount, 12);
        QCOMPARE((*m_voices)[0].FMedEndsList.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVoiceLibrary)
#include "tst_voicelibrary.moc"
