#include "CollectionTestTools.h"

#include "playlists/Mp3FilesList.h"

#include <QTest>
#include <memory>

class TestDefaultPlaylists : public QObject
{
    Q_OBJECT

    const QString m_programDir = QStringLiteral("/opt/Несвара/");

    static std::unique_ptr<TMp3FilesList> withThirtyPlaylists()
    {
        auto list = std::make_unique<TMp3FilesList>();
        for (int i = 0; i < 30; ++i) {
            list->AddList(QStringLiteral("old %1").arg(i));
            list->at(i).mp3files = {QStringLiteral("/old/a.mp3"), QStringLiteral("/old/b.mp3")};
            list->at(i).Vol = 0.7;
        }
        list->FLastBigFolder = QStringLiteral("/music");
        list->FLastBigFolderReadType = 1;
        list->FLastBigFoldersList = {QStringLiteral("/music")};
        list->FChanged = false;
        return list;
    }

private slots:
    void backSoundsReplaceEverythingWithTenPlaylists()
    {
        auto list = withThirtyPlaylists();
        list->SetBasicBackSounds(m_programDir);
        struct Expected { const char16_t *name; double vol; const char *file; };
        const Expected expected[] = {
            {u"Ливень", 0.4, "heavyrain.mp3"}, {u"Ручей", 0.1, "stream.mp3"},
            {u"Лес", 0.1, "forest.mp3"},        {u"Поезд", 0.5, "train.mp3"},
            {u"Море", 0.5, "sea.mp3"},          {u"Чайки", 0.12, "gvalt.mp3"},
            {u"Огонь", 0.4, "fire.mp3"},        {u"Костёр на природе", 0.4, "firen.mp3"},
            {u"Ветер в лесу", 0.4, "wind.mp3"}, {u"Лягушки", 0.2, "frogs.mp3"},
        };
        QCOMPARE(list->flistscount, 10);
        for (qint32 i = 0; i < 10; ++i) {
            QCOMPARE(list->at(i).name, QString::fromUtf16(expected[i].name));
            QCOMPARE(list->at(i).Vol, expected[i].vol);
            QCOMPARE(list->at(i).mp3files,
                     QStringList{m_programDir + QStringLiteral("Sounds/BackSounds/")
                                 + QString::fromLatin1(expected[i].file)});
        }
        QVERIFY(list->FChanged);
        QCOMPARE(list->FLastBigFolder, QStringLiteral("/music"));
        QCOMPARE(list->FLastBigFolderReadType, 1);
        QCOMPARE(list->FLastBigFoldersList, QStringList{QStringLiteral("/music")});
    }

    void musicGivesFivePlaylistsAtFullVolume()
    {
        auto list = withThirtyPlaylists();
        list->SetBasicMusic(m_programDir);
        const QString collection = m_programDir + QStringLiteral("Sounds/Music/Collection/");
        const QStringList names{QStringLiteral("Ларинов (1)"), QStringLiteral("Ларинов (2)"),
                                QStringLiteral("Веденская (1)"), QStringLiteral("Веденская (2)"),
                                QStringLiteral("Мантра \"Не думай\" (для остановки внутреннего диалога)")};
        const QList<QStringList> files{
            {collection + QStringLiteral("01_Larinov/Utrenniy svet.mp3"),
             collection + QStringLiteral("01_Larinov/Tikhaya voda.mp3")},
            {collection + QStringLiteral("02_Larinov/Zvyozdnoe nebo.mp3"),
             collection + QStringLiteral("02_Larinov/Nochnoy sad.mp3")},
            {collection + QStringLiteral("03_Vedenskaya/Gornoe ozero.mp3"),
             collection + QStringLiteral("03_Vedenskaya/Oblaka.mp3")},
            {collection + QStringLiteral("04_Vedenskaya/Dolgiy vydokh.mp3")},
            {m_programDir + QStringLiteral("Sounds/Music/mantras/Mantra Ne Dumay - Dlya ostanovki vnutrennego dialoga.mp3")},
        };
        QCOMPARE(list->flistscount, 5);
        for (qint32 i = 0; i < 5; ++i) {
            QCOMPARE(list->at(i).name, names[i]);
            QCOMPARE(list->at(i).mp3files, files[i]);
            QCOMPARE(list->at(i).Vol, 1.0);
        }
        QVERIFY(list->FChanged);
        QCOMPARE(list->FLastBigFolder, QStringLiteral("/music"));
    }
};

QTEST_GUILESS_MAIN(TestDefaultPlaylists)
#include "tst_defaultplaylists.moc"
