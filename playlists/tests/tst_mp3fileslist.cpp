#include "CollectionTestTools.h"

#include "playlists/Mp3FilesList.h"
#include "shell/Errors.h"
#include "shell/FileEnumeration.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

using Operation = std::function<void(TMp3FilesList &)>;
Q_DECLARE_METATYPE(Operation)

namespace {

const QString kMp3 = QStringLiteral("*.mp3");

// Three playlists with their own names, files and volumes 0.4, 0.1 and 0.5.
std::unique_ptr<TMp3FilesList> threePlaylists()
{
    auto list = std::make_unique<TMp3FilesList>();
    const double vols[] = {0.4, 0.1, 0.5};
    for (int i = 0; i < 3; ++i) {
        list->AddList(QStringLiteral("P%1").arg(i));
        list->at(i).mp3files = {QStringLiteral("/m/%1a.mp3").arg(i), QStringLiteral("/m/%1b.mp3").arg(i)};
        list->at(i).Vol = vols[i];
    }
    list->FLastBigFolder = QStringLiteral("/music");
    list->FLastBigFolderReadType = 2;
    list->FLastBigFoldersList = {QStringLiteral("/old"), QStringLiteral("/music")};
    list->FChanged = false;
    return list;
}

} // namespace

class TestMp3FilesList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_root; // root.mp3, A/{a.mp3, notes.txt, A1/a1.mp3}, B/b.mp3, Empty/readme.txt

    QString path(const QString &relative) const { return m_root + QLatin1Char('/') + relative; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        m_root = m_tmp.path() + QStringLiteral("/tree");
        for (const char *file : {"root.mp3", "A/a.mp3", "A/notes.txt", "A/A1/a1.mp3", "B/b.mp3",
                                 "Empty/readme.txt", "Flat/x.mp3", "Flat/y.mp3", "Flat/z.mp3"})
            touchFile(path(QString::fromLatin1(file)));
    }

    void createGivesAnEmptyUnchangedCollection()
    {
        auto list = std::make_unique<TMp3FilesList>();
        QCOMPARE(list->flistscount, 0);
        QVERIFY(!list->FChanged);
        QVERIFY(list->FLastBigFolder.isEmpty());
        QCOMPARE(list->FLastBigFolderReadType, 0);
        QVERIFY(list->FLastBigFoldersList.isEmpty());
    }

    void everyChangingOperationSetsChanged_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("Clear") << Operation([](TMp3FilesList &l) { l.Clear(); });
        QTest::newRow("SetListsCount") << Operation([](TMp3FilesList &l) { l.SetListsCount(1); });
        QTest::newRow("AddList") << Operation([](TMp3FilesList &l) { l.AddList(QStringLiteral("n")); });
        QTest::newRow("AddList from a missing folder") << Operation([](TMp3FilesList &l) {
            l.AddList(QStringLiteral("n"), QStringLiteral("/no/such/folder"), kMp3);
        });
        QTest::newRow("DeleteList") << Operation([](TMp3FilesList &l) { l.DeleteList(1); });
        QTest::newRow("SwapLists, equal indices") << Operation([](TMp3FilesList &l) { l.SwapLists(1, 1); });
        QTest::newRow("Assign") << Operation([](TMp3FilesList &l) {
            auto other = std::make_unique<TMp3FilesList>();
            l.Assign(*other);
        });
        QTest::newRow("Assign from itself") << Operation([](TMp3FilesList &l) { l.Assign(l); });
    }

    void everyChangingOperationSetsChanged()
    {
        QFETCH(Operation, operation);
        auto list = threePlaylists();
        operation(*list);
        QVERIFY(list->FChanged);
    }

    void swapOfEqualIndicesAndSelfAssignKeepThePlaylists()
    {
        auto list = threePlaylists();
        const QStringList before = describe(*list).mid(0, 4);
        list->SwapLists(2, 2);
        list->Assign(*list);
        QCOMPARE(describe(*list).mid(0, 4), before);
    }

    void deletingTheFirstMovesTheOthersDownWithTheirFields()
    {
        auto list = threePlaylists();
        list->DeleteList(0);
        QCOMPARE(list->flistscount, 2);
        QCOMPARE(list->at(0).name, QStringLiteral("P1"));
        QCOMPARE(list->at(0).Vol, 0.1);
        QCOMPARE(list->at(0).mp3files, (QStringList{QStringLiteral("/m/1a.mp3"), QStringLiteral("/m/1b.mp3")}));
        QCOMPARE(list->at(1).name, QStringLiteral("P2"));
        QCOMPARE(list->at(1).Vol, 0.5);
        QCOMPARE(list->at(1).mp3files.first(), QStringLiteral("/m/2a.mp3"));
        // The freed slot is released, not left holding the last playlist's files.
        QVERIFY(list->flists[2].mp3files.isEmpty());
        QVERIFY(list->flists[2].name.isEmpty());
    }

    void deletingTheLastLeavesTheOthers()
    {
        auto list = threePlaylists();
        list->DeleteList(2);
        QCOMPARE(list->flistscount, 2);
        QCOMPARE(list->at(1).name, QStringLiteral("P1"));
    }

    void swapExchangesWholePlaylists()
    {
        auto list = threePlaylists();
        list->SwapLists(0, 2);
        QCOMPARE(list->at(0).name, QStringLiteral("P2"));
        QCOMPARE(list->at(0).Vol, 0.5);
        QCOMPARE(list->at(0).mp3files.first(), QStringLiteral("/m/2a.mp3"));
        QCOMPARE(list->at(2).name, QStringLiteral("P0"));
        QCOMPARE(list->at(2).Vol, 0.4);
        QCOMPARE(list->at(2).mp3files.first(), QStringLiteral("/m/0a.mp3"));
        QCOMPARE(list->at(1).name, QStringLiteral("P1"));
    }

    void assignMakesAnIndependentCopy()
    {
        auto source = threePlaylists();
        auto copy = std::make_unique<TMp3FilesList>();
        copy->AddList(QStringLiteral("a"));
        copy->AddList(QStringLiteral("b"));
        copy->AddList(QStringLiteral("c"));
        copy->AddList(QStringLiteral("d"));
        copy->Assign(*source);
        QStringList expected = describe(*source);
        expected.last() = QStringLiteral("changed 1");
        QCOMPARE(describe(*copy), expected);

        const QStringList sourceBefore = describe(*source);
        copy->at(0).mp3files.append(QStringLiteral("/extra.mp3"));
        copy->at(1).mp3files.clear();
        copy->at(2).name = QStringLiteral("renamed");
        copy->FLastBigFoldersList.append(QStringLiteral("/new"));
        QCOMPARE(describe(*source), sourceBefore);
    }

    void setListsCountGivesEmptyPlaylistsAtFullVolume()
    {
        auto list = threePlaylists();
        list->SetListsCount(4);
        QCOMPARE(list->flistscount, 4);
        for (qint32 i = 0; i < 4; ++i) {
            QVERIFY(list->at(i).mp3files.isEmpty());
            QVERIFY(list->at(i).name.isEmpty());
            QCOMPARE(list->at(i).Vol, 1.0);
        }
    }

    void clearKeepsTheFolderFields()
    {
        auto list = threePlaylists();
        list->Clear();
        QCOMPARE(list->flistscount, 0);
        QCOMPARE(list->FLastBigFolder, QStringLiteral("/music"));
        QCOMPARE(list->FLastBigFolderReadType, 2);
        QCOMPARE(list->FLastBigFoldersList, (QStringList{QStringLiteral("/old"), QStringLiteral("/music")}));
    }

    void badIndexOrCountThrowsAndChangesNothing_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("at(-1)") << Operation([](TMp3FilesList &l) { l.at(-1); });
        QTest::newRow("at(count)") << Operation([](TMp3FilesList &l) { l.at(3); });
        QTest::newRow("const at(count)") << Operation([](TMp3FilesList &l) { std::as_const(l).at(3); });
        QTest::newRow("DeleteList(-1)") << Operation([](TMp3FilesList &l) { l.DeleteList(-1); });
        QTest::newRow("DeleteList(count)") << Operation([](TMp3FilesList &l) { l.DeleteList(3); });
        QTest::newRow("DeleteList(2001)") << Operation([](TMp3FilesList &l) { l.DeleteList(2001); });
        QTest::newRow("SwapLists(0, count)") << Operation([](TMp3FilesList &l) { l.SwapLists(0, 3); });
        QTest::newRow("SwapLists(-1, 0)") << Operation([](TMp3FilesList &l) { l.SwapLists(-1, 0); });
        QTest::newRow("SetListsCount(-1)") << Operation([](TMp3FilesList &l) { l.SetListsCount(-1); });
        QTest::newRow("SetListsCount(2002)") << Operation([](TMp3FilesList &l) { l.SetListsCount(2002); });
    }

    void badIndexOrCountThrowsAndChangesNothing()
    {
        QFETCH(Operation, operation);
        auto list = threePlaylists();
        const QStringList before = describe(*list);
        QVERIFY_THROWS_EXCEPTION(RangeError, operation(*list));
        QCOMPARE(describe(*list), before);
    }

    void rangeErrorTextIsRussian()
    {
        auto list = threePlaylists();
        try {
            list->at(5);
            QFAIL("no error");
        } catch (const RangeError &error) {
            QVERIFY2(error.text().contains(QStringLiteral("Номер списка 5")), qPrintable(error.text()));
        }
    }

    void theLastSlotIs2000()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->SetListsCount(2000);
        list->AddList(QStringLiteral("last"));
        QCOMPARE(list->flistscount, 2001);
        QCOMPARE(list->at(2000).name, QStringLiteral("last"));
        QVERIFY_THROWS_EXCEPTION(RangeError, list->AddList(QStringLiteral("one too many")));
        QVERIFY_THROWS_EXCEPTION(RangeError,
                                 list->AddList(QStringLiteral("x"), path(QStringLiteral("Flat")), kMp3));
        QCOMPARE(list->flistscount, 2001);
        QCOMPARE(list->at(2000).name, QStringLiteral("last"));
        list->SetListsCount(2001);
        QCOMPARE(list->flistscount, 2001);
    }

    // A folder import that does not fit adds nothing; one that just fits adds all of it.
    void folderImportIsAllOrNone()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->SetListsCount(2000);
        list->at(1999).name = QStringLiteral("kept");
        QVERIFY_THROWS_EXCEPTION(RangeError,
                                 list->AddFromDirAsOneFileEach(path(QStringLiteral("Flat")), false));
        QCOMPARE(list->flistscount, 2000);
        QCOMPARE(list->at(1999).name, QStringLiteral("kept"));
        QVERIFY_THROWS_EXCEPTION(RangeError, list->AddFromDirWithSepSubFolders(m_root));
        QCOMPARE(list->flistscount, 2000);

        const qint32 flat = qint32(GetFilesInDir(path(QStringLiteral("Flat")), kMp3, false).size());
        QVERIFY(flat >= 2);
        list->SetListsCount(2001 - flat + 1);
        QVERIFY_THROWS_EXCEPTION(RangeError,
                                 list->AddFromDirAsOneFileEach(path(QStringLiteral("Flat")), false));
        QCOMPARE(list->flistscount, 2001 - flat + 1);
        list->SetListsCount(2001 - flat);
        list->AddFromDirAsOneFileEach(path(QStringLiteral("Flat")), false);
        QCOMPARE(list->flistscount, 2001);
        QCOMPARE(list->at(2001 - flat).name, QStringLiteral("x.mp3"));
    }

    void addListFromAFolderTakesItsOwnMp3Files()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->AddList(QStringLiteral("A"), path(QStringLiteral("A")), kMp3);
        list->AddList(QStringLiteral("none"), path(QStringLiteral("missing")), kMp3);
        QCOMPARE(list->flistscount, 2);
        QCOMPARE(list->at(0).mp3files, QStringList{path(QStringLiteral("A/a.mp3"))});
        QCOMPARE(list->at(0).Vol, 1.0);
        QVERIFY(list->at(1).mp3files.isEmpty());
        QCOMPARE(list->at(1).name, QStringLiteral("none"));
    }

    void subfolderImportGivesInnerFoldersFirst()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->AddList(QStringLiteral("kept"));
        list->AddFromDirWithSepSubFolders(m_root);
        QStringList names;
        for (qint32 i = 0; i < list->flistscount; ++i)
            names << list->at(i).name;
        QCOMPARE(names, (QStringList{QStringLiteral("kept"), QStringLiteral("A1"), QStringLiteral("A"),
                                     QStringLiteral("B"), QStringLiteral("Flat")}));
        QCOMPARE(list->at(1).mp3files, QStringList{path(QStringLiteral("A/A1/a1.mp3"))});
        QCOMPARE(list->at(2).mp3files, QStringList{path(QStringLiteral("A/a.mp3"))});
        QCOMPARE(list->at(3).mp3files, QStringList{path(QStringLiteral("B/b.mp3"))});
        QVERIFY(list->FLastBigFolder.isEmpty());
    }

    void subfolderImportOfAFlatFolderAppendsNothing()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->AddFromDirWithSepSubFolders(path(QStringLiteral("Flat")));
        list->AddFromDirWithSepSubFolders(path(QStringLiteral("missing")));
        QCOMPARE(list->flistscount, 0);
    }

    void oneFileEachImportNamesPlaylistsAfterTheirFiles()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->AddFromDirAsOneFileEach(path(QStringLiteral("Flat")), false);
        QCOMPARE(list->flistscount, 3);
        const char *names[] = {"x.mp3", "y.mp3", "z.mp3"};
        for (qint32 i = 0; i < 3; ++i) {
            QCOMPARE(list->at(i).name, QString::fromLatin1(names[i]));
            QCOMPARE(list->at(i).mp3files, QStringList{path(QStringLiteral("Flat/") + QString::fromLatin1(names[i]))});
            QCOMPARE(list->at(i).Vol, 1.0);
        }
    }

    void oneFileEachImportWithSubfoldersGoesDepthFirst()
    {
        auto list = std::make_unique<TMp3FilesList>();
        list->AddFromDirAsOneFileEach(m_root, true);
        QStringList files;
        for (qint32 i = 0; i < list->flistscount; ++i)
            files << list->at(i).mp3files;
        QCOMPARE(files, (QStringList{path(QStringLiteral("A/A1/a1.mp3")), path(QStringLiteral("A/a.mp3")),
                                     path(QStringLiteral("B/b.mp3")), path(QStringLiteral("Flat/x.mp3")),
                                     path(QStringLiteral("Flat/y.mp3")), path(QStringLiteral("Flat/z.mp3")),
                                     path(QStringLiteral("root.mp3"))}));
        QCOMPARE(list->at(0).name, QStringLiteral("a1.mp3"));
    }
};

QTEST_GUILESS_MAIN(TestMp3FilesList)
#include "tst_mp3fileslist.moc"
